#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <cstdint>
#include <optional>

struct Settings;
struct StopFlags;
class Recorder;
struct HopBinData;
class EventWait;
class RadioLink;
class ModeProtocol;
class LinkStatusDisplay;
class HopBinDisplay;
class LinkQualityMeter;

// One run of the hop bin analyzer: brings the radio into bin report mode (AT command
// mode, link status polled until the radio reports sync), then reads the 4-byte
// reports 0xCC, bin, remote RSSI, PC RSSI from the receive buffer and folds each
// into the statistics, redrawing the display and the meter every few reports.
class HopBinAnalyzer {
public:
    HopBinAnalyzer(HopBinData& data, const Settings& settings, StopFlags& flags,
                   const EventWait& wait, RadioLink& link, ModeProtocol& modes,
                   LinkStatusDisplay& status, Recorder& recorder, HopBinDisplay& display,
                   LinkQualityMeter& meter);

    // The number in the network window's retries box: this many consecutive missed
    // remote readings count as one missed bin. The window keeps it current (a box
    // that does not hold a number gives the "Retries" setting).
    int RetriesInBox = 1;

    // Reports whose bin number is 50 or more, and played-back records with a bin
    // outside 0..49 or a level that is not a number: never applied, counted here
    // (while paused nothing is looked at, so nothing is counted either).
    std::int64_t RejectedReports = 0;

    // Runs until HopBinStopped or StopRequested; with a cycleLimit other than 0,
    // ends after that many passes of the hop pattern.
    void AcquireBinReports(int cycleLimit);
    // Obtains one report (from the radio or, during playback, from the recording)
    // and applies it.
    void ProcessBinReport();

    // While the radio is still finding sync its link status is asked for at this
    // period: sync takes seconds, and a radio polled back to back would keep the
    // line and the processor busy for nothing.
    static constexpr int kStatusPollIntervalMs = 100;
    // With nothing to read (recording paused, playback paused, idle) a report call
    // waits at most this long for the transport mode or a stop flag to change.
    static constexpr int kIdleRecheckMs = 250;

private:
    struct Reading {
        int bin = 0;
        float remote = 0; // dBm, before clamping
        float pc = 0;
    };
    enum class Source { Live, Playback, Nothing };

    Source dataSource() const;
    // Set-up of a live run: AT command mode, link status polled until the radio is
    // in sync, bin report mode. False when the run was stopped meanwhile.
    bool enterBinReportMode();
    // Waits for the next report at the head of the receive buffer and removes it.
    // Nothing is returned for a time-out, a dropped byte, a stop, a paused transport
    // or a bin outside the table.
    std::optional<Reading> readLiveReport();
    // Playback: the next record of the selected recording, paced like the recorded
    // run. Nothing when stopped, at the end, or for a record that cannot be applied.
    std::optional<Reading> readPlaybackRecord();
    // Lets the event loop run until `source` is no longer the data source, a stop
    // flag is raised or kIdleRecheckMs have passed.
    void waitWhileNothingToRead(Source source);
    // Redraws now, or as soon as the shortest interval between two pictures is over.
    void requestRedraw();
    void redrawNow();
    // Redraws the hop bin display and, once a bin above 0 has been seen, the meter.
    void redraw();

    HopBinData& data_;
    const Settings& settings_;
    StopFlags& flags_;
    const EventWait& wait_;
    RadioLink& link_;
    ModeProtocol& modes_;
    LinkStatusDisplay& status_;
    Recorder& recorder_;
    HopBinDisplay& display_;
    LinkQualityMeter& meter_;
    QTimer pauseTimer_;        // single shot: paces status polls and bounds idle waits
    QTimer pendingRedraw_;     // a redraw that fell due too soon after the last one
    QElapsedTimer lastRedraw_; // when the picture was last redrawn
};
