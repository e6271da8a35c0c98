#include "monkey.h"

#include "app/main_window.h"
#include "app/suite.h"
#include "recording/recorder.h"
#include "support/emulator_process.h"
#include "user_actions.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <set>
#include <thread>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/common_interface_defs.h>
#define VELTRANE_MONKEY_SANITIZED 1
#endif

namespace {

// What the monkey has done, so that a failed run can be replayed: the seed and the
// replay line, then one line per action ("+12.345 s #57 [1] click Play": time since
// the start, number, how many inputs had not returned beneath it, what was done).
// Kept whole in the file; shown when an invariant fails, and by the crash handlers
// when the process dies, which only write what is already formatted.
struct ActionLog {
    std::string header, path, text;
    QElapsedTimer clock;
    void save(const std::string& ending = {}) const {
        std::ofstream(path) << header << text << ending;
    }
} actionLog;
volatile std::sig_atomic_t crashReported = 0;

void note(const QString& line) {
    actionLog.text += QStringLiteral("+%1 s %2\n")
                          .arg(static_cast<double>(actionLog.clock.elapsed()) / 1000.0, 0, 'f', 3)
                          .arg(line)
                          .toStdString();
}

void writeLogForCrash() {
    if (crashReported)
        return;
    crashReported = 1;
    static const char kTitle[] = "\nMONKEY CRASH: the actions so far\n";
    ::write(2, kTitle, sizeof kTitle - 1);
    for (int fd : {2, ::open(actionLog.path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644)})
        for (const std::string* part : {&actionLog.header, &actionLog.text})
            for (std::size_t done = 0; fd >= 0 && done < part->size();) {
                const ssize_t written = ::write(fd, part->data() + done, part->size() - done);
                done = written > 0 ? done + static_cast<std::size_t>(written) : part->size();
            }
}

void startLog(const MonkeyOptions& options) {
    actionLog.header = "monkey seed " + std::to_string(options.seed) +
                       "\nreplay: " + options.replayHint().toStdString() + "\n";
    actionLog.path = QDir::current().absoluteFilePath(options.logPath).toStdString();
    // Reserved, so that appending rarely moves the text a crash handler may write.
    actionLog.text.reserve(8u << 20);
    actionLog.clock.start();
    // A stack overflow (waits nested too deeply) leaves no stack for the handler.
    static char handlerStack[1 << 16];
    stack_t alternate = {};
    alternate.ss_sp = handlerStack;
    alternate.ss_size = sizeof handlerStack;
    sigaltstack(&alternate, nullptr);
    struct sigaction action = {};
    // Writes the log and returns: the handler is reset to the default, so the
    // faulting instruction (or abort's own second raise) ends the process as before.
    action.sa_handler = [](int) { writeLogForCrash(); };
    action.sa_flags = SA_RESETHAND | SA_ONSTACK;
    // Qt's and the program's own aborts (qFatal, a failed assertion, the hang watch).
    sigaction(SIGABRT, &action, nullptr);
#ifdef VELTRANE_MONKEY_SANITIZED
    // The sanitizer reports memory errors itself, then calls this on its way out.
    __sanitizer_set_death_callback(&writeLogForCrash);
#else
    for (int signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL})
        sigaction(signal, &action, nullptr);
#endif
}

// The last 400 lines and the reason on stderr, the whole log in the file.
void reportFailure(const QString& why) {
    const std::string reason = "MONKEY FAILURE: " + why.toStdString() + "\n";
    actionLog.save(reason);
    const QStringList lines = QString::fromStdString(actionLog.text).split(QLatin1Char('\n'));
    std::fprintf(stderr, "%s...\n%s\n(the whole log is in %s)\n%s", actionLog.header.c_str(),
                 qPrintable(lines.mid(std::max(0, int(lines.size()) - 400)).join('\n')),
                 actionLog.path.c_str(), reason.c_str());
}

constexpr int kStallMs = 1000;
constexpr int kHangMs = 10000;
constexpr double kFaultWeight = 4;
// Longer than the latest reply a fault holds back (see faultFrom).
constexpr int kDrainMs = 2000;
// The control commands that end every fault (a drop comes back by itself).
const char* const kFaultsOff[] = {"silent 0", "garbage 0", "split 1", "late 0"};

