#pragma once

#include <functional>

struct StopFlags;

// The one way the suite waits. The program has a single thread: radio bytes,
// timer ticks and the user's clicks all arrive as events, so a wait runs the
// event loop until its condition holds. It blocks while there is nothing to do
// (QEventLoop::WaitForMoreEvents) and never spins the CPU; whatever the wait
// depends on in time must therefore be a running timer.
class EventWait {
public:
    explicit EventWait(const StopFlags& flags) : flags_(flags) {}

    // Runs the event loop until done() holds. Returns false at once when the
    // program is closing (ApplicationClosing), true when done() held.
    bool until(const std::function<bool()>& done) const;

    // Handles the events that are pending without blocking: "give the user
    // interface one turn" inside a loop that has more work to do.
    void yieldOnce() const;

    // Blocks until at least one event has been handled (or handles the pending
    // ones): the turn of a loop that has nothing to do until something arrives.
    void waitForEvent() const;

private:
    const StopFlags& flags_;
};
