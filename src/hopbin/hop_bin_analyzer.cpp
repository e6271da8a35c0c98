#include "hopbin/hop_bin_analyzer.h"

#include "core/event_wait.h"
#include "core/number_text.h"
#include "recording/recorder.h"
#include "core/settings.h"
#include "core/stop_flags.h"
#include "hopbin/bin_report_stream.h"
#include "hopbin/hop_bin_data.h"
#include "hopbin/hop_bin_display.h"
#include "hopbin/link_quality_meter.h"
#include "link/link_status_display.h"
#include "link/mode_protocol.h"
#include "link/radio_commands.h"
#include "link/radio_link.h"

#include <cmath>

namespace {
// Link status request of AT command mode; the radio answers 0xCC 0x00 and a status
// byte: 0x00 or 0x01 when its link is in sync, anything else while it is finding
// sync.
const QByteArray kStatusRequest = radio::bytes({radio::kLead, 0x00, 0x00});
constexpr qsizetype kStatusAnswerSize = 3;

// The display is redrawn after every (skip limit + 1)-th report. The limit grows by
// one whenever more than (limit + 1) x this many bytes (about five reports) are
// waiting, and shrinks by one whenever nothing is waiting, so the statistics keep up
// with the radio however slowly the screen draws.
constexpr qsizetype kRedrawBacklogBytes = 21;

// The skip limit keeps the statistics up with the radio; on top of it the picture is
// redrawn at most this often (40 times a second, more than anyone can follow). A
// redraw that falls due sooner is made when the interval is over.
constexpr int kMinRedrawIntervalMs = 25;

constexpr int kNoMeter = -1;
} // namespace

HopBinAnalyzer::HopBinAnalyzer(HopBinData& data, const Settings& settings, StopFlags& flags,
                               const EventWait& wait, RadioLink& link, ModeProtocol& modes,
                               LinkStatusDisplay& status, Recorder& recorder,
                               HopBinDisplay& display, LinkQualityMeter& meter)
    : data_(data), settings_(settings), flags_(flags), wait_(wait), link_(link), modes_(modes),
      status_(status), recorder_(recorder), display_(display), meter_(meter) {
    pauseTimer_.setSingleShot(true);
    pendingRedraw_.setSingleShot(true);
    QObject::connect(&pendingRedraw_, &QTimer::timeout, [this] {
        if (!flags_.HopBinStopped)
            redrawNow();
    });
}

// Where the reports come from, decided anew for every call: the radio while
// recording or while playing the "Real-Time" source (also when paused, so that the
// stream keeps being drained), the selected recording while playing a file, and
// nothing while recording is paused or nothing is going on.
HopBinAnalyzer::Source HopBinAnalyzer::dataSource() const {
    if (recorder_.liveFromRadio())
        return Source::Live;
    if (recorder_.playingBack())
        return Source::Playback;
    return Source::Nothing;
}

void HopBinAnalyzer::AcquireBinReports(int cycleLimit) {
    display_.PaintHopBinDisplay(false);
    if (dataSource() == Source::Live) {
        if (!enterBinReportMode())
            return;
    } else {
        // Nothing to set up on the radio.
        status_.LinkStatus = 0;
        recorder_.PlaybackTick = false;
    }

    int skipCounter = 0;
    int skipLimit = 0;
    int cycleCount = 0;
    while (!flags_.HopBinStopped && !flags_.StopRequested && !flags_.ApplicationClosing) {
        ProcessBinReport();
        if (flags_.HopBinStopped)
            return;
        // The port went away under the run (a pulled adapter): reports cannot come,
        // and the run ends so that the caller's next command reports it.
        if (!link_.PortIsOpen && dataSource() == Source::Live)
            break;

        if (skipCounter < skipLimit) {
            ++skipCounter;
        } else {
            requestRedraw();
            skipCounter = 0;
        }

        const qsizetype backlog = link_.ReceiveBuffer.size();
        if (backlog > (skipLimit + 1) * kRedrawBacklogBytes)
            ++skipLimit;
        else if (backlog == 0 && skipLimit != 0)
            --skipLimit;

        // A pass of the hop pattern ends each time the radio is back on the bin where
        // the first pass began.
        if (cycleLimit != 0 && data_.CurrentBin == data_.CycleStartBin)
            ++cycleCount;
        if (cycleLimit != 0 && cycleCount == cycleLimit)
            flags_.HopBinStopped = true;

        // One turn for the user interface; when no report is waiting, the next
        // ProcessBinReport blocks on the event loop until one arrives.
        wait_.yieldOnce();
    }
    // A run that ends shows its last figures.
    if (pendingRedraw_.isActive() && !flags_.HopBinStopped && !flags_.ApplicationClosing)
        redrawNow();
    pendingRedraw_.stop();
}

