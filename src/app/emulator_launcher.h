#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

class RadioLink;

// Starts the bundled RM7700 emulator on a pseudo-terminal so that the suite can be
// tried without a radio. The emulator ends with the suite: it exits when its
// standard input (our pipe) closes.
class EmulatorLauncher {
public:
    ~EmulatorLauncher();

    // Starts rm7700-emu with `extraArgs`; returns the pseudo-terminal's path, or an
    // empty text (see errorText) when it could not be started.
    QString start(const QStringList& extraArgs);
    QString errorText() const { return error_; }

    // Starts the emulator and makes it the link's serial device (the stored port
    // stays as it is). On failure prints why and returns false.
    bool attachTo(RadioLink& link, const QStringList& extraArgs);

    // Sends one control command ("rx", "state", "drop 500", ...) and returns the
    // emulator's one-line answer, or an empty text after 5 s.
    QString command(const QString& line);

    // $RM7700_EMU, or rm7700-emu beside this program, in the build tree, or on the PATH.
    static QString findExecutable();

private:
    QProcess process_;
    QString error_;
};