// A fault of the radio or its line, chosen by `a`, its strength and length by `b`:
// silence, junk before every reply, replies in pieces, late replies (each ended by
// `off` after `ms`), the link dropped (back on a new pseudo-terminal behind the same
// symlink), stray bytes.
struct Fault {
    QString on, off;
    int ms;
};
Fault faultFrom(quint32 a, quint32 b) {
    const struct {
        const char *on, *off;
        quint32 from, range;
    } kinds[] = {{"silent %1", "silent 0", 1, 1},
                 {"garbage %1", "garbage 0", 1, 8},
                 {"split %1", "split 1", 2, 3},
                 {"late %1", "late 0", 100, 1500},
                 {"drop %1", "", 200, 2800}};
    if (a % 6 < 5) {
        const auto& k = kinds[a % 6];
        return {QString::fromLatin1(k.on).arg(k.from + b / 7 % k.range), QLatin1String(k.off),
                *k.off ? 300 + static_cast<int>(b % 3700) : 0};
    }
    QString bytes = QStringLiteral("inject");
    for (quint32 n = 0, x = b; n < 1 + b % 6; ++n, x = x * 1103515245u + 12345u)
        bytes += QStringLiteral(" %1").arg(x >> 24, 2, 16, QLatin1Char('0'));
    return {bytes, {}, 0};
}

// A field of the emulator's "state" reply ("ok mode=1 own=123456 dest=FFFFFF ...").
QString stateField(const QString& reply, const char* name) {
    return QRegularExpression(QStringLiteral(" %1=(\\S+)").arg(QLatin1String(name)))
        .match(reply)
        .captured(1);
}

class Monkey : public QObject {
public:
    Monkey(MonkeyTarget& target, const MonkeyOptions& options)
        : t_(target), options_(options), actions_(target), random_(options.seed),
          pacing_(options.seed ^ 0x5bd1e995u) {
        std::vector<double> weights;
        for (const UserActions::Kind& kind : actions_.kinds())
            weights.push_back(kind.weight);
        weights.push_back(kFaultWeight); // the last kind: a radio fault
        pick_ = std::discrete_distribution<int>(weights.begin(), weights.end());
        // Posted: a stage may talk to the emulator (a nested event loop), and no input
        // is given inside a timer's own dispatch.
        connect(&stageTimer_, &QTimer::timeout, this, [this] { post([this] { advance(); }); });
        loopTimer_.setTimerType(Qt::PreciseTimer);
        connect(&loopTimer_, &QTimer::timeout, this, [this] {
            const qint64 gap = now() - lastTurnMs_;
            lastTurnMs_ = now();
            if (gap > kStallMs)
                fail(QStringLiteral("the event loop stalled for %1 ms").arg(gap));
        });
    }

    QStringList run() {
        control(QStringLiteral("state"),
                [this](const QString& reply) { startDestination_ = stateField(reply, "dest"); });
        QEventLoop loop;
        loop_ = &loop;
        clock_.start();
        loopTimer_.start(50);
        stageTimer_.start(100);
        qApp->installEventFilter(this);
        std::atomic<bool> watching = true;
        std::thread hangWatch([this, &watching] {
            for (; watching; std::this_thread::sleep_for(std::chrono::milliseconds(200)))
                if (now() - lastTurnMs_ >= kHangMs) {
                    std::fprintf(stderr, "\nMONKEY HANG: the event loop has not turned for 10 s\n");
                    std::abort(); // the crash handler prints the actions
                }
        });
        nextCheckMs_ = std::uniform_int_distribution<qint64>(8000, 20000)(pacing_);
        QTimer::singleShot(0, this, [this] { tick(); });
        loop.exec();
        watching = false;
        hangWatch.join();
        qApp->removeEventFilter(this);
        sampleRecorder();
        std::printf("monkey seed %u: %d random actions, %d radio checks passed, %d recordings "
                    "checked\n",
                    options_.seed, randomActions_, radioChecks_, recordingsChecked_);
        return failures_;
    }

private:
    enum class Phase { Random, Check, Exit, Done };
    // A step of the radio check or the exit: `done` is asked every 100 ms until it
    // holds, or `limitMs` have passed: a failure.
    struct Stage {
        QString name;
        int limitMs;
        std::function<bool()> done;
    };