bool HopBinAnalyzer::enterBinReportMode() {
    modes_.ChangeRadioState(ModeProtocol::AtCommand, false);
    if (flags_.StopRequested)
        return false;

    // Bin reports only make sense once the radio hears the other end: poll its link
    // status until it reports sync. 4 shows nothing until the first answer.
    status_.LinkStatus = 4;
    while (status_.LinkStatus != 0) {
        if (flags_.HopBinStopped || flags_.ApplicationClosing)
            return false;
        modes_.ExchangeCommand(kStatusRequest, false, false, QByteArray(), kStatusAnswerSize, false,
                               false);
        QByteArray& received = link_.ReceiveBuffer;
        if (received.size() >= kStatusAnswerSize &&
            static_cast<unsigned char>(received.at(0)) == radio::kLead) {
            const auto linkByte = static_cast<unsigned char>(received.at(2));
            status_.LinkStatus = (linkByte == 0x00 || linkByte == 0x01) ? 0 : 1;
            received.remove(0, kStatusAnswerSize);
        } else {
            // No usable answer: the radio may have dropped out of AT command mode.
            status_.LinkStatus = 2;
            modes_.ChangeRadioState(ModeProtocol::AtCommand, false);
        }
        // Show "Status: Finding Sync" (or the failure text) as soon as it changes;
        // the successful exchange itself has just shown "Status: Normal".
        if (status_.LinkStatus != status_.PreviousLinkStatus)
            status_.ShowHopBinLinkStatus();

        if (status_.LinkStatus != 0) {
            pauseTimer_.start(kStatusPollIntervalMs);
            wait_.until([this] {
                return !pauseTimer_.isActive() || flags_.StopRequested || flags_.HopBinStopped;
            });
            pauseTimer_.stop();
        } else {
            wait_.yieldOnce();
        }
        if (flags_.StopRequested)
            return false;
    }

    if (flags_.HopBinStopped)
        return false;
    modes_.ChangeRadioState(ModeProtocol::BinReport, false);
    return true;
}

void HopBinAnalyzer::ProcessBinReport() {
    modes_.CommandTimedOut = false;

    std::optional<Reading> reading;
    const Source source = dataSource();
    if (source == Source::Live) {
        reading = readLiveReport();
    } else if (source == Source::Playback) {
        reading = readPlaybackRecord();
    } else {
        // Paused: let the user interface run until that changes.
        waitWhileNothingToRead(source);
        return;
    }

    if (!reading || flags_.HopBinStopped)
        return;
    const std::int32_t mode = recorder_.TransportMode;
    if (mode != Recorder::Recording && mode != Recorder::Playing)
        return;

    data_.ApplyReport(reading->bin, reading->remote, reading->pc, settings_.Amplitude,
                      RetriesInBox);
    if (mode == Recorder::Recording) {
        // The levels as applied, after clamping: played back, they give the same
        // statistics again.
        const auto& stats = data_.HopBins[static_cast<std::size_t>(reading->bin)];
        recorder_.RecordPoint(reading->bin, stats[kRemoteSide].Current, stats[kPcSide].Current);
    }
}

std::optional<HopBinAnalyzer::Reading> HopBinAnalyzer::readPlaybackRecord() {
    const std::optional<FileVar> record = recorder_.NextPlaybackRecord([this] {
        return flags_.HopBinStopped || flags_.StopRequested || flags_.ApplicationClosing;
    });
    if (!record)
        return std::nullopt;
    link_.ReceiveBuffer.clear();
    recorder_.showPosition();
    // A *.ban record holds the hop bin and the remote and PC levels in dBm. Anything
    // else in a file (another kind of recording, damage) is passed over.
    if (record->ItemIndex < 0 || record->ItemIndex >= kHopBinCount ||
        !std::isfinite(record->ValueA) || !std::isfinite(record->ValueB)) {
        ++RejectedReports;
        return std::nullopt;
    }
    return Reading{record->ItemIndex, record->ValueA, record->ValueB};
}

