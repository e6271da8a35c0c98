// Hop bin analyzer benchmarks against rm7700-emu over a pseudo-terminal:
//  1. The live pipeline with the radio streaming bin reports at the full line rate of
//     115200 baud (2880 four-byte reports a second) for 20 s: the share of the reports
//     sent that were applied, the receive backlog at the end, and the suite's CPU use.
//  2. CPU use while a run waits for a radio whose link never comes into sync.
// Drawing goes to recording surfaces here; the window's own painting is measured with
// the window.

#include "recording/recorder.h"
#include "app/suite.h"
#include "bench_support.h"
#include "hopbin/hop_bin_analyzer.h"
#include "hopbin/hop_bin_data.h"
#include "hopbin/hop_bin_display.h"
#include "hopbin/link_quality_meter.h"
#include "link/radio_commands.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>

namespace {

constexpr int kLineBaud = 115200;
constexpr int kReportsPerSecond = kLineBaud / 10 / 4; // 10 bits a byte, 4 bytes a report
constexpr int kStreamMs = 20000;
constexpr int kDrainMs = 300;
constexpr int kNoSyncMs = 10000;

struct Bench : BenchSuite {
    HopBinData data;
    Recorder recorder{suite.wait};
    HopBinDisplay display{suite.settings, suite.flags, data, suite.linkStatus, surfaces};
    LinkQualityMeter meter{suite.settings, data, surfaces};
    HopBinAnalyzer analyzer{data,        suite.settings,   suite.flags, suite.wait, suite.link,
                            suite.modes, suite.linkStatus, recorder,    display,    meter};

    bool open(const QStringList& args) {
        if (!BenchSuite::open(args, 11)) // 115200 baud
            return false;
        data.ResetHopBins(suite.settings.Amplitude);
        display.LayoutHopBinWindow();
        recorder.TransportMode = Recorder::Playing; // Play with "Real-Time"
        suite.flags.HopBinStopped = false;
        forgetDrawingAsItGoes();
        return true;
    }
};

int livePipeline() {
    Bench bench;
    if (!bench.open({QStringLiteral("--baud"), QString::number(kLineBaud),
                     QStringLiteral("--report-rate"), QString::number(kReportsPerSecond)}))
        return 1;

    qsizetype backlog = -1;
    double cpu = 0;
    double seconds = 0;
    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    QTimer::singleShot(kStreamMs, Qt::PreciseTimer, [&] {
        cpu = cpuSeconds() - cpuBefore;
        seconds = static_cast<double>(wall.elapsed()) / 1000.0;
        backlog = bench.suite.link.ReceiveBuffer.size();
        // Silence the radio and let the reports already on the line arrive.
        bench.emulator.command(QStringLiteral("silent 1"));
        QTimer::singleShot(kDrainMs, [&] { bench.suite.flags.HopBinStopped = true; });
    });

    bench.analyzer.AcquireBinReports(0);

    const qsizetype sent = reportsIn(bench.emulator.takeSent());
    const double applied = static_cast<double>(bench.data.TotalReports) +
                           static_cast<double>(bench.analyzer.RejectedReports);
    std::printf("hop bin pipeline, %d baud, %d reports/s for %.1f s:\n", kLineBaud,
                kReportsPerSecond, seconds);
    std::printf("  reports applied %.0f of %lld sent = %.2f%% (goal 100%%)\n", applied,
                static_cast<long long>(sent),
                sent > 0 ? 100.0 * applied / static_cast<double>(sent) : 0.0);
    std::printf("  receive buffer backlog at the end: %lld bytes (goal < 100)\n",
                static_cast<long long>(backlog));
    std::printf("  CPU %.2f s = %.1f%% of one core (goal < 40%%)\n", cpu,
                seconds > 0 ? 100.0 * cpu / seconds : 0.0);
    return 0;
}

int waitingForSync() {
    Bench bench;
    if (!bench.open({QStringLiteral("--baud"), QString::number(kLineBaud)}))
        return 1;
    bench.emulator.command(QStringLiteral("sync 0"));
    QTimer::singleShot(kNoSyncMs, Qt::PreciseTimer,
                       [&] { bench.suite.flags.HopBinStopped = true; });

    const double cpuBefore = cpuSeconds();
    QElapsedTimer wall;
    wall.start();
    bench.analyzer.AcquireBinReports(0);
    const double cpu = cpuSeconds() - cpuBefore;
    const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;

    const QByteArray polls = bench.emulator.takeReceived();
    std::printf("waiting %.1f s for a radio that never reaches sync (%lld status polls): "
                "CPU %.3f s = %.2f%% of one core (goal < 2%%)\n",
                seconds,
                static_cast<long long>(polls.count(radio::bytes({radio::kLead, 0x00, 0x00}))), cpu,
                seconds > 0 ? 100.0 * cpu / seconds : 0.0);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (const int failed = livePipeline())
        return failed;
    return waitingForSync();
}