    qint64 now() const { return clock_.elapsed(); }
    void post(std::function<void()> call) {
        QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
    }

    // One control command at a time: the wait for its reply runs the event loop, so
    // another may be asked for meanwhile (a fault ending); it is queued and sent once
    // the reply in hand has come, so that no reply is taken for another's. `done` gets
    // the reply ("ok ...", "error ...", empty on a time-out).
    void control(const QString& line, std::function<void(const QString&)> done = {}) {
        controls_.emplace_back(line, std::move(done));
        if (busy_)
            return;
        busy_ = true;
        for (; !controls_.empty(); controls_.pop_front()) {
            const QString reply = t_.emulator.command(controls_.front().first);
            if (controls_.front().second)
                controls_.front().second(reply);
        }
        busy_ = false;
    }
    bool radioInNormalMode() {
        control(QStringLiteral("state"), [this](const QString& reply) { lastState_ = reply; });
        return stateField(lastState_, "mode") == QLatin1String("0");
    }

    void tick() {
        if (phase_ != Phase::Random)
            return;
        // Four draws every time, whatever the windows look like, so that one seed
        // gives one sequence of intentions.
        const std::size_t kind = static_cast<std::size_t>(pick_(random_));
        const quint32 a = random_(), b = random_();
        const int pauseMs = 5 + static_cast<int>(random_() % 196);
        ++randomActions_;
        if (kind == actions_.kinds().size()) {
            const Fault fault = faultFrom(a, b);
            deliver([this, fault] {
                if (phase_ != Phase::Random)
                    return;
                actions_.say(QStringLiteral("fault: %1, %2 ms").arg(fault.on).arg(fault.ms));
                control(fault.on);
                if (!fault.off.isEmpty())
                    QTimer::singleShot(fault.ms, this, [this, off = fault.off] {
                        post([this, off] { control(off); });
                    });
            });
        } else {
            const UserActions::Kind& action = actions_.kinds()[kind];
            deliver([this, &action, a, b] {
                // While a modal dialog is open the user can only answer it.
                if (phase_ == Phase::Random && !actions_.answerModalDialog(a) &&
                    !options_.skipped.contains(QLatin1String(action.name)))
                    action.act(a, b);
            });
        }
        if (timeUp() || now() >= nextCheckMs_)
            beginCalm(timeUp() ? Phase::Exit : Phase::Check);
        else
            QTimer::singleShot(pauseMs, this, [this] { tick(); });
    }

    // Queues an input, given in order, one per turn of the event loop, wherever the
    // suite is then, inside its waits too.
    int deliver(std::function<void()> act) {
        pending_.emplace_back(++nextAction_, std::move(act));
        post([this] { deliverNext(); });
        return nextAction_;
    }
    void deliverNext() {
        // An input given while the monkey waits for the emulator's reply could start a
        // run inside that wait, and the reply could not be taken until the run ends.
        if (busy_)
            return QTimer::singleShot(5, this, [this] { post([this] { deliverNext(); }); });
        const auto [number, act] = std::move(pending_.front());
        pending_.pop_front();
        // "#57 [1]": the action's number, and how many inputs run beneath it.
        actions_.say = [prefix = QStringLiteral("#%1 [%2] ").arg(number).arg(running_.size())](
                           const QString& what) { note(prefix + what); };
        running_.insert(number);
        act();
        running_.erase(number);
        returned_.insert(number);
    }

    void fail(const QString& what) {
        if (phase_ == Phase::Done)
            return;
        failures_ << what;
        note(QStringLiteral("FAILURE: ") + what);
        reportFailure(what);
        if (!options_.keepGoing && phase_ == Phase::Random)
            beginCalm(Phase::Exit);
    }
    QString status() const {
        return QStringLiteral("radio: %1; the suite's port %2; %3 inputs still running")
            .arg(lastState_, QLatin1String(t_.suite.link.PortIsOpen ? "open" : "closed"))
            .arg(running_.size());
    }

