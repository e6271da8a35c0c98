// Runs the bundled RM7700 emulator (rm7700-emu) for a test of the suite and talks to
// its control channel. The emulator plays the radio on a pseudo-terminal (or a TCP
// port); a test opens devicePath() with the suite's own link code and uses command()
// to look at the bytes that crossed the line or to script faults.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

class EmulatorProcess {
public:
    EmulatorProcess();
    ~EmulatorProcess(); // sends quit, waits, kills if needed

    EmulatorProcess(const EmulatorProcess&) = delete;
    EmulatorProcess& operator=(const EmulatorProcess&) = delete;

    // Starts rm7700-emu with --exit-on-eof --sync-delay 0 plus `args` (later options
    // win, so `args` may set another --sync-delay); false if it did not print its
    // first line within 5 s.
    bool start(const QStringList& args = {});
    bool startTcp(const QStringList& args = {}); // adds --tcp 0

    QString devicePath() const { return m_devicePath; } // pty path or 127.0.0.1:PORT
    quint16 tcpPort() const;                            // 0 for a pty

    // Sends one control line and waits (running the Qt event loop, so the suite's own
    // sockets and ports keep working) up to 5 s for its reply line; returns the whole
    // reply ("ok ..." / "error ..."), or an empty string on time-out.
    QString command(const QString& line);

    QByteArray takeReceived(); // "rx": bytes the suite sent since the last call
    QByteArray takeSent();     // "tx": bytes the emulator wrote since the last call

    void kill(); // SIGKILL, as if the radio were unplugged

    // The rm7700-emu built with the tests; the environment variable RM7700_EMU may
    // name another one.
    static QString executable();

private:
    QString waitForLine(int timeoutMs);
    QByteArray takeBytes(const QString& command);

    QProcess m_process;
    QString m_devicePath;
};
