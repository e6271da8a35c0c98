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
