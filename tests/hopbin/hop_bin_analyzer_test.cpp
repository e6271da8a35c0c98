// The hop bin analyzer against the emulated radio over a pseudo-terminal: setting the
// radio up for a run, reading the report stream (out-of-step bytes, split reports,
// silence, pause), the redraws and ending a run.

#include "core/number_text.h"
#include "hopbin/hop_bin_analyzer.h"
#include "hopbin/hop_bin_data.h"
#include "hopbin/hop_bin_display.h"
#include "hopbin/link_quality_meter.h"
#include "link/radio_commands.h"
#include "recording/recorder.h"
#include "support/cpu_time.h"
#include "support/suite_fixture.h"

#include <QThread>

using radio::bytes;

// The hop bin analyzer of a suite on a fresh emulated radio, playing "Real-Time".
class HopBinAnalyzerTest : public SuiteOnEmulator {
protected:
    void startRadio(int reportRate = -1) { // -1: the emulator's own rate
        startLink(Transport::Pty, reportRate < 0 ? QStringList()
                                                 : QStringList{QStringLiteral("--report-rate"),
                                                               QString::number(reportRate)});
        ASSERT_FALSE(HasFatalFailure());
        analyzer = &suite->hopBins;
        data().ResetHopBins(suite->settings.Amplitude);
        suite->hopBinDisplay.LayoutHopBinWindow();
        suite->recorder.TransportMode = Recorder::Playing;
        suite->flags.HopBinStopped = false;
    }

    // A radio in bin report mode that sends no reports of its own: the test injects
    // exactly the bytes it wants on the line.
    void startQuietBinReportRadio() {
        startRadio(0);
        ASSERT_FALSE(HasFatalFailure());
        suite->modes.ChangeRadioState(ModeProtocol::BinReport, false);
        ASSERT_EQ(suite->modes.RadioState, ModeProtocol::BinReport);
        runEventsFor(20);
        emulator.takeReceived();
        suite->link.ReceiveBuffer.clear();
    }

    void inject(const char* hex) {
        ASSERT_EQ(emulator.command(QStringLiteral("inject ") + QLatin1String(hex)), "ok");
    }
    // Injects and waits until the suite has received `size` bytes.
    void injectAndReceive(const char* hex, qsizetype size) {
        inject(hex);
        ASSERT_TRUE(runEventsUntil([&] { return suite->link.ReceiveBuffer.size() >= size; }));
    }

    HopBinAnalyzer* analyzer = nullptr;
    HopBinData& data() { return suite->hopBinData; }
};

// --- one report at a time ------------------------------------------------------

