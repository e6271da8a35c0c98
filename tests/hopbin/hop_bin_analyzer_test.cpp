// The hop bin analyzer against the emulated radio over a pseudo-terminal: setting the
// radio up for a run, reading the report stream (out-of-step bytes, split reports,
// silence, pause), the redraws and ending a run.

#include "core/number_text.h"
#include "hopbin/hop_bin_analyzer.h"
#include "recording/recorder.h"
#include "support/cpu_time.h"
#include "support/suite_fixture.h"

#include <QThread>
#include <regex>

// The hop bin analyzer of a suite on a fresh emulated radio, playing "Real-Time".
class HopBinAnalyzerTest : public SuiteOnEmulator {
protected:
    void startRadio(int reportRate = -1) { // -1: the emulator's own rate
        startLink(Transport::Pty, reportRate < 0
                                      ? QStringList()
                                      : QStringList{"--report-rate", QString::number(reportRate)});
        ASSERT_FALSE(HasFatalFailure());
        data().ResetHopBins(suite->settings.Amplitude);
        suite->hopBinDisplay.LayoutHopBinWindow();
        suite->recorder.TransportMode = Recorder::Playing;
        suite->flags.HopBinStopped = false;
    }

    void inject(const char* hex) {
        ASSERT_EQ(emulator.command(QStringLiteral("inject ") + QLatin1String(hex)), "ok");
    }
    // Injects and waits until the suite has received `size` bytes.
    void injectAndReceive(const char* hex, qsizetype size) {
        inject(hex);
        ASSERT_TRUE(runEventsUntil([&] { return suite->link.ReceiveBuffer.size() >= size; }));
    }

    HopBinData& data() { return suite->hopBinData; }
};

// --- one report at a time ------------------------------------------------------

TEST_F(HopBinAnalyzerTest, OutOfStepBytesBinsBeyondTheTableSplitReportsSilenceAndPause) {
    // A radio in bin report mode that sends no reports of its own: the test injects
    // exactly the bytes it wants on the line.
    ASSERT_NO_FATAL_FAILURE(startRadio(0));
    suite->modes.ChangeRadioState(ModeProtocol::BinReport, false);
    ASSERT_EQ(suite->modes.RadioState, ModeProtocol::BinReport);
    runEventsFor(20);
    emulator.takeReceived();
    suite->link.ReceiveBuffer.clear();
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("41 CC 03 80 80 CC 32 80 80 CC 31", 11));
    suite->hopBins.ProcessBinReport();
    EXPECT_TRUE(suite->link.ReceiveBuffer.size() == 10 && data().TotalReports == 0);
    suite->hopBins.ProcessBinReport();
    EXPECT_EQ(std::pair(data().HopBins[3][kRemoteSide].Current, data().HopBins[3][kPcSide].Current),
              std::pair(-76.84f, -76.84f));
    suite->hopBins.ProcessBinReport(); // the radio hops over bins 0..49 only
    EXPECT_EQ(suite->hopBins.RejectedReports, 1);
    // The rest of a report arriving later is waited for.
    QTimer::singleShot(150, &scope, [this] { inject("FF 00"); });
    suite->hopBins.ProcessBinReport();
    EXPECT_EQ(std::tuple(data().TotalReports, data().HopBins[49][kRemoteSide].Current,
                         data().HopBins[49][kPcSide].Current, data().CurrentBin),
              std::tuple(2.0f, -104.78f, -48.68f, 49));
    EXPECT_TRUE(suite->link.ReceiveBuffer.isEmpty());
    // A silent radio times out after the command period, sleeping on the event loop.
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds();
    suite->hopBins.ProcessBinReport();
    EXPECT_TRUE(clock.elapsed() >= 950 && clock.elapsed() < 1500) << clock.elapsed();
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.1);
    EXPECT_TRUE(suite->modes.CommandTimedOut);
    EXPECT_EQ(data().TotalReports, 2.0f);
    // The radio is still recorded in bin report mode: the dropped byte sent nothing.
    EXPECT_TRUE((runEventsFor(20), emulator.takeReceived()).isEmpty());

    // Paused live play drains the reports unread.
    suite->recorder.TransportMode = Recorder::PlayingPaused;
    const HopBinData before = data();
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("CC 05 FF 00 CC 06 80 80", 8));
    suite->hopBins.ProcessBinReport();
    suite->hopBins.ProcessBinReport();
    EXPECT_TRUE(suite->link.ReceiveBuffer.isEmpty());
    EXPECT_EQ(data(), before);
    // A paused recording leaves the report on the line and sleeps until the idle
    // recheck, or until the recording resumes.
    suite->recorder.TransportMode = Recorder::RecordingPaused;
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("CC 05 FF 00", 4));
    clock.start();
    suite->hopBins.ProcessBinReport();
    EXPECT_GE(clock.elapsed(), HopBinAnalyzer::kIdleRecheckMs - 50);
    EXPECT_TRUE(suite->link.ReceiveBuffer.size() == 4 && data() == before);
    QTimer::singleShot(50, &scope, [this] { suite->recorder.TransportMode = Recorder::Recording; });
    clock.start();
    suite->hopBins.ProcessBinReport();
    EXPECT_LT(clock.elapsed(), HopBinAnalyzer::kIdleRecheckMs);
}

