// The whole suite as a user starts it, on rm7700-emu (offscreen or under a real
// display): time from the start of the program to the first painted main window,
// then resident memory after a minute of live hop bin running.

#include "app/main_window.h"
#include "app/settings_store.h"
#include "app/suite.h"
#include "support/emulator_process.h"
#include "support/fakes.h"
#include "ui/window_surfaces.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>
#include <time.h>

namespace {

// Milliseconds since this process was started by the kernel.
double msSinceProcessStart() {
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = stat.readAll().split(' ');
    const double startTicks = fields.value(21).toDouble(); // field 22: starttime
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs = now.tv_sec * 1000.0 + now.tv_nsec / 1e6;
    return nowMs - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double residentMegabytes() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return -1;
}

// Notes the first paint of the main window.
class FirstPaint : public QObject {
public:
    double atMs = -1;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint && atMs < 0)
            atMs = msSinceProcessStart();
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const int liveSeconds = argc > 1 ? std::atoi(argv[1]) : 60;

    EmulatorProcess emulator;
    if (!emulator.start({QStringLiteral("--baud"), QStringLiteral("57600")}))
        return 1;
    QTemporaryDir dir;
    ScriptedMessages messages;
    StatusBarText status;
    WindowSurfaces surfaces;
    Suite suite(messages, status, surfaces);
    suite.link.DeviceOverride = emulator.devicePath();
    SettingsStore store(dir.filePath(QStringLiteral("settings.ini")));
    MainWindow window(suite, store, surfaces, status);
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.Form_Load([](Settings& s) { s.ConnectionType = 0; });
    window.show();
    // The figure includes starting the emulator above: an upper bound.

    double rss = -1;
    float reports = 0;
    QTimer::singleShot(500, &window, [&] { window.playAction()->trigger(); });
    QTimer::singleShot(500 + liveSeconds * 1000, &window, [&] {
        rss = residentMegabytes();
        reports = suite.hopBinData.TotalReports;
        window.close();
    });
    app.exec();

    std::printf("start-up to first painted main window: %.0f ms (goal < 500 ms)\n", firstPaint.atMs);
    std::printf("resident memory after %d s of live running: %.1f MB (goal < 80 MB), %.0f reports "
                "applied\n",
                liveSeconds, rss, reports);
    return 0;
}
