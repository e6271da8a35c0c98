#include "monkey.h"

#include "action_log.h"
#include "app/main_window.h"
#include "app/suite.h"
#include "monkey_target.h"

#include <QApplication>
#include <QEventLoop>
#include <cstdlib>

namespace {
constexpr int kStageTurnMs = 100;
constexpr int kBackToNormalMs = 5000;
constexpr int kExitMs = 5000;
// After a failed exit the stack is given this long to unwind before the run is
// given up (the suite cannot be destroyed while its code is still running).
constexpr int kUnwindMs = 60000;
constexpr double kFaultWeight = 4;
// Longer than the latest reply a fault holds back (RadioFaults::choose).
constexpr int kDrainMs = 2000;
} // namespace

Monkey::Monkey(MonkeyTarget& target, const MonkeyOptions& options, ActionLog& log)
    : target_(target), options_(options), log_(log), actions_(target), control_(target.emulator),
      faults_(control_),
      recordings_(target.suite.recorder, [this](const QString& what) { fail(what); }),
      watchdog_(log,
                [this](double gapMs) {
                    fail(QStringLiteral("the event loop stalled for %1 ms").arg(gapMs, 0, 'f', 0));
                }),
      random_(options.seed), pacing_(options.seed ^ 0x5bd1e995u) {
    std::vector<double> weights = actions_.weights();
    faultKind_ = static_cast<int>(weights.size());
    weights.push_back(kFaultWeight);
    pick_ = std::discrete_distribution<int>(weights.begin(), weights.end());

    tickTimer_.setSingleShot(true);
    connect(&tickTimer_, &QTimer::timeout, this, [this] { tick(); });
    retryTimer_.setSingleShot(true);
    retryTimer_.setInterval(5);
    // Posted, like every input: never given inside a timer's own dispatch.
    connect(&retryTimer_, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { deliverNext(); }, Qt::QueuedConnection);
    });
    stageTimer_.setInterval(kStageTurnMs);
    // Posted: a stage may talk to the emulator (a nested event loop), which must not
    // run inside the timer's own dispatch.
    connect(&stageTimer_, &QTimer::timeout, this, [this] {
        QMetaObject::invokeMethod(
            this, [this] { advance(); }, Qt::QueuedConnection);
    });
}

Monkey::~Monkey() = default;

void Monkey::run() {
    control_.send(QStringLiteral("state"), [this](const QString& reply) {
        startDestination_ = RadioState::parse(reply).destination;
    });
    QEventLoop loop;
    loop_ = &loop;
    clock_.start();
    watchdog_.start();
    randomEndsMs_ = static_cast<qint64>(options_.seconds * 1000.0);
    nextCheckMs_ = std::uniform_int_distribution<qint64>(8000, 20000)(pacing_);
    randomSinceMs_ = 0;
    log_.note(QStringLiteral("random input for %1 s").arg(options_.seconds));
    tickTimer_.start(0);
    loop.exec();
    loop_ = nullptr;
    watchdog_.stop();
    recordings_.sample();
}

// ---------------------------------------------------------------------------
// The random phase

void Monkey::tick() {
    if (phase_ != Phase::Random)
        return;
    // Four draws every time, whatever the windows look like, so that one seed gives
    // one sequence of intentions.
    const int kind = pick_(random_);
    const quint32 a = random_();
    const quint32 b = random_();
    const int pauseMs = 5 + static_cast<int>(random_() % 196);
    randomAction(kind, a, b);

    const qint64 now = clock_.elapsed();
    if (now >= randomEndsMs_) {
        beginExit();
        return;
    }
    if (now >= nextCheckMs_) {
        beginRadioCheck();
        return;
    }
    tickTimer_.start(pauseMs);
}

