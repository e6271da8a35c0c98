#include "app/emulator_launcher.h"

#include "link/radio_link.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QStandardPaths>
#include <cstdio>

namespace {
constexpr int kStartTimeoutMs = 5000;
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
