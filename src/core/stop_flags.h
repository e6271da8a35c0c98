#pragma once

// The cooperative cancellation flags of the suite. True means "not running" or
// "stop now". Click handlers only set these; the long-running loops (radio waits,
// acquisition, playback, network query) test them at their next check.
struct StopFlags {
    bool StopRequested = false;      // ends the acquisition loop and every retry loop
    bool ApplicationClosing = false; // set while the main window closes: every wait ends at once
    bool HopBinStopped = true;       // hop bin analyzer not acquiring
    bool SpectrumStopped = true;     // spectrum analyzer not acquiring
    bool QueryStopRequested = true;  // no network query running
    bool PingTestStopped = true;     // no ping test running
    // The user asked to close the program while something ran: every loop ends,
    // nothing retries, and the close goes on once the stack has unwound.
    bool CloseRequested = false;

    // How many radio operations are on the stack: an acquisition run, a network
    // query, a radio selection, a change of link. A handler that runs inside one of
    // their waits must not start another (the bytes would interleave); it records
    // what the user wants, or is refused, while this is not zero.
    int RadioOperations = 0;
    bool radioInUse() const { return RadioOperations > 0; }

    // Every tool told to stop (or marked as not running).
    void stopTools() {
        QueryStopRequested = true;
        PingTestStopped = true;
        SpectrumStopped = true;
        HopBinStopped = true;
    }
    // The tools and the acquisition loop: a link that has become unusable, Stop.
    void stopAllTools() {
        StopRequested = true;
        stopTools();
    }
};

// Marks a radio operation for as long as it is in scope.
class RadioOperation {
public:
    explicit RadioOperation(StopFlags& flags) : flags_(flags) { ++flags_.RadioOperations; }
    ~RadioOperation() { --flags_.RadioOperations; }
    RadioOperation(const RadioOperation&) = delete;
    RadioOperation& operator=(const RadioOperation&) = delete;

private:
    StopFlags& flags_;
};
