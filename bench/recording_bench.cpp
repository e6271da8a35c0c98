// Recording and playback: records kept at the full hop bin report rate, playback
// pacing against the recorded sweep gaps, and memory and seek time in a 500 MB
// recording. Usage: bench_recording [record SECONDS | pacing | bigfile | all]

#include "core/time_of_day.h"
#include "bench_support.h"
#include "hopbin/hop_bin_data.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

namespace {

constexpr int kLineBaud = 115200;
constexpr int kReportsPerSecond = kLineBaud / 10 / 4; // the line's capacity: 2880/s

double steadyMs() {
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(p * static_cast<double>(values.size() - 1))];
}

// Plays the recording at `path` through the hop bin analyzer until it ends.
void playHopBins(BenchSuite& bench, const QString& path) {
    Suite& suite = bench.suite;
    Recorder& recorder = suite.recorder;
    recorder.SourceFiles = QStringList{QString(), path};
    recorder.SelectedSource = 1;
    recorder.TransportMode = Recorder::Playing;
    recorder.RecordCounter = 0;
    recorder.oldbin0filetime = 0;
    recorder.fullStop = [&] {
        recorder.TransportMode = Recorder::Idle;
        recorder.closeFile();
        suite.flags.HopBinStopped = true;
    };
    recorder.openForPlayback(path);
    suite.hopBinData.ResetHopBins(suite.settings.Amplitude);
    suite.flags.StopRequested = false;
    suite.flags.HopBinStopped = false;
    suite.hopBins.AcquireBinReports(0);
}

int recordAtFullRate(int seconds) {
    BenchSuite bench;
    if (!bench.open({QStringLiteral("--baud"), QString::number(kLineBaud),
                     QStringLiteral("--report-rate"), QString::number(kReportsPerSecond),
                     QStringLiteral("--sync-delay"), QStringLiteral("0")},
                    11))
        return 1;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("full-rate.ban"));
    Suite& suite = bench.suite;
    Recorder& recorder = suite.recorder;
    recorder.openForRecording(path, false);
    recorder.RecordCounter = 1;
    recorder.TransportMode = Recorder::Recording;
    suite.hopBinData.ResetHopBins(suite.settings.Amplitude);
    suite.flags.HopBinStopped = false;
    bench.forgetDrawingAsItGoes();
    QTimer::singleShot(seconds * 1000, Qt::PreciseTimer, [&] { suite.flags.HopBinStopped = true; });

    const double cpuBefore = cpuSeconds();
    suite.hopBins.AcquireBinReports(0);
    const double cpu = cpuSeconds() - cpuBefore;
    recorder.closeFile();

    const double applied = static_cast<double>(suite.hopBinData.TotalReports);
    const qint64 inFile = QFile(path).size() / kRecordSize;
    std::printf("recording at %d reports/s for %d s:\n", kReportsPerSecond, seconds);
    std::printf("  records in the file %lld / reports applied %.0f = %.4f (goal 1.000)\n",
                static_cast<long long>(inFile), applied,
                applied > 0 ? static_cast<double>(inFile) / applied : 0.0);
    std::printf("  reports applied per second %.0f, CPU %.1f%% of one core\n", applied / seconds,
                100.0 * cpu / seconds);
    return 0;
}

