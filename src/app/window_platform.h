#pragma once

#include <QString>

// Opening the main window needs a window system. Without one the toolkit ends the
// process with an abort (and a core dump); the program says instead in one line
// why the window cannot open and exits with status 1.

// Why no window can open, or an empty text when there is something to try: a
// display (DISPLAY, WAYLAND_DISPLAY) or a platform named by -platform or
// QT_QPA_PLATFORM (offscreen, vnc, ... need no display).
QString MissingDisplayReason(const QString& platformOption);

// Prints "veltrane-diagnostics: cannot open the window: REASON" on stderr.
void ReportWindowNotOpened(const QString& reason);

// Lives around the construction of the QApplication. A platform that cannot
// start (a DISPLAY that leads nowhere, a plugin that does not load) then ends the
// program through ReportWindowNotOpened with status 1 instead of an abort. The
// toolkit's other messages of that time are held back, so that a failed start
// prints one line, and passed on when the guard ends.
class PlatformStartGuard {
public:
    PlatformStartGuard();
    ~PlatformStartGuard();
    PlatformStartGuard(const PlatformStartGuard&) = delete;
    PlatformStartGuard& operator=(const PlatformStartGuard&) = delete;
};