    // Every recording, once ended, holds 16 bytes for each record the recorder counted
    // (RecordCounter - 1). The recorder is sampled before every event: records are
    // written between events, and whatever ends a recording is one, so the sample just
    // before it holds the count as it ended, even when the same handler resets the
    // counter (Load File, playback). The file is measured once closed.
    bool eventFilter(QObject*, QEvent*) override {
        sampleRecorder();
        return false;
    }
    void sampleRecorder() {
        const Recorder& recorder = t_.suite.recorder;
        const bool recording = recorder.file().role() == RecordingFile::Role::Recording;
        if (!recordingPath_.isEmpty() && (!recording || recorder.file().path() != recordingPath_)) {
            const qint64 size = QFileInfo(recordingPath_).size();
            if (counted_ >= 0 && size != counted_ * kRecordSize)
                fail(QStringLiteral("the recording %1 ended with %2 bytes for %3 records")
                         .arg(recordingPath_)
                         .arg(size)
                         .arg(counted_));
            recordingsChecked_ += counted_ >= 0;
            recordingPath_.clear();
        }
        if (recording && recordingPath_.isEmpty()) {
            recordingPath_ = recorder.file().path();
            counted_ = -1;
        }
        // Only while recording (or paused) is the counter the recording's own; Load
        // File sets it to 0 while the file is still open, and nothing is written then.
        if (recording && (recorder.TransportMode == Recorder::Recording ||
                          recorder.TransportMode == Recorder::RecordingPaused))
            counted_ = recorder.RecordCounter - 1;
    }

    void advance() {
        if (advancing_ || stage_ >= stages_.size())
            return;
        advancing_ = true;
        const Stage& stage = stages_[stage_];
        bool next = stage.done();
        if (!next && now() - stageSinceMs_ >= stage.limitMs) {
            next = true;
            fail(QStringLiteral("not within %1 ms: %2; %3")
                     .arg(stage.limitMs)
                     .arg(stage.name, status()));
            if (phase_ != Phase::Exit)
                stage_ = stages_.size() - 1; // a radio check that failed ends here
        }
        if (next && ++stage_ < stages_.size()) {
            stageSinceMs_ = now();
            note(QStringLiteral("-- ") + stages_[stage_].name);
        } else if (next && phase_ == Phase::Exit) {
            phase_ = Phase::Done;
            loop_->quit();
        } else if (next && ((failures_.isEmpty() || options_.keepGoing) && !timeUp())) {
            phase_ = Phase::Random;
            nextCheckMs_ = now() + std::uniform_int_distribution<qint64>(8000, 20000)(pacing_);
            note(QStringLiteral("-- random input again"));
            QTimer::singleShot(0, this, [this] { tick(); });
        } else if (next) {
            beginCalm(Phase::Exit);
        }
        advancing_ = false;
    }

