// Spectrum sweep against rm7700-emu paced at 57600 baud over a pseudo-terminal: the
// time of a sweep of 50 points compared with the line time it needs. Per point the
// selection 0xB1 i 0x00 goes out and is echoed (3 + 3 bytes), then the level request
// 0x21 0x02 goes out and is answered with 4 bytes (2 + 4 bytes): 12 bytes of 10 bits
// at 57600 baud, 2.08 ms a point, 104 ms a sweep.

#include "bench_support.h"
#include "spectrum/spectrum_analyzer.h"
#include "spectrum/spectrum_data.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

// The meter picture notes the moment each pass of the sweep loop draws the meter
// (once a pass, after the 50 points and the traces): the intervals between those
// moments are the sweep times the user sees.
class PassClockSurface : public RecordingSurface {
public:
    void printText(double x, double y, const QString& text, Colour colour) override {
        RecordingSurface::printText(x, y, text, colour);
        if (text.startsWith(QStringLiteral("Peak Avg: ")))
            stamps.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    QElapsedTimer clock;
    std::vector<double> stamps; // ms
};

class BenchSurfaces : public AnalyzerSurfaces {
public:
    Surface* hopBinSurface() override { return &hopBin; }
    Surface* spectrumSurface() override { return &spectrum; }
    Surface* meterSurface() override { return &meter; }
    RecordingSurface hopBin;
    RecordingSurface spectrum;
    PassClockSurface meter;
};

constexpr int kPoints = 50;
constexpr int kSweeps = 20;
constexpr int kWarmUpSweeps = 2;
constexpr double kLineMsPerSweep = kPoints * (3 + 3 + 2 + 4) * 10 * 1000.0 / 57600.0;

double median(std::vector<double> samples) {
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);

    RecordedStatus status;
    ScriptedMessages messages;
    BenchSurfaces surfaces;
    EmulatorProcess emulator;
    Suite suite{messages, status, surfaces};
    if (!emulator.start({QStringLiteral("--baud"), QStringLiteral("57600")}))
        return 1;
    suite.link.DeviceOverride = emulator.devicePath();
    suite.settings.Baud = 10; // 57600
    suite.settings.applyStartupConversions();
    suite.link.FillPortSettings();
    suite.flags.StopRequested = false;
    if (!suite.link.OpenPort(0))
        return 1;
    suite.settings.MeterTest = 1;
    suite.settings.NumberOfPoints = kPoints;
    suite.spectrumData.resize(kPoints);
    suite.recorder.TransportMode = Recorder::Playing;
    suite.flags.SpectrumStopped = false;
    suite.spectrum.ResetSpectrum();
    suite.modes.ChangeRadioState(ModeProtocol::Config, false);
    if (suite.modes.RadioState != ModeProtocol::Config) {
        std::fprintf(stderr, "the radio did not enter configuration mode\n");
        return 1;
    }

    // A run of the sweep loop as the acquisition loop makes it: the time between two
    // passes is what "Sweep Time (mS)" shows.
    suite.flags.SpectrumStopped = false;
    surfaces.meter.clock.start();
    const double runCpuBefore = cpuSeconds();
    suite.spectrum.SweepSpectrum(kWarmUpSweeps + kSweeps + 1);
    const double runCpu = cpuSeconds() - runCpuBefore;
    const double runMs = static_cast<double>(surfaces.meter.clock.nsecsElapsed()) / 1e6;
    std::vector<double> passes;
    for (std::size_t k = kWarmUpSweeps + 1; k < surfaces.meter.stamps.size(); ++k)
        passes.push_back(surfaces.meter.stamps[k] - surfaces.meter.stamps[k - 1]);
    if (passes.empty()) {
        std::fprintf(stderr, "no sweep was timed\n");
        return 1;
    }
    surfaces.spectrum.reset();
    surfaces.meter.reset();

    // Three ways of sweeping, interleaved so that whatever else the machine does
    // weighs on all three alike:
    //  - whole passes of the sweep loop: 50 points, then traces, readouts and meter;
    //  - the 50 points alone (AcquirePoint);
    //  - the same two exchanges a point without the analyzer around them: the floor
    //    that the link and the emulator allow.
    std::vector<double> sweeps, pointsOnly, bare;
    QElapsedTimer clock;
    const QByteArray none;
    double cpu = 0;
    double wallMs = 0;
    for (int s = 0; s < kWarmUpSweeps + kSweeps; ++s) {
        const bool counted = s >= kWarmUpSweeps;

        suite.flags.SpectrumStopped = false;
        const double cpuBefore = cpuSeconds();
        clock.start();
        suite.spectrum.SweepSpectrum(1);
        const double ms = static_cast<double>(clock.nsecsElapsed()) / 1e6;
        if (counted) {
            cpu += cpuSeconds() - cpuBefore;
            wallMs += ms;
            sweeps.push_back(ms);
        }
        // The recording surfaces keep every figure drawn: start each sweep afresh.
        surfaces.spectrum.reset();
        surfaces.meter.reset();

        suite.flags.SpectrumStopped = false;
        clock.start();
        for (int i = 0; i < kPoints; ++i)
            suite.spectrum.AcquirePoint(i);
        if (counted)
            pointsOnly.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);

        clock.start();
        for (int i = 0; i < kPoints; ++i) {
            const QByteArray select = SpectrumAnalyzer::selectPointCommand(i);
            suite.modes.ExchangeCommand(select, false, false, select, 3, false, false);
            suite.modes.ExchangeCommand(SpectrumAnalyzer::levelRequestCommand(), false, false, none,
                                        4, false, false);
        }
        if (counted)
            bare.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    suite.flags.SpectrumStopped = true;
    suite.modes.ChangeRadioState(ModeProtocol::Normal, false);

    const double passMedian = median(passes);
    std::printf("spectrum sweep, %d points, 57600 baud: median %7.1f ms over %zu sweeps   "
                "line time %.1f ms   ratio %.3f (goal <= 1.15)   CPU %.1f%% of one core\n",
                kPoints, passMedian, passes.size(), kLineMsPerSweep, passMedian / kLineMsPerSweep,
                100.0 * runCpu * 1000.0 / runMs);
    std::printf("  interleaved, median of %d each:\n", kSweeps);
    std::printf("  one SweepSpectrum(1) call (window painted afresh): %7.1f ms   ratio %.3f\n",
                median(sweeps), median(sweeps) / kLineMsPerSweep);
    std::printf("  the points alone (AcquirePoint):                   %7.1f ms   ratio %.3f\n",
                median(pointsOnly), median(pointsOnly) / kLineMsPerSweep);
    std::printf("  bare exchanges, no analyzer (the floor):           %7.1f ms   ratio %.3f\n",
                median(bare), median(bare) / kLineMsPerSweep);
    std::printf("  CPU during the SweepSpectrum(1) calls: %.1f%% of one core\n",
                wallMs > 0 ? 100.0 * cpu * 1000.0 / wallMs : 0.0);
    return 0;
}