void Monkey::randomAction(int kind, quint32 a, quint32 b) {
    ++randomActions_;
    if (kind == faultKind_) {
        const RadioFaults::Episode episode = RadioFaults::choose(a, b);
        deliver(
            [this, episode] {
                return UserActions::Step{
                    QStringLiteral("fault: ") + episode.what, [this, episode] {
                        faults_.start(episode);
                        if (episode.off.isEmpty())
                            return;
                        QTimer::singleShot(episode.lastingMs, this, [this, episode] {
                            QMetaObject::invokeMethod(
                                this,
                                [this, episode] {
                                    log_.note(QStringLiteral("fault ends: ") + episode.what);
                                    faults_.end(episode);
                                },
                                Qt::QueuedConnection);
                        });
                    }};
            },
            true);
        return;
    }
    const QString name = actions_.name(kind);
    deliver(
        [this, kind, a, b, name] {
            // While a modal dialog is open the user can only answer it.
            UserActions::Step modal = actions_.answerModalDialog(a);
            if (modal.input)
                return modal;
            if (options_.skipped.contains(name))
                return UserActions::Step{QStringLiteral("(skipped: %1)").arg(name), {}};
            return actions_.prepare(kind, a, b);
        },
        true);
}

int Monkey::deliver(std::function<UserActions::Step()> prepare, bool onlyWhileRandom) {
    const int number = ++nextAction_;
    pending_.push_back({number, std::move(prepare), onlyWhileRandom});
    QMetaObject::invokeMethod(
        this, [this] { deliverNext(); }, Qt::QueuedConnection);
    return number;
}

void Monkey::deliverNext() {
    if (pending_.empty())
        return;
    // The monkey's own talk with the emulator runs a nested event loop until the
    // reply comes; an input given now could start a run inside it, and the reply
    // could then not be taken until that run ends. Inputs wait for the reply.
    if (control_.busy()) {
        if (!retryTimer_.isActive())
            retryTimer_.start();
        return;
    }
    const Pending input = std::move(pending_.front());
    pending_.pop_front();
    const int number = input.number;
    if (input.onlyWhileRandom && phase_ != Phase::Random) {
        log_.note(QStringLiteral("#%1 dropped: the random phase has ended").arg(number));
        returned_.insert(number);
        return;
    }
    const UserActions::Step step = input.prepare();
    if (!step.what.isEmpty())
        log_.add(number, static_cast<int>(running_.size()), step.what);
    if (!step.input) {
        returned_.insert(number);
        return;
    }
    running_.insert(number);
    QElapsedTimer took;
    took.start();
    step.input();
    running_.erase(number);
    returned_.insert(number);
    if (took.elapsed() >= 1000)
        log_.note(QStringLiteral("#%1 returned after %2 s")
                      .arg(number)
                      .arg(static_cast<double>(took.elapsed()) / 1000.0, 0, 'f', 1));
}

void Monkey::fail(const QString& what) {
    if (phase_ == Phase::Done)
        return;
    failures_ << what;
    log_.note(QStringLiteral("FAILURE: ") + what);
    log_.report(what);
    if (!options_.keepGoing && phase_ == Phase::Random)
        beginExit();
}

// ---------------------------------------------------------------------------
// The radio check and the exit

void Monkey::runStages(std::vector<Stage> stages, std::function<void()> after) {
    stages_ = std::move(stages);
    stage_ = 0;
    stageSinceMs_ = clock_.elapsed();
    afterStages_ = std::move(after);
    if (!stages_.empty())
        log_.note(QStringLiteral("stage: ") + stages_.front().name);
    stageTimer_.start();
}

void Monkey::advance() {
    if (advancing_ || stage_ >= stages_.size())
        return;
    advancing_ = true;
    const Stage& stage = stages_[stage_];
    bool next = stage.done();
    if (!next && clock_.elapsed() - stageSinceMs_ >= stage.limitMs) {
        if (stage.late)
            stage.late();
        next = true;
    }
    if (next && stage_ < stages_.size()) {
        ++stage_;
        stageSinceMs_ = clock_.elapsed();
        if (stage_ < stages_.size()) {
            log_.note(QStringLiteral("stage: ") + stages_[stage_].name);
        } else {
            stageTimer_.stop();
            if (afterStages_)
                afterStages_();
        }
    }
    advancing_ = false;
}

void Monkey::readRadioState() {
    control_.send(QStringLiteral("state"),
                  [this](const QString& reply) { lastState_ = RadioState::parse(reply); });
}

