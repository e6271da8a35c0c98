#pragma once

#include <functional>

struct StopFlags;

// The one way the suite waits. The program has a single thread: radio bytes,
// timer ticks and the user's clicks all arrive as events, so a wait runs the
// event loop until its condition holds. It blocks while there is nothing to do
// (QEventLoop::WaitForMoreEvents) and never spins the CPU; whatever the wait
// depends on in time must therefore be a running timer.
//
// Every handler of a click, key, close or activation may run inside one of these
// waits. The wait counts how deeply it is nested, so that owners of windows can
// tell whether something below them on the stack may still use what they would
// destroy (depth() > 0), and put the destruction off until it is 0.
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

    // How many waits (and other nested event loops that declared themselves with
    // Nested) are running below the caller.
    int depth() const { return depth_; }

    // Declares a nested event loop of another kind (a modal dialog) for depth().
    class Nested {
    public:
        explicit Nested(const EventWait& wait) : wait_(wait) { ++wait_.depth_; }
        ~Nested() { --wait_.depth_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;

    private:
        const EventWait& wait_;
    };

private:
    const StopFlags& flags_;
    mutable int depth_ = 0;
};
