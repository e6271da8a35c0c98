// Ties the radio model to a transport, the line pacer, the fault injector and the
// control channel, and runs the event loop.
#pragma once

#include "control_channel.h"
#include "fault_injector.h"
#include "line_pacer.h"
#include "options.h"
#include "output_queue.h"
#include "radio_model.h"
#include "transport.h"

#include <csignal>
#include <deque>
#include <memory>

namespace rm7700emu {

// Monotonic clock reading.
Nanos monotonicNow();

class Emulator {
public:
    Emulator(const Options& options, std::unique_ptr<Transport> transport, Nanos start);

    // Runs until "quit", a termination signal (see requestStop) or, with
    // --exit-on-eof, the end of stdin. Returns the exit code.
    int run();

    std::string endpoint() const { return transport_->endpoint(); }

    // See OutputQueue::setWriteLead.
    void setWriteLead(Nanos lead);

    // Set from a signal handler.
    static void requestStop() { stopRequested_ = 1; }

private:
    struct Recorded {
        Bytes bytes;
        void append(const Bytes& more);
        Bytes take();
    };

    void pollOnce();
    void processDue(Nanos now);
    void routeModelOutput();
    void flushOutput(Nanos now);
    void onReceived(const Bytes& bytes, Nanos now);
    void handleControlLine(const std::string& line);
    std::string execute(const ControlCommand& command);
    void dropLink(Nanos now, Nanos comeBackAfter);
    void restoreLink(Nanos now);
    Nanos nextDeadline() const;
    void log(const char* direction, const Bytes& bytes, Nanos now) const;
    void logEvent(const std::string& text, Nanos now) const;
    static void writeStdout(const std::string& line);

    Options options_;
    std::unique_ptr<Transport> transport_;
    Nanos start_;
    RadioModel model_;
    LinePacer pacer_;
    OutputQueue queue_;
    FaultInjector faults_;
    LineReader stdinReader_;
    bool stdinOpen_ = true;
    bool quit_ = false;
    bool silent_ = false;

    std::deque<std::pair<std::uint8_t, Nanos>> arriving_; // bytes still on the wire
    Recorded received_;
    Recorded sent_;

    Nanos restoreAt_ = kNever;    // when a dropped link comes back
    Nanos randomDropAt_ = kNever; // next random link drop (with --fault-rate)

    static volatile std::sig_atomic_t stopRequested_;
};

} // namespace rm7700emu
