#include "emulator_process.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

namespace {
constexpr int kStartTimeoutMs = 5000;
constexpr int kCommandTimeoutMs = 5000;
constexpr int kQuitTimeoutMs = 2000;
} // namespace

EmulatorProcess::EmulatorProcess() {
    // stdout carries the control replies; the emulator's log (--verbose) goes straight
    // to the test's own stderr, so it can never fill a pipe nobody reads.
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
}

EmulatorProcess::~EmulatorProcess() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.write("quit\n");
    m_process.closeWriteChannel(); // --exit-on-eof ends it even if "quit" is not read
    if (!m_process.waitForFinished(kQuitTimeoutMs)) {
        m_process.kill();
        m_process.waitForFinished(kQuitTimeoutMs);
    }
}

QString EmulatorProcess::executable() {
    return qEnvironmentVariable("RM7700_EMU", QStringLiteral(RM7700_EMU_PATH));
}

bool EmulatorProcess::start(const QStringList& args) {
    if (m_process.state() != QProcess::NotRunning)
        return false;
    m_devicePath.clear();
    QStringList arguments{QStringLiteral("--exit-on-eof"), QStringLiteral("--sync-delay"),
                          QStringLiteral("0")};
    arguments += args;
    m_process.start(executable(), arguments);
    if (!m_process.waitForStarted(kStartTimeoutMs))
        return false;
    m_devicePath = waitForLine(kStartTimeoutMs);
    return !m_devicePath.isEmpty();
}

bool EmulatorProcess::startTcp(const QStringList& args) {
    return start(QStringList{QStringLiteral("--tcp"), QStringLiteral("0")} + args);
}

quint16 EmulatorProcess::tcpPort() const {
    static const QString prefix = QStringLiteral("127.0.0.1:");
    if (!m_devicePath.startsWith(prefix))
        return 0;
    return m_devicePath.mid(prefix.size()).toUShort();
}

QString EmulatorProcess::command(const QString& line) {
    if (m_process.state() != QProcess::Running) {
        return {};
    }
    // Every command has exactly one reply line; anything still buffered is the reply
    // to an earlier command that timed out, and must not be taken for this one.
    while (m_process.canReadLine())
        m_process.readLine();
    m_process.write(line.toUtf8() + '\n');
    return waitForLine(kCommandTimeoutMs);
}

QString EmulatorProcess::waitForLine(int timeoutMs) {
    const QDeadlineTimer deadline(timeoutMs);
    while (!m_process.canReadLine()) {
        if (m_process.state() == QProcess::NotRunning || deadline.hasExpired()) {
            return {};
        }
        if (QCoreApplication::instance() == nullptr) {
            m_process.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
            continue;
        }
        // Run the event loop while waiting, so the suite's serial port or socket (and
        // its timers) are served in the meantime, just as in the real program.
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&m_process, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
        QObject::connect(&m_process, &QProcess::finished, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(deadline.remainingTime()));
        loop.exec();
    }
    return QString::fromUtf8(m_process.readLine()).trimmed();
}

QByteArray EmulatorProcess::takeBytes(const QString& command) {
    const QString reply = this->command(command);
    if (!reply.startsWith(QStringLiteral("ok"))) {
        return {};
    }
    // "ok CC 8E 00": fromHex skips the blanks.
    return QByteArray::fromHex(reply.mid(2).toLatin1());
}

QByteArray EmulatorProcess::takeReceived() {
    return takeBytes(QStringLiteral("rx"));
}

QByteArray EmulatorProcess::takeSent() {
    return takeBytes(QStringLiteral("tx"));
}

void EmulatorProcess::kill() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.kill();
    m_process.waitForFinished(kQuitTimeoutMs);
}