std::vector<Monkey::Stage> Monkey::calmStages(bool exiting) {
    // The faults stop, the link is back, the user closes a modal dialog and, when the
    // suite has closed its port after the link went away, opens it again with
    // Settings > Settings > OK (a run that is going on reopens it by itself).
    auto linkUp = std::make_shared<bool>(false);
    portSelectTried_ = false;
    return {
        {QStringLiteral("faults off"),
         [this] {
             faults_.allOff();
             return true;
         },
         0,
         {}},
        {QStringLiteral("link back"),
         [this, linkUp] {
             control_.send(QStringLiteral("path"), [linkUp](const QString& reply) {
                 *linkUp = reply.startsWith(QLatin1String("ok"));
             });
             return *linkUp;
         },
         15000, [this] { log_.note(QStringLiteral("the emulator's link did not come back")); }},
        // Replies held back by a "late" fault still come out late after it ends.
        {QStringLiteral("held-back replies out"),
         [this] { return clock_.elapsed() - stageSinceMs_ >= kDrainMs; },
         kDrainMs + 1000,
         {}},
        {QStringLiteral("modal dialogs closed"),
         [this] {
             if (!QApplication::activeModalWidget())
                 return true;
             deliver([this] { return actions_.answerModalDialog(1); }, false);
             return false;
         },
         5000, [this] { fail(QStringLiteral("a modal dialog could not be closed")); }},
        {QStringLiteral("port open"),
         [this] {
             if (target_.suite.link.PortIsOpen)
                 return true;
             const qint64 waited = clock_.elapsed() - stageSinceMs_;
             if (waited >= 1500 && !portSelectTried_) {
                 portSelectTried_ = true;
                 deliver([this] { return actions_.openPortSelect(); }, false);
                 deliver([this] { return actions_.acceptPortSelectOnSerialPort(); }, false);
             }
             return false;
         },
         6000,
         [this, exiting] {
             fail(QStringLiteral("with the link back, the suite's port did not open again "
                                 "(Settings > Settings > OK)%1")
                      .arg(exiting ? QString() : QStringLiteral("; the radio check is skipped")));
             if (!exiting)
                 stage_ = stages_.size() - 1; // on to the last stage, which then ends
         }},
    };
}

void Monkey::beginRadioCheck() {
    phase_ = Phase::RadioCheck;
    randomMs_ += clock_.elapsed() - randomSinceMs_;
    log_.note(
        QStringLiteral("radio check: the faults stop, Stop returns the radio to normal mode"));
    std::vector<Stage> stages = calmStages(false);
    stages.push_back({QStringLiteral("click Stop"),
                      [this] {
                          // What the suite sends from now on is shown if the check fails.
                          control_.send(QStringLiteral("rx"));
                          stopAction_ = deliver([this] { return actions_.clickStop(); }, false);
                          stopClickedMs_ = clock_.elapsed();
                          lastState_ = {};
                          return true;
                      },
                      0,
                      {}});
    stages.push_back(
        {QStringLiteral("normal mode within 5 s"),
         [this] {
             readRadioState();
             if (!returned_.count(stopAction_) || !lastState_.valid || lastState_.mode != 0)
                 return false;
             ++radioChecks_;
             slowestBackToNormalMs_ =
                 std::max(slowestBackToNormalMs_, clock_.elapsed() - stopClickedMs_);
             return true;
         },
         kBackToNormalMs,
         [this] {
             QString sent;
             control_.send(QStringLiteral("rx"),
                           [&sent](const QString& reply) { sent = reply.mid(3, 3 * 48); });
             fail(QStringLiteral("5 s after Stop (faults off, link up) %1; radio: %2; the "
                                 "suite believes mode %3, its port is %4; it sent since Stop: %5")
                      .arg(returned_.count(stopAction_) ? QStringLiteral("Stop has returned")
                                                        : QStringLiteral("Stop has not returned"),
                           lastState_.text())
                      .arg(target_.suite.modes.RadioState)
                      .arg(target_.suite.link.PortIsOpen ? QStringLiteral("open")
                                                         : QStringLiteral("closed"),
                           sent.isEmpty() ? QStringLiteral("nothing") : sent));
         }});
    stages.push_back({QStringLiteral("end of the radio check"), [] { return true; }, 0, {}});
    runStages(std::move(stages), [this] {
        if (!failures_.isEmpty() && !options_.keepGoing) {
            beginExit();
            return;
        }
        if (clock_.elapsed() >= randomEndsMs_) {
            beginExit();
            return;
        }
        phase_ = Phase::Random;
        randomSinceMs_ = clock_.elapsed();
        nextCheckMs_ =
            clock_.elapsed() + std::uniform_int_distribution<qint64>(8000, 20000)(pacing_);
        log_.note(QStringLiteral("random input again"));
        tickTimer_.start(0);
    });
}

