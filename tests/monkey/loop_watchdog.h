#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <atomic>
#include <functional>
#include <thread>

class ActionLog;

// Watches the one thread of the suite. A 50 ms timer notes how late each of its
// ticks comes: a gap of more than a second means the program stopped serving the
// user for that long (a blocking call, a wait that does not run the event loop,
// timers held back). A thread beside it catches a loop that never turns again:
// after 10 s it prints the log and the stack of the user-interface thread (gdb)
// and aborts, so that a hang is reported instead of timing out silently.
class LoopWatchdog {
public:
    static constexpr int kTickMs = 50;
    static constexpr int kStallMs = 1000;
    static constexpr int kHangMs = 10000;

    LoopWatchdog(ActionLog& log, std::function<void(double gapMs)> onStall);
    ~LoopWatchdog();

    void start();
    void stop();
    double longestGapMs() const { return longestGapMs_; }

private:
    void tick();
    void watch();

    ActionLog& log_;
    std::function<void(double)> onStall_;
    QTimer timer_;
    QElapsedTimer clock_;
    double lastTickMs_ = -1;
    double longestGapMs_ = 0;
    std::atomic<qint64> lastTurnMs_{0};
    std::atomic<bool> watching_{false};
    std::thread watcher_;
};
