#include "app/emulator_launcher.h"

#include "link/radio_link.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>
#include <cstdio>

namespace {
constexpr int kStartTimeoutMs = 5000;
constexpr int kCommandTimeoutMs = 5000;
const char* const kEmulatorName = "rm7700-emu";
} // namespace

EmulatorLauncher::~EmulatorLauncher() {
    if (process_.state() == QProcess::NotRunning)
        return;
    process_.closeWriteChannel();
    if (!process_.waitForFinished(1000))
        process_.kill();
    process_.waitForFinished(1000);
}

QString EmulatorLauncher::findExecutable() {
    // RM7700_EMU names another emulator (tests run the one they were built with).
    const QString chosen = qEnvironmentVariable("RM7700_EMU");
    if (!chosen.isEmpty() && QFileInfo(chosen).isExecutable())
        return chosen;
    const QString here = QCoreApplication::applicationDirPath();
    const QString name = QString::fromLatin1(kEmulatorName);
    for (const QString& candidate :
         {here + u'/' + name, here + QStringLiteral("/../emulator/") + name}) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable())
            return info.canonicalFilePath();
    }
    return QStandardPaths::findExecutable(name);
}

QString EmulatorLauncher::start(const QStringList& extraArgs) {
    const QString program = findExecutable();
    if (program.isEmpty()) {
        error_ = QStringLiteral("rm7700-emu was not found beside this program or on the PATH.");
        return {};
    }
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(program, QStringList{QStringLiteral("--exit-on-eof")} + extraArgs);
    // The emulator prints its device path on its first line.
    QDeadlineTimer deadline(kStartTimeoutMs);
    while (!process_.canReadLine()) {
        if (deadline.hasExpired() ||
            !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
            error_ = QStringLiteral("rm7700-emu did not start: %1").arg(process_.errorString());
            process_.kill();
            return {};
        }
    }
    return QString::fromLocal8Bit(process_.readLine()).trimmed();
}

bool EmulatorLauncher::attachTo(RadioLink& link, const QStringList& extraArgs) {
    const QString device = start(extraArgs);
    if (device.isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(error_));
        return false;
    }
    link.DeviceOverride = device;
    return true;
}

QString EmulatorLauncher::command(const QString& line) {
    if (process_.state() != QProcess::Running)
        return {};
    while (process_.canReadLine()) // answers to earlier commands that timed out
        process_.readLine();
    process_.write(line.toUtf8() + '\n');
    QDeadlineTimer deadline(kCommandTimeoutMs);
    QEventLoop loop; // the suite's own port keeps working meanwhile
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, &loop, &QEventLoop::quit);
    while (!process_.canReadLine() && !deadline.hasExpired()) {
        timer.start(static_cast<int>(deadline.remainingTime()));
        loop.exec();
    }
    return process_.canReadLine() ? QString::fromLocal8Bit(process_.readLine()).trimmed()
                                  : QString();
}
