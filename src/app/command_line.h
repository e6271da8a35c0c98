#pragma once

#include <QString>
#include <QStringList>

// Options of the veltrane-diagnostics command line.
struct CommandLine {
    QString settingsFile;     // --settings FILE: use FILE as the settings store
    bool emulate = false;     // --emulate: start the bundled radio emulator and use it
    QStringList emulatorArgs; // --emulator-arg ARG (repeatable): passed to rm7700-emu
    bool check = false;       // --check: console check of the radio, no window
    QString platform;         // -platform NAME: the window system plugin (the toolkit's own)
};

// Parses the arguments of the running application. --help and --version print
// their text and exit the process, as on any Linux program; an unknown option
// prints the error and the usage and exits with status 2. The toolkit's own
// options (-platform, -style, -display, ...) are accepted and left to the window
// system, so that the whole line is read before any display is needed.
CommandLine ParseCommandLine(const QStringList& arguments);