// --- whole runs ----------------------------------------------------------------
TEST_F(HopBinAnalyzerTest, RunStartPollsUntilSyncEntersBinReportModeAndStopEndsIt) {
    ASSERT_NO_FATAL_FAILURE(startRadio());
    ASSERT_EQ(emulator.command(QStringLiteral("sync 0")), QStringLiteral("ok"));
    QTimer::singleShot(450, &scope, [this] { emulator.command(QStringLiteral("sync 1")); });
    QElapsedTimer clock;
    clock.start();
    stopAfter(1300);
    suite->hopBins.AcquireBinReports(0);
    EXPECT_LT(clock.elapsed(), 1700);
    EXPECT_GT(data().TotalReports, 30.0f); // 100 reports a second once in sync
    // At this rate every report is drawn: the meter's last figures are the final ones.
    EXPECT_EQ(surfaces.meter.texts().back(),
              QStringLiteral("Total: ") + shortestText(data().TotalReports));
    EXPECT_TRUE(
        surfaces.meter.findText(QStringLiteral("Missed Bins: ") + shortestText(data().MissedBins)));

    // "AT+++" CR into command mode; through about 450 ms without sync a sync poll
    // (CC 00 00) every 100 ms, not back to back; then bin report mode: CC "ATO" CR,
    // "AT+++" CR, CC 8F 01.
    const std::string hex = (runEventsFor(20), emulator.takeReceived()).toHex(' ').toStdString();
    EXPECT_TRUE(std::regex_match(hex, std::regex("41 54 2b 2b 2b 0d( cc 00 00){3,8} cc 41 54 4f 0d "
                                                 "41 54 2b 2b 2b 0d cc 8f 01")))
        << hex;
    EXPECT_TRUE(surfaces.hopBin.findText(QStringLiteral("Status: Finding Sync")));
    EXPECT_EQ(status.texts.last(), QStringLiteral("Radio State: Bin Report Mode"));
}

TEST_F(HopBinAnalyzerTest, ClosingTheWindowEndsAWaitForASilentRadioAtOnce) {
    ASSERT_NO_FATAL_FAILURE(startRadio(0));
    QElapsedTimer stoppedAt;
    QTimer::singleShot(300, &scope, [&] {
        suite->flags.HopBinStopped = true;
        stoppedAt.start();
    });
    suite->hopBins.AcquireBinReports(0);
    EXPECT_TRUE(stoppedAt.isValid() && stoppedAt.elapsed() < 100);
    EXPECT_FALSE(suite->modes.commandTimerActive());
}

