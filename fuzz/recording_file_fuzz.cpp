// Any bytes as a recording played back through both analyzers: a torn last slot,
// bins outside the table, values that are not numbers, times that jump about. The
// statistics stay inside their ranges, every usable record is applied once, and
// the playback ends by itself at the end of the file.

#include "app/suite.h"
#include "fuzz_support.h"
#include "support/fakes.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

struct Harness {
    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    Suite suite{messages, status, surfaces};
    std::int32_t now = 1000;

    void startPlayback(const QString& path) {
        Recorder& recorder = suite.recorder;
        recorder.clock = [this] { return now += 3; };
        recorder.SourceFiles = QStringList{QString(), path};
        recorder.SelectedSource = 1;
        recorder.TransportMode = Recorder::Playing;
        recorder.RecordCounter = 0;
        recorder.PlaybackInterval = 0;
        check(recorder.openForPlayback(path));
        suite.flags.StopRequested = false;
    }
    bool playing() const { return suite.recorder.TransportMode == Recorder::Playing; }
};
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ensureApplication();
    const QString path = writeFuzzFile("recording", ".ban", reinterpret_cast<const char*>(data),
                                       static_cast<qint64>(size));
    const qint64 records = static_cast<qint64>(size / 16);
    Harness h;

    // The hop bin analyzer.
    h.suite.hopBinData.ResetHopBins(h.suite.settings.Amplitude);
    h.startPlayback(path);
    h.suite.flags.HopBinStopped = false;
    qint64 calls = 0;
    while (h.playing() && calls <= records) {
        h.suite.recorder.PlaybackInterval = 0; // no pacing waits in a fuzzer
        h.suite.hopBins.ProcessBinReport();
        ++calls;
    }
    check(!h.playing()); // ended by itself after the last record
    const HopBinData& bins = h.suite.hopBinData;
    check(static_cast<qint64>(bins.TotalReports) + h.suite.hopBins.RejectedReports == records);
    for (const auto& sides : bins.HopBins)
        for (const BinStats& side : sides)
            check(side.Current >= -105.0f && side.Current <= h.suite.settings.Amplitude);

    // The spectrum analyzer, over a short sweep.
    h.suite.settings.NumberOfPoints = 7;
    h.suite.spectrum.ResetSpectrum();
    h.startPlayback(path);
    h.suite.flags.SpectrumStopped = false;
    calls = 0;
    while (h.playing() && calls <= records) {
        h.suite.recorder.PlaybackInterval = 0;
        h.suite.spectrum.AcquirePoint(static_cast<int>(calls % 7));
        ++calls;
    }
    check(!h.playing());
    const double belowTop = std::round(h.suite.settings.Amplitude - 2.0f);
    for (const SweepPoint& point : h.suite.spectrumData.SweepPoints)
        check(point.TraceLevel == 0 || point.TraceLevel == belowTop ||
              (point.TraceLevel >= -104 && point.TraceLevel <= -51));
    return 0;
}