std::optional<HopBinAnalyzer::Reading> HopBinAnalyzer::readLiveReport() {
    QByteArray& received = link_.ReceiveBuffer;

    // The radio sends a report on every hop, so one is normally waiting or about to
    // arrive. Block on the event loop (received bytes are events) until the head of
    // the buffer can be dealt with; the command timer bounds the wait at 1000 ms.
    modes_.startCommandTimer();
    const bool open = wait_.until([&] {
        return reportHeadDecidable(received) || modes_.CommandTimedOut || flags_.HopBinStopped ||
               !link_.PortIsOpen;
    });
    modes_.stopCommandTimer();
    if (!open)
        return std::nullopt; // the program is closing
    if (!modes_.CommandTimedOut && !reportHeadDecidable(received))
        return std::nullopt; // stopped while waiting, or the port went away

    if (!modes_.CommandTimedOut && static_cast<unsigned char>(received.at(0)) != radio::kLead) {
        // Out of step (a byte lost or corrupted on the line): drop one byte and treat
        // the call like a time-out, so that the stream realigns a byte per call.
        takeReportFromHead(received);
        modes_.CommandTimedOut = true;
    }
    if (modes_.CommandTimedOut) {
        // No report in time: make sure the radio is still in bin report mode. While
        // the mode record says so, this sends nothing.
        if (!flags_.HopBinStopped)
            modes_.ChangeRadioState(ModeProtocol::BinReport, false);
        return std::nullopt;
    }

    const ReportHead head = takeReportFromHead(received);
    // Paused: the report is taken off the line and forgotten.
    if (recorder_.paused())
        return std::nullopt;
    if (head.report.bin >= kHopBinCount) {
        // The radio hops over bins 0..49 only; anything else is a corrupted report.
        ++RejectedReports;
        return std::nullopt;
    }
    return Reading{head.report.bin, RssiByteToDbm(head.report.remoteRssi),
                   RssiByteToDbm(head.report.pcRssi)};
}

void HopBinAnalyzer::waitWhileNothingToRead(Source source) {
    // Nothing changes until the user presses a button (an event) or the wait bound
    // runs out, so the loop sleeps instead of asking again and again.
    pauseTimer_.start(kIdleRecheckMs);
    wait_.until([&] {
        return !pauseTimer_.isActive() || flags_.HopBinStopped || flags_.StopRequested ||
               dataSource() != source;
    });
    pauseTimer_.stop();
}

void HopBinAnalyzer::requestRedraw() {
    if (!lastRedraw_.isValid() || lastRedraw_.elapsed() >= kMinRedrawIntervalMs) {
        redrawNow();
    } else if (!pendingRedraw_.isActive()) {
        pendingRedraw_.start(static_cast<int>(kMinRedrawIntervalMs - lastRedraw_.elapsed()));
    }
}

void HopBinAnalyzer::redrawNow() {
    pendingRedraw_.stop();
    lastRedraw_.start();
    redraw();
}

void HopBinAnalyzer::redraw() {
    // With only bin 0 (or nothing) seen there is no figure worth a needle yet.
    if (data_.HighestBin == 0) {
        display_.PaintHopBinDisplay(false);
        return;
    }
    const double average = data_.AverageRssi();
    const double fraction = data_.PercentageGood();
    const QString title = QStringLiteral("Hop Bin Analyzer");
    const QString missed = QStringLiteral("Missed Bins: ") + shortestText(data_.MissedBins);
    const QString total = QStringLiteral("Total: ") + shortestText(data_.TotalReports);
    const std::int32_t test = settings_.MeterTest;
    const std::int32_t meterType = (test == 0 || test == 1) ? settings_.MeterType[test] : kNoMeter;

    // The needle shows the figure of the chosen meter; the caption line the other one.
    if (meterType == 0) {
        float value = static_cast<float>(average);
        meter_.DrawMeter(0, value, title, missed, total,
                         QStringLiteral("Percentage Good: ") + formatPercent(fraction));
    } else if (meterType == 1) {
        float value = static_cast<float>(fraction * 100.0);
        meter_.DrawMeter(0, value, title, missed, total,
                         QStringLiteral("Average RSSI: ") + formatOneDecimal(average) +
                             QStringLiteral(" dBm"));
    }
    display_.PaintHopBinDisplay(false);
}
