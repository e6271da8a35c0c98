#pragma once

#include "control_queue.h"
#include "loop_watchdog.h"
#include "monkey_options.h"
#include "radio_faults.h"
#include "recording_check.h"
#include "user_actions.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <deque>
#include <functional>
#include <random>
#include <set>
#include <vector>

class ActionLog;
class QEventLoop;
struct MonkeyTarget;

// Drives the suite with random real input from a seeded generator, with radio faults
// in between, and checks what must hold whatever the user does:
// - the event loop never stalls for more than a second (LoopWatchdog);
// - a recording that has ended holds 16 bytes for every record counted
//   (RecordingCheck);
// - every 8 to 20 s the faults stop and Stop brings the radio back to normal mode
//   within 5 s (the radio check);
// - at the end File > Exit finishes within 5 s and leaves the radio in normal mode
//   with its own address as destination (the exit check);
// - and nothing crashes (ActionLog prints the actions when something does).
//
// Every input is posted from a timer and delivered by the event loop, so that it
// lands wherever the suite is, inside its waits too; the monkey itself never waits
// for an input to return (Play does not return until Stop).
class Monkey : public QObject {
public:
    Monkey(MonkeyTarget& target, const MonkeyOptions& options, ActionLog& log);
    ~Monkey() override;

    // Runs the random input for the chosen time, then the exit and its checks;
    // returns when everything has unwound.
    void run();

    const QStringList& failures() const { return failures_; }
    QString summary() const;

private:
    enum class Phase { Random, RadioCheck, Exit, Done };
    // A step of the radio check or the exit: `done` is asked every 100 ms until it
    // holds; after `limitMs` `late` runs instead and the sequence goes on.
    struct Stage {
        QString name;
        std::function<bool()> done;
        int limitMs;
        std::function<void()> late;
    };

    void tick();
    void randomAction(int kind, quint32 a, quint32 b);
    // Posts an input: prepared and logged when it is delivered, then given. Inputs
    // are delivered in order, one per turn of the event loop.
    int deliver(std::function<UserActions::Step()> prepare, bool onlyWhileRandom);
    void deliverNext();
    void fail(const QString& what);

    void beginRadioCheck();
    void beginExit();
    void runStages(std::vector<Stage> stages, std::function<void()> after);
    void advance();
    std::vector<Stage> calmStages(bool exiting);
    void readRadioState();

    MonkeyTarget& target_;
    MonkeyOptions options_;
    ActionLog& log_;
    UserActions actions_;
    ControlQueue control_;
    RadioFaults faults_;
    RecordingCheck recordings_;
    LoopWatchdog watchdog_;

    std::mt19937 random_;
    std::mt19937 pacing_; // when the radio checks come: apart from the action sequence
    std::discrete_distribution<int> pick_;
    int faultKind_ = 0;
    Phase phase_ = Phase::Random;
    QElapsedTimer clock_;
    qint64 randomEndsMs_ = 0;
    qint64 nextCheckMs_ = 0;
    qint64 randomMs_ = 0; // time spent in the random phase
    qint64 randomSinceMs_ = 0;
    QTimer tickTimer_;
    QTimer stageTimer_;
    QTimer retryTimer_; // delivers an input held back while the emulator is asked
    struct Pending {
        int number;
        std::function<UserActions::Step()> prepare;
        bool onlyWhileRandom;
    };
    std::deque<Pending> pending_;
    QEventLoop* loop_ = nullptr;

    std::vector<Stage> stages_;
    std::size_t stage_ = 0;
    qint64 stageSinceMs_ = 0;
    std::function<void()> afterStages_;
    bool advancing_ = false;
    bool portSelectTried_ = false;
    int stopAction_ = 0;
    int exitAction_ = 0;
    qint64 stopClickedMs_ = 0;
    qint64 exitClickedMs_ = 0;
    RadioState lastState_;
    QString startDestination_;

    int nextAction_ = 0;
    int randomActions_ = 0;
    std::set<int> running_;  // actions whose input has not returned yet
    std::set<int> returned_; // actions delivered and returned (or with nothing to do)
    QStringList failures_;
    int radioChecks_ = 0;
    qint64 slowestBackToNormalMs_ = 0;
    qint64 exitMs_ = -1;
};