    // The radio check (every 8 to 20 s) and the exit: the faults stop, the link is
    // back, the user closes a modal dialog and, when the suite has closed its port
    // after the link went away, opens it again with Settings > Settings > OK (a run
    // that is going on reopens it by itself); then Stop, or File > Exit.
    void beginCalm(Phase phase) {
        phase_ = phase;
        stopAction_ = 0;
        lastState_.clear();
        auto linkUp = std::make_shared<bool>(false);
        auto portSelectTried = std::make_shared<bool>(false);
        stages_ = {
            {QStringLiteral("faults off"), 0,
             [this] {
                 for (const char* off : kFaultsOff)
                     control(QLatin1String(off));
                 return true;
             }},
            // Replies held back by a "late" fault still come out late after it ends.
            {QStringLiteral("the link back, held-back replies out"), 15000,
             [this, linkUp] {
                 control(QStringLiteral("path"), [linkUp](const QString& reply) {
                     *linkUp = reply.startsWith(QLatin1String("ok"));
                 });
                 return *linkUp && now() - stageSinceMs_ >= kDrainMs;
             }},
            {QStringLiteral("modal dialogs closed"), 5000,
             [this] {
                 if (QApplication::activeModalWidget())
                     deliver([this] { actions_.answerModalDialog(1); });
                 return !QApplication::activeModalWidget();
             }},
            {QStringLiteral("the suite's port open again (Settings > Settings > OK)"), 6000,
             [this, portSelectTried] {
                 if (!t_.suite.link.PortIsOpen && now() - stageSinceMs_ >= 1500 &&
                     !*portSelectTried) {
                     *portSelectTried = true;
                     deliver([this] {
                         actions_.menu(QStringLiteral("Settings"), QStringLiteral("Settings"));
                     });
                     deliver([this] { actions_.acceptPortSelectOnSerialPort(); });
                 }
                 return t_.suite.link.PortIsOpen;
             }},
        };
        if (phase == Phase::Check) {
            stages_.push_back(
                {QStringLiteral("Stop returns the radio to normal mode"), 5000, [this] {
                     if (!stopAction_)
                         stopAction_ = deliver([this] { actions_.clickStop(); });
                     return radioInNormalMode() && returned_.count(stopAction_) && ++radioChecks_;
                 }});
        } else {
            stages_.push_back({QStringLiteral("File > Exit finished"), 5000, [this] {
                                   if (!exitAction_)
                                       exitAction_ = deliver([this] {
                                           actions_.menu(QStringLiteral("File"),
                                                         QStringLiteral("Exit"));
                                       });
                                   return returned_.count(exitAction_) && !t_.window.isVisible() &&
                                          running_.empty();
                               }});
            // The suite cannot be destroyed while its code still runs: given up after a
            // minute.
            stages_.push_back(
                {QStringLiteral("every input returned"), 61000, [this] {
                     if (running_.empty() || now() - stageSinceMs_ < 60000)
                         return running_.empty();
                     fail(QStringLiteral("the inputs beneath the exit never returned"));
                     std::_Exit(1);
                 }});
            stages_.push_back(
                {QStringLiteral("the radio left in normal mode, its own address as destination"),
                 3000, [this] {
                     // Without its own address known, the suite leaves the destination it found.
                     const bool ownAddressKnown = t_.suite.modes.LocalRadioAddress.size() == 3;
                     const bool normal = radioInNormalMode();
                     const QString destination = stateField(lastState_, "dest");
                     return normal && (destination == stateField(lastState_, "own") ||
                                       (!ownAddressKnown && destination == startDestination_));
                 }});
        }
        stage_ = 0;
        stageSinceMs_ = now();
        note(QStringLiteral("-- ") + stages_.front().name);
    }
    bool timeUp() const { return now() >= static_cast<qint64>(options_.seconds * 1000); }

    MonkeyTarget& t_;
    const MonkeyOptions options_;
    UserActions actions_;
    std::mt19937 random_;
    std::mt19937 pacing_; // when the radio checks come: apart from the action sequence
    std::discrete_distribution<int> pick_;
    Phase phase_ = Phase::Random;
    QElapsedTimer clock_;
    QTimer stageTimer_, loopTimer_;
    std::atomic<qint64> lastTurnMs_{0};
    QEventLoop* loop_ = nullptr;
    std::deque<std::pair<QString, std::function<void(const QString&)>>> controls_;
    std::deque<std::pair<int, std::function<void()>>> pending_;
    std::set<int> running_, returned_; // inputs given and not yet returned; returned
    std::vector<Stage> stages_;
    std::size_t stage_ = 0;
    bool busy_ = false, advancing_ = false;
    QString lastState_, startDestination_, recordingPath_;
    qint64 counted_ = -1; // -1: never seen recording into this file
    QStringList failures_;
    int nextAction_ = 0, stopAction_ = 0, exitAction_ = 0;
    int randomActions_ = 0, radioChecks_ = 0, recordingsChecked_ = 0;
    qint64 nextCheckMs_ = 0, stageSinceMs_ = 0;
};

} // namespace

QStringList runMonkey(MonkeyTarget& target, const MonkeyOptions& options) {
    startLog(options);
    const QStringList failures = Monkey(target, options).run();
    if (failures.isEmpty())
        actionLog.save(); // a failure has written it already, with the reason
    return failures;
}