TEST_F(HopBinAnalyzerTest, CycleLimitEndsTheRunAfterPassesOfTheHopPattern) {
    ASSERT_NO_FATAL_FAILURE(startRadio(500));
    stopAfter(5000); // safety net
    suite->hopBins.AcquireBinReports(2);
    EXPECT_TRUE(suite->flags.HopBinStopped && !suite->flags.StopRequested);
    // The first bin other than 0 starts the first pass; the radio visits every bin
    // once per pass, so the second ends back on it after one more pass.
    EXPECT_EQ(data().CurrentBin, data().CycleStartBin);
    EXPECT_TRUE(data().TotalReports >= 50 && data().TotalReports <= 51) << data().TotalReports;
}

// --- redraws -------------------------------------------------------------------

TEST_F(HopBinAnalyzerTest, EachRunDrawsTheChartAndTheMeterCaptionsShowTheOtherFigure) {
    ASSERT_NO_FATAL_FAILURE(startRadio(0));
    const std::tuple<std::int32_t, const char*, QStringList> runs[] = {
        // Only bin 0 seen: the chart but no meter.
        {0, "CC 00 80 80", {}},
        // Bin 4 heard at -76.84 dBm, bin 0 missed at the remote end.
        {0, "CC 00 FF 80 CC 04 80 80", {"Missed Bins: 1", "Total: 2", "Percentage Good: 50.0%"}},
        // Bins 0 and 4 average -96.552 dBm on both sides after one report, bins 1 to 3
        // still -105: (4 x -96.552 + 6 x -105) / 10.
        {1, "CC 00 80 80 CC 04 80 80", {"Average RSSI: -101.6 dBm", "Total: 2"}}};
    for (const auto& [meterType, reports, captions] : runs) {
        SCOPED_TRACE(reports);
        suite->settings.MeterType[0] = meterType;
        data().ResetHopBins(suite->settings.Amplitude);
        surfaces.hopBin.reset();
        surfaces.meter.reset();
        suite->flags.HopBinStopped = false;
        QTimer::singleShot(200, &scope, [this, r = reports] { inject(r); });
        QTimer::singleShot(500, &scope, [this] { suite->flags.HopBinStopped = true; });
        suite->hopBins.AcquireBinReports(0);
        EXPECT_FALSE(surfaces.hopBin.ops().empty());
        EXPECT_EQ(surfaces.meter.ops().empty(), captions.isEmpty());
        for (const QString& caption : captions)
            EXPECT_TRUE(surfaces.meter.findText(caption)) << caption.toStdString();
    }
}

TEST_F(HopBinAnalyzerTest, ABacklogIsWorkedOffWithFewerRedraws) {
    // Sixty reports at once, and a meter that takes 30 ms to draw: longer than the
    // shortest interval between pictures, so only skipping redraws keeps up.
    QByteArray hex;
    for (int i = 0; i < 60; ++i)
        hex += "CC " + QByteArray::number(1 + i % 49, 16).rightJustified(2, '0') + " 80 80 ";
    ASSERT_NO_FATAL_FAILURE(startRadio(0));
    int meterDraws = 0;
    suite->meter.onDraw = [&meterDraws] {
        ++meterDraws;
        QThread::msleep(30);
    };
    QTimer::singleShot(200, &scope, [this, &hex] { inject(hex.constData()); });
    // Ends the run once all have come in; a stop after 10 s as a safety net.
    auto* poll = new QTimer(&scope);
    QObject::connect(poll, &QTimer::timeout,
                     [this] { suite->flags.HopBinStopped = data().TotalReports >= 60; });
    poll->start(10);
    stopAfter(10000);
    suite->hopBins.AcquireBinReports(0);
    EXPECT_EQ(data().TotalReports, 60.0f);
    EXPECT_TRUE(meterDraws >= 2 && meterDraws < 20) << meterDraws;
}