void Monkey::beginExit() {
    if (phase_ == Phase::Random)
        randomMs_ += clock_.elapsed() - randomSinceMs_;
    phase_ = Phase::Exit;
    tickTimer_.stop();
    log_.note(QStringLiteral("exit: the faults stop, then File > Exit"));
    std::vector<Stage> stages = calmStages(true);
    stages.push_back({QStringLiteral("File > Exit"),
                      [this] {
                          exitAction_ =
                              deliver([this] { return actions_.chooseFileExit(); }, false);
                          exitClickedMs_ = clock_.elapsed();
                          lastState_ = {};
                          return true;
                      },
                      0,
                      {}});
    stages.push_back(
        {QStringLiteral("closed within 5 s"),
         [this] {
             if (!returned_.count(exitAction_) || target_.window.isVisible() || !running_.empty())
                 return false;
             exitMs_ = clock_.elapsed() - exitClickedMs_;
             return true;
         },
         kExitMs,
         [this] {
             fail(QStringLiteral("File > Exit has not finished 5 s after the click (window %1, "
                                 "%2 input(s) still running beneath: %3)")
                      .arg(target_.window.isVisible() ? QStringLiteral("still shown")
                                                      : QStringLiteral("hidden"))
                      .arg(running_.size())
                      .arg([this] {
                          QStringList numbers;
                          for (int n : running_)
                              numbers << QStringLiteral("#%1").arg(n);
                          return numbers.join(QLatin1Char(' '));
                      }()));
         }});
    stages.push_back({QStringLiteral("everything unwound"),
                      [this] {
                          if (!running_.empty())
                              return false;
                          if (exitMs_ < 0)
                              exitMs_ = clock_.elapsed() - exitClickedMs_;
                          return true;
                      },
                      kUnwindMs,
                      [this] {
                          fail(QStringLiteral("the inputs beneath the exit never returned"));
                          log_.report(QStringLiteral("giving up: the suite cannot be destroyed "
                                                     "while its code still runs"));
                          std::_Exit(1);
                      }});
    stages.push_back({QStringLiteral("the radio's state read"),
                      [this] {
                          if (!lastState_.valid)
                              readRadioState();
                          return lastState_.valid;
                      },
                      3000,
                      {}});
    stages.push_back(
        {QStringLiteral("radio in normal mode, its own address as destination"),
         [this] {
             const bool ownAddressKnown = target_.suite.modes.LocalRadioAddress.size() == 3;
             const bool destinationRight =
                 lastState_.destination == lastState_.own ||
                 (!ownAddressKnown && lastState_.destination == startDestination_);
             if (!lastState_.valid || lastState_.mode != 0 || !destinationRight)
                 fail(QStringLiteral("after File > Exit the radio is left with %1 (destination "
                                     "at the start %2, own address %3 to the suite)")
                          .arg(lastState_.text(), startDestination_,
                               ownAddressKnown ? QStringLiteral("known")
                                               : QStringLiteral("unknown")));
             return true;
         },
         0,
         {}});
    runStages(std::move(stages), [this] {
        phase_ = Phase::Done;
        if (loop_)
            loop_->quit();
    });
}

QString Monkey::summary() const {
    const double minutes = static_cast<double>(randomMs_) / 60000.0;
    return QStringLiteral(
               "monkey seed %1: %2 min of random input, %3 random actions (%4 a minute), "
               "%5 faults; %6 radio checks passed (slowest return to normal mode %7 ms); "
               "%8 recordings checked; longest event-loop gap %9 ms; exit took %10 ms; %11 "
               "failure(s)")
        .arg(options_.seed)
        .arg(minutes, 0, 'f', 2)
        .arg(randomActions_)
        .arg(minutes > 0 ? randomActions_ / minutes : 0.0, 0, 'f', 0)
        .arg(faults_.started())
        .arg(radioChecks_)
        .arg(slowestBackToNormalMs_)
        .arg(recordings_.recordingsChecked())
        .arg(watchdog_.longestGapMs(), 0, 'f', 0)
        .arg(exitMs_)
        .arg(failures_.size());
}
