// A long run of the whole suite (main window offscreen or on a display) against
// rm7700-emu with faults injected at random: silence, junk before replies, replies
// in pieces, late replies, and the link dropped and coming back. The hop bin
// analyzer records live all the time; when a fault has stopped the run, the suite
// is restarted the way a user would (Record again, appending). At the end it prints:
// the longest gap between two event-loop turns (a hang shows there), resident memory
// growth after the first minute, and records lost (numbered by the recorder but not
// in the file).
//
// Usage: veltrane-soak MINUTES [SEED]   (scripts/soak.sh builds and runs it)

#include "windowed_suite.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <thread>
#include <unistd.h>

namespace {

struct Fault {
    const char* on;
    const char* off; // nullptr: the fault ends by itself
};

const Fault kFaults[] = {
    {"silent 1", "silent 0"}, {"garbage 5", "garbage 0"}, {"split 3", "split 1"},
    {"late 400", "late 0"},   {"drop 2000", nullptr},
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const double minutes = argc > 1 ? std::atof(argv[1]) : 30.0;
    std::mt19937 random(argc > 2 ? static_cast<unsigned>(std::atoi(argv[2])) : 1u);
    const auto runMs = static_cast<qint64>(minutes * 60000.0);

    WindowedSuite s;
    const QString link = s.dir.filePath(QStringLiteral("rm7700"));
    if (!s.open({QStringLiteral("--link"), link, QStringLiteral("--baud"), QStringLiteral("115200"),
                 QStringLiteral("--report-rate"), QStringLiteral("1000")},
                11))
        return 1;
    s.suite.link.DeviceOverride = link; // the name stays when the device comes back
    ScriptedFileDialogs dialogs;
    dialogs.saveAnswer = s.dir.filePath(QStringLiteral("soak.ban"));
    s.window.setFileDialogs(dialogs);
    s.messages.answer = MessageBoxes::Answer::Yes; // append after a restart
    s.window.show();

    QElapsedTimer clock;
    clock.start();
    double rssAfterWarmUp = -1, rssPeak = 0;
    EventLoopGaps gaps;
    gaps.start();

    // A watcher beside the event loop: when the loop has not turned for 0.7 s, the
    // stack of the user-interface thread goes to veltrane-soak-hang.txt (once), so a
    // hang can be found without a debugger session.
    std::atomic<qint64> lastTurnMs{0};
    std::atomic<bool> watching{true};
    QTimer beat;
    QObject::connect(&beat, &QTimer::timeout, [&] { lastTurnMs = clock.elapsed(); });
    beat.start(10);
    std::thread watcher([&] {
        bool dumped = false;
        while (watching) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            if (!dumped && clock.elapsed() - lastTurnMs > 700) {
                dumped = true;
                const std::string command = "gdb -p " + std::to_string(getpid()) +
                                            " -batch -ex 'thread apply 1 bt 40' "
                                            "> veltrane-soak-hang.txt 2>&1";
                std::system(command.c_str());
            }
        }
    });

    int faults = 0, restarts = 0;
    bool finishing = false;
    const StopFlags& flags = s.suite.flags;
    // Restarts the recording when nothing runs (a fault has stopped it).
    QTimer watchdog;
    QObject::connect(&watchdog, &QTimer::timeout, [&] {
        rssPeak = std::max(rssPeak, residentMegabytes());
        if (clock.elapsed() > 60000 && rssAfterWarmUp < 0)
            rssAfterWarmUp = residentMegabytes();
        // A run that a fault has ended leaves StopRequested raised; a run waiting for
        // the link to come back is still a run.
        if (finishing || !flags.StopRequested)
            return;
        ++restarts;
        // Queued like the user's click: the run that starts inside it must not be
        // nested in the dispatch of a timer (Qt holds further timers back there).
        QMetaObject::invokeMethod(
            &s.window, [&] { s.window.recordAction()->trigger(); }, Qt::QueuedConnection);
    });
    watchdog.start(1000);

    // A fault every 5 to 20 s, lasting 0.5 to 4 s.
    QTimer faultTimer;
    faultTimer.setSingleShot(true);
    std::uniform_int_distribution<int> gap(5000, 20000), length(500, 4000);
    std::uniform_int_distribution<int> which(0, static_cast<int>(std::size(kFaults)) - 1);
    QObject::connect(&faultTimer, &QTimer::timeout, [&] {
        if (finishing)
            return;
        const Fault& fault = kFaults[which(random)];
        ++faults;
        s.emulator.command(QString::fromLatin1(fault.on));
        if (fault.off)
            QTimer::singleShot(length(random), &s.window, [&s, &fault] {
                s.emulator.command(QString::fromLatin1(fault.off));
            });
        faultTimer.start(gap(random));
    });
    faultTimer.start(gap(random));

    qint64 numbered = 0;
    QMetaObject::invokeMethod(
        &s.window, [&] { s.window.recordAction()->trigger(); }, Qt::QueuedConnection);
    QTimer progress;
    QObject::connect(&progress, &QTimer::timeout, [&] {
        std::printf("%5.1f min: %lld records, %d faults, %d restarts, gap %.0f ms, RSS %.1f MB\n",
                    static_cast<double>(clock.elapsed()) / 60000.0,
                    static_cast<long long>(s.suite.recorder.RecordCounter - 1), faults, restarts,
                    gaps.longestMs(), residentMegabytes());
        std::fflush(stdout);
    });
    progress.start(60000);
    QTimer::singleShot(runMs, &s.window, [&] {
        finishing = true;
        faultTimer.stop();
        for (const Fault& fault : kFaults)
            if (fault.off)
                s.emulator.command(QString::fromLatin1(fault.off));
        s.window.stopAction()->trigger();
        numbered = s.suite.recorder.RecordCounter - 1;
        s.window.close();
    });
    app.exec();
    watching = false;
    watcher.join();

    const qint64 inFile = QFile(dialogs.saveAnswer).size() / kRecordSize;
    const double rssEnd = residentMegabytes();
    std::printf("soak %.1f min: %d faults injected, %d restarts after a fault stopped the run\n",
                minutes, faults, restarts);
    std::printf("  longest gap between two event-loop turns %.1f ms\n", gaps.longestMs());
    std::printf("  resident memory after the first minute %.1f MB, at the end %.1f MB (peak "
                "%.1f MB): growth %.1f MB\n",
                rssAfterWarmUp, rssEnd, rssPeak, rssEnd - rssAfterWarmUp);
    std::printf("  records numbered %lld, in the file %lld: lost %lld; file length %% 16 = %lld\n",
                static_cast<long long>(numbered), static_cast<long long>(inFile),
                static_cast<long long>(numbered - inFile),
                static_cast<long long>(QFile(dialogs.saveAnswer).size() % kRecordSize));
    std::printf("  messages shown: %lld\n", static_cast<long long>(s.messages.shown.size()));
    return 0;
}