TEST_F(HopBinAnalyzerTest, OutOfStepBytesBinsBeyondTheTableSplitReportsSilenceAndPause) {
    ASSERT_NO_FATAL_FAILURE(startQuietBinReportRadio());
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("41 CC 03 80 80 CC 32 80 80 CC 31", 11));
    analyzer->ProcessBinReport();
    EXPECT_EQ(suite->link.ReceiveBuffer.size(), 10);
    EXPECT_EQ(data().TotalReports, 0.0f);
    analyzer->ProcessBinReport();
    EXPECT_EQ(data().HopBins[3][kRemoteSide].Current, -76.84f);
    EXPECT_EQ(data().HopBins[3][kPcSide].Current, -76.84f);
    analyzer->ProcessBinReport(); // the radio hops over bins 0..49 only
    EXPECT_EQ(analyzer->RejectedReports, 1);
    // The rest of a report arriving later is waited for.
    QTimer::singleShot(150, &scope, [this] { inject("FF 00"); });
    analyzer->ProcessBinReport();
    EXPECT_EQ(data().TotalReports, 2.0f);
    EXPECT_EQ(data().HopBins[49][kRemoteSide].Current, -104.78f);
    EXPECT_EQ(data().HopBins[49][kPcSide].Current, -48.68f);
    EXPECT_EQ(data().CurrentBin, 49);
    EXPECT_TRUE(suite->link.ReceiveBuffer.isEmpty());
    // A silent radio times out after the command period, sleeping on the event loop.
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds();
    analyzer->ProcessBinReport();
    EXPECT_GE(clock.elapsed(), 950);
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.1);
    EXPECT_TRUE(suite->modes.CommandTimedOut);
    EXPECT_EQ(data().TotalReports, 2.0f);
    // The radio is still recorded in bin report mode: the dropped byte sent nothing.
    EXPECT_TRUE((runEventsFor(20), emulator.takeReceived()).isEmpty());

    // Paused live play drains the reports unread.
    suite->recorder.TransportMode = Recorder::PlayingPaused;
    const HopBinData before = data();
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("CC 05 FF 00 CC 06 80 80", 8));
    analyzer->ProcessBinReport();
    analyzer->ProcessBinReport();
    EXPECT_TRUE(suite->link.ReceiveBuffer.isEmpty());
    EXPECT_EQ(data(), before);
    // A paused recording leaves the report on the line and sleeps until the idle
    // recheck, or until the recording resumes.
    suite->recorder.TransportMode = Recorder::RecordingPaused;
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("CC 05 FF 00", 4));
    clock.start();
    analyzer->ProcessBinReport();
    EXPECT_GE(clock.elapsed(), HopBinAnalyzer::kIdleRecheckMs - 50);
    EXPECT_EQ(suite->link.ReceiveBuffer.size(), 4);
    EXPECT_EQ(data(), before);
    QTimer::singleShot(50, &scope, [this] { suite->recorder.TransportMode = Recorder::Recording; });
    clock.start();
    analyzer->ProcessBinReport();
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
    analyzer->AcquireBinReports(0);
    EXPECT_LT(clock.elapsed(), 1700);
    EXPECT_GT(data().TotalReports, 30.0f); // 100 reports a second once in sync
    // At this rate every report is drawn: the meter's last figures are the final ones.
    EXPECT_EQ(surfaces.meter.texts().back(),
              QStringLiteral("Total: ") + shortestText(data().TotalReports));
    EXPECT_TRUE(
        surfaces.meter.findText(QStringLiteral("Missed Bins: ") + shortestText(data().MissedBins)));

    const QByteArray sent = (runEventsFor(20), emulator.takeReceived());
    const QByteArray enterAt = QByteArrayLiteral("AT+++\r");
    const QByteArray binReportEntry =
        bytes({0xCC, 'A', 'T', 'O', 0x0D}) + enterAt + bytes({0xCC, 0x8F, 0x01});
    ASSERT_TRUE(sent.startsWith(enterAt) && sent.endsWith(binReportEntry))
        << sent.toHex(' ').data();
    // About 450 ms without sync, polled every 100 ms: not back to back.
    const QByteArray polls =
        sent.mid(enterAt.size(), sent.size() - enterAt.size() - binReportEntry.size());
    const qsizetype pollCount = polls.size() / 3;
    EXPECT_EQ(polls, bytes({0xCC, 0x00, 0x00}).repeated(pollCount)) << polls.toHex(' ').data();
    EXPECT_GE(pollCount, 3);
    EXPECT_LE(pollCount, 8);
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
    analyzer->AcquireBinReports(0);
    ASSERT_TRUE(stoppedAt.isValid());
    EXPECT_LT(stoppedAt.elapsed(), 100);
    EXPECT_FALSE(suite->modes.commandTimerActive());
}

TEST_F(HopBinAnalyzerTest, CycleLimitEndsTheRunAfterPassesOfTheHopPattern) {
    ASSERT_NO_FATAL_FAILURE(startRadio(500));
    stopAfter(5000); // safety net
    analyzer->AcquireBinReports(2);
    EXPECT_TRUE(suite->flags.HopBinStopped);
    EXPECT_FALSE(suite->flags.StopRequested);
    // The first bin other than 0 starts the first pass; the radio visits every bin
    // once per pass, so the second ends back on it after one more pass.
    EXPECT_EQ(data().CurrentBin, data().CycleStartBin);
    EXPECT_GE(data().TotalReports, 50.0f);
    EXPECT_LE(data().TotalReports, 51.0f);
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
        analyzer->AcquireBinReports(0);
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
    QObject::connect(poll, &QTimer::timeout, [this] {
        if (data().TotalReports >= 60)
            suite->flags.HopBinStopped = true;
    });
    poll->start(10);
    stopAfter(10000);
    analyzer->AcquireBinReports(0);
    EXPECT_EQ(data().TotalReports, 60.0f);
    EXPECT_GE(meterDraws, 2);
    EXPECT_LT(meterDraws, 20);
}