int playbackPacing() {
    constexpr int kSweeps = 40;
    constexpr int kBins = 50;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("paced.ban"));
    std::vector<double> recordedStarts;
    {
        std::mt19937 random(7);
        std::uniform_int_distribution<int> gap(100, 900);
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        double start = 40000000.0;
        for (int k = 0; k < kSweeps; ++k) {
            recordedStarts.push_back(start);
            for (int bin = 0; bin < kBins; ++bin) {
                const FileVar record{static_cast<std::int16_t>(bin),
                                     static_cast<float>(start + bin * 0.3), -70.0f, -72.0f};
                file.write(encodeRecord(record).data(), kRecordSize);
            }
            start += gap(random);
        }
    }

    BenchSuite bench;
    Recorder& recorder = bench.suite.recorder;
    // The second record of sweep k is read when the pause after the sweep's first
    // record is over: those moments are as far apart as the recorded sweep starts.
    std::vector<double> secondRecordRead(kSweeps, 0.0);
    recorder.clock = [&] {
        const qint64 next = recorder.RecordCounter; // the record about to be read, less one
        if (next % kBins == 1 && next / kBins < kSweeps)
            secondRecordRead[static_cast<std::size_t>(next / kBins)] = steadyMs();
        return TimeOfDayMs();
    };
    playHopBins(bench, path);

    std::vector<double> errors;
    double worst = 0;
    for (int k = 1; k + 1 < kSweeps; ++k) {
        const double played = secondRecordRead[static_cast<std::size_t>(k + 1)] -
                              secondRecordRead[static_cast<std::size_t>(k)];
        const double recorded = recordedStarts[static_cast<std::size_t>(k + 1)] -
                                recordedStarts[static_cast<std::size_t>(k)];
        errors.push_back(std::abs(played - recorded));
        worst = std::max(worst, errors.back());
    }
    std::printf("playback pacing, %d sweeps with recorded gaps of 100 to 900 ms:\n", kSweeps);
    std::printf("  sweep gap error median %.2f ms (goal < 5 ms), worst %.2f ms\n",
                percentile(errors, 0.5), worst);
    return 0;
}

int bigFile() {
    constexpr qint64 kBytes = 500LL * 1000 * 1000;
    constexpr qint64 kRecords = kBytes / kRecordSize;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("big.ban"));
    {
        QFile file(path);
        file.open(QIODevice::WriteOnly);
        QByteArray chunk;
        for (int n = 0; n < 65536; ++n) {
            const FileVar record{static_cast<std::int16_t>(n % 50),
                                 static_cast<float>(1000 + (n / 50) * 17), -70.0f, -72.0f};
            chunk.append(encodeRecord(record).data(), kRecordSize);
        }
        for (qint64 written = 0; written < kBytes; written += chunk.size())
            file.write(chunk.left(
                static_cast<qsizetype>(std::min<qint64>(chunk.size(), kBytes - written))));
    }

    BenchSuite bench;
    bench.forgetDrawingAsItGoes();
    const double before = residentMegabytes();
    Recorder& recorder = bench.suite.recorder;
    // Play for ten seconds from the start, jumping to a random position every 10 ms
    // the way a user drags the slider; each jump is timed up to the record read.
    std::mt19937_64 random(11);
    std::uniform_int_distribution<qint64> position(0, kRecords - 1);
    std::vector<double> seekMs;
    QTimer seek;
    QObject::connect(&seek, &QTimer::timeout, [&] {
        recorder.RecordCounter = position(random);
        const double start = steadyMs();
        recorder.Bin0Time = TimeOfDayMs();
        recorder.ReadNextRecord();
        seekMs.push_back(steadyMs() - start);
    });
    seek.start(10);
    QTimer::singleShot(10000, [&] { bench.suite.flags.HopBinStopped = true; });
    playHopBins(bench, path);
    const double after = residentMegabytes();

    std::printf("500 MB recording (%lld records), played for 10 s with %zu slider jumps:\n",
                static_cast<long long>(kRecords), seekMs.size());
    std::printf("  resident memory growth %.1f MB (goal < 10 MB)\n", after - before);
    std::printf("  seek to the record read: median %.3f ms, worst %.3f ms (goal < 10 ms)\n",
                percentile(seekMs, 0.5), percentile(seekMs, 1.0));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("all");
    int failed = 0;
    if (what == QLatin1String("record") || what == QLatin1String("all"))
        failed |= recordAtFullRate(argc > 2 ? std::atoi(argv[2]) : 60);
    if (what == QLatin1String("pacing") || what == QLatin1String("all"))
        failed |= playbackPacing();
    if (what == QLatin1String("bigfile") || what == QLatin1String("all"))
        failed |= bigFile();
    return failed;
}
