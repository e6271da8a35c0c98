// The whole suite as a user starts it, with its real windows (offscreen or under a
// display), on rm7700-emu:
//   bench_gui startup [SECONDS]  time from the start of the program to the first
//                                painted main window, then resident memory after
//                                SECONDS (default 60) of live hop bin running;
//   bench_gui pipeline           the live hop bin pipeline with the hop bin window
//                                shown, the radio streaming at the full 115200-baud
//                                line rate for 20 s;
//   bench_gui query              a network query in the Network Query window, 50
//                                remote radios, 2000 records/s for 30 s.

#include "app/main_window.h"
#include "core/settings_store.h"
#include "bench_support.h"
#include "network/network_window.h"
#include "network/query_record.h"
#include "ui/window_surfaces.h"
#include "windowed_suite.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <time.h>
#include <unistd.h>

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
    const double nowMs =
        static_cast<double>(now.tv_sec) * 1000.0 + static_cast<double>(now.tv_nsec) / 1e6;
    return nowMs - startTicks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
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

int startup(QApplication& app, int liveSeconds) {
    WindowedSuite s;
    // The emulator starts first and is counted: the figure is an upper bound.
    if (!s.open({QStringLiteral("--baud"), QStringLiteral("57600")}, 10))
        return 1;
    FirstPaint firstPaint;
    s.window.installEventFilter(&firstPaint);
    s.window.show();

    double rss = -1;
    float reports = 0;
    QTimer::singleShot(500, &s.window, [&] { s.window.playAction()->trigger(); });
    QTimer::singleShot(500 + liveSeconds * 1000, &s.window, [&] {
        rss = residentMegabytes();
        reports = s.suite.hopBinData.TotalReports;
        s.window.close();
    });
    app.exec();
    std::printf("start-up to first painted main window: %.0f ms (goal < 500 ms)\n",
                firstPaint.atMs);
    std::printf("resident memory after %d s of live running: %.1f MB (goal < 80 MB), %.0f "
                "reports applied\n",
                liveSeconds, rss, static_cast<double>(reports));
    return 0;
}

int pipeline(QApplication& app) {
    constexpr int kReportsPerSecond = 115200 / 10 / 4; // 10 bits a byte, 4 bytes a report
    constexpr int kStreamMs = 20000;
    WindowedSuite s;
    if (!s.open({QStringLiteral("--baud"), QStringLiteral("115200"),
                 QStringLiteral("--report-rate"), QString::number(kReportsPerSecond)},
                11))
        return 1;
    s.window.show();

    double cpuBefore = 0, cpu = 0;
    float applied = 0;
    qsizetype backlog = -1, sent = -1;
    QTimer::singleShot(500, &s.window, [&] {
        cpuBefore = cpuSeconds();
        s.window.playAction()->trigger();
    });
    QTimer::singleShot(500 + kStreamMs, &s.window, [&] {
        cpu = cpuSeconds() - cpuBefore;
        s.emulator.command(QStringLiteral("silent 1"));
        QTimer::singleShot(300, &s.window, [&] { // what is still on the line arrives
            applied = s.suite.hopBinData.TotalReports +
                      static_cast<float>(s.suite.hopBins.RejectedReports);
            backlog = s.suite.link.ReceiveBuffer.size();
            sent = reportsIn(s.emulator.takeSent());
            s.window.close();
        });
    });
    app.exec();
    std::printf("hop bin pipeline with the window shown, 115200 baud, %d reports/s for %d s:\n",
                kReportsPerSecond, kStreamMs / 1000);
    std::printf("  reports applied %.0f of %lld sent = %.2f%% (goal 100%%)\n",
                static_cast<double>(applied), static_cast<long long>(sent),
                sent > 0 ? 100.0 * applied / static_cast<double>(sent) : 0.0);
    std::printf("  receive buffer backlog at the end: %lld bytes (goal < 100)\n",
                static_cast<long long>(backlog));
    std::printf("  CPU %.2f s = %.1f%% of one core (goal < 40%%)\n", cpu,
                100.0 * cpu / (kStreamMs / 1000.0));
    return 0;
}

// Whole acquisition records in what the radio sent (nothing else is on the line while
// a query runs).
qint64 queryRecordsIn(QByteArray sent) {
    qint64 records = 0;
    for (;;) {
        const QueryHead head = examineQueryHead(sent);
        if (head.action == QueryHead::Action::Wait)
            return records;
        if (head.action == QueryHead::Action::Record)
            ++records;
        sent.remove(0, head.action == QueryHead::Action::Record ? head.size : 1);
    }
}

int networkQuery(QApplication& app) {
    constexpr int kRadios = 50;
    constexpr int kRecordsPerSecond = 2000;
    constexpr int kSettleMs = 3000; // the first records choose destinations
    constexpr int kMeasureMs = 30000;
    QStringList args{QStringLiteral("--baud"),       QStringLiteral("115200"),
                     QStringLiteral("--sync-delay"), QStringLiteral("0"),
                     QStringLiteral("--query-rate"), QString::number(kRecordsPerSecond)};
    for (int i = 0; i < kRadios; ++i)
        args << QStringLiteral("--radio")
             << QStringLiteral("%1,%2,%3")
                    .arg(0xA00000 + i * 0x010203, 6, 16, QLatin1Char('0'))
                    .arg(i % 2 ? QStringLiteral("client") : QStringLiteral("server"))
                    .arg(i % 64);
    WindowedSuite s;
    if (!s.open(args, 11))
        return 1;
    s.window.show();
    NetworkWindow* network = nullptr;

    EventLoopGaps gaps;

    qint64 parsedAtStart = 0, parsed = 0, sent = 0;
    int rows = 0;
    QTimer::singleShot(500, &s.window, [&] {
        network = s.window.networkWindow();
        if (network)
            network->ButtonRunQuery_Click(); // returns when the query is stopped
    });
    QTimer::singleShot(500 + kSettleMs, &s.window, [&] {
        s.emulator.takeSent();
        parsedAtStart = s.suite.query.RecordsParsed;
        gaps.start();
    });
    QTimer::singleShot(500 + kSettleMs + kMeasureMs, &s.window, [&] {
        gaps.stop();
        s.emulator.command(QStringLiteral("silent 1"));
        QTimer::singleShot(300, &s.window, [&] { // what is still on the line arrives
            parsed = s.suite.query.RecordsParsed - parsedAtStart;
            sent = queryRecordsIn(s.emulator.takeSent());
            rows = network ? network->resultRows() : -1;
            s.emulator.command(QStringLiteral("silent 0")); // to answer the way out
            if (network)
                network->ButtonStopQuery_Click();
            s.window.close();
        });
    });
    app.exec();
    std::printf("network query, %d radios, %d records/s for %d s (window shown):\n", kRadios,
                kRecordsPerSecond, kMeasureMs / 1000);
    std::printf("  records counted %lld / sent %lld = %.4f (goal 1.000)\n",
                static_cast<long long>(parsed), static_cast<long long>(sent),
                sent > 0 ? static_cast<double>(parsed) / static_cast<double>(sent) : 0.0);
    std::printf("  grid rows %d for %d distinct addresses\n", rows, kRadios);
    std::printf("  longest gap between two event-loop turns %.1f ms (goal < 50 ms)\n",
                gaps.longestMs());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc > 1 && std::strcmp(argv[1], "pipeline") == 0)
        return pipeline(app);
    if (argc > 1 && std::strcmp(argv[1], "query") == 0)
        return networkQuery(app);
    return startup(app, argc > 2 ? std::atoi(argv[2]) : 60);
}
