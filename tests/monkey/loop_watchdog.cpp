#include "loop_watchdog.h"

#include "action_log.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

LoopWatchdog::LoopWatchdog(ActionLog& log, std::function<void(double)> onStall)
    : log_(log), onStall_(std::move(onStall)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    QObject::connect(&timer_, &QTimer::timeout, [this] { tick(); });
}

LoopWatchdog::~LoopWatchdog() {
    stop();
}

void LoopWatchdog::start() {
    clock_.start();
    lastTickMs_ = -1;
    lastTurnMs_ = 0;
    timer_.start();
    watching_ = true;
    watcher_ = std::thread([this] { watch(); });
}

void LoopWatchdog::stop() {
    timer_.stop();
    watching_ = false;
    if (watcher_.joinable())
        watcher_.join();
}

void LoopWatchdog::tick() {
    const double now = static_cast<double>(clock_.nsecsElapsed()) / 1e6;
    lastTurnMs_ = static_cast<qint64>(now);
    if (lastTickMs_ >= 0) {
        const double gap = now - lastTickMs_;
        if (gap > longestGapMs_)
            longestGapMs_ = gap;
        if (gap > kStallMs && onStall_)
            onStall_(gap);
    }
    lastTickMs_ = now;
}

void LoopWatchdog::watch() {
    while (watching_) {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        if (clock_.elapsed() - lastTurnMs_ < kHangMs)
            continue;
        // The stack first; the abort then prints the actions (ActionLog::reportOnCrash).
        log_.note(QStringLiteral("the event loop has not turned for %1 s").arg(kHangMs / 1000));
        std::fprintf(stderr, "\nMONKEY HANG: the event loop has not turned for %d s\n",
                     kHangMs / 1000);
        std::fflush(stderr);
        const std::string command = "gdb -p " + std::to_string(getpid()) +
                                    " -batch -ex 'thread apply 1 bt 60' 1>&2 2>/dev/null";
        std::system(command.c_str());
        std::abort();
    }
}
