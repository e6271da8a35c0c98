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
#include <algorithm>

using radio::bytes;

namespace {

bool printed(const RecordingSurface& surface, const QString& text) {
    const auto texts = surface.texts();
    return std::find(texts.begin(), texts.end(), text) != texts.end();
}

} // namespace

class HopBinAnalyzerTest : public SuiteOnEmulator {
protected:
    // The hop bin analyzer of a suite on a fresh emulated radio, playing "Real-Time".
    void startRadio(const QStringList& emulatorArgs = {}) {
        startLink(Transport::Pty, emulatorArgs);
        ASSERT_FALSE(HasFatalFailure());
        Settings& settings = suite->settings;
        data.ResetHopBins(settings.Amplitude);
        display = std::make_unique<HopBinDisplay>(settings, suite->flags, data, suite->linkStatus,
                                                  surfaces);
        meter = std::make_unique<LinkQualityMeter>(settings, data, surfaces);
        analyzer = std::make_unique<HopBinAnalyzer>(data, settings, suite->flags, suite->wait,
                                                    suite->link, suite->modes, suite->linkStatus,
                                                    recorder, *display, *meter);
        display->LayoutHopBinWindow();
        recorder.TransportMode = Recorder::Playing;
        suite->flags.HopBinStopped = false;
    }

    // A radio in bin report mode that sends no reports of its own: the test injects
    // exactly the bytes it wants on the line.
    void startQuietBinReportRadio() {
        startRadio({QStringLiteral("--report-rate"), QStringLiteral("0")});
        ASSERT_FALSE(HasFatalFailure());
        suite->modes.ChangeRadioState(ModeProtocol::BinReport, false);
        ASSERT_EQ(suite->modes.RadioState, ModeProtocol::BinReport);
        runEventsFor(20);
        emulator.takeReceived();
        suite->link.ReceiveBuffer.clear();
    }

    void inject(const char* hex) {
        ASSERT_EQ(emulator.command(QStringLiteral("inject ") + QLatin1String(hex)),
                  QStringLiteral("ok"));
    }

    // Injects and waits until the suite has received `size` bytes.
    void injectAndReceive(const char* hex, qsizetype size) {
        inject(hex);
        ASSERT_TRUE(runEventsUntil([&] { return suite->link.ReceiveBuffer.size() >= size; }));
    }

    QByteArray sentToRadio() {
        runEventsFor(20);
        return emulator.takeReceived();
    }

    const BinStats& remoteOf(int bin) const { return data.HopBins[std::size_t(bin)][kRemoteSide]; }
    const BinStats& pcOf(int bin) const { return data.HopBins[std::size_t(bin)][kPcSide]; }

    HopBinData data;
    // The analyzer's own transport state (the suite's stays idle).
    StopFlags recorderFlags;
    EventWait recorderWait{recorderFlags};
    Recorder recorder{recorderWait};
    std::unique_ptr<HopBinDisplay> display;
    std::unique_ptr<LinkQualityMeter> meter;
    std::unique_ptr<HopBinAnalyzer> analyzer;
};

// --- one report at a time ------------------------------------------------------

TEST_F(HopBinAnalyzerTest, OutOfStepBytesAreDroppedAloneAndBinsBeyondTheTableCounted) {
    ASSERT_NO_FATAL_FAILURE(startQuietBinReportRadio());
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("41 CC 03 80 80 CC 32 80 80 CC FF 80 80", 13));

    analyzer->ProcessBinReport();
    EXPECT_EQ(suite->link.ReceiveBuffer.size(), 12);
    EXPECT_EQ(data.TotalReports, 0.0f);
    analyzer->ProcessBinReport();
    EXPECT_EQ(suite->link.ReceiveBuffer.size(), 8);
    EXPECT_EQ(data.TotalReports, 1.0f);
    EXPECT_EQ(remoteOf(3).Current, -76.84f);
    EXPECT_EQ(pcOf(3).Current, -76.84f);
    EXPECT_EQ(data.CurrentBin, 3);

    // The radio hops over bins 0..49 only.
    analyzer->ProcessBinReport();
    analyzer->ProcessBinReport();
    EXPECT_EQ(analyzer->RejectedReports, 2);
    EXPECT_EQ(data.TotalReports, 1.0f);
    EXPECT_EQ(data.HighestBin, 3);
    EXPECT_TRUE(suite->link.ReceiveBuffer.isEmpty());
    // The radio is still recorded in bin report mode: the dropped byte sent nothing.
    EXPECT_TRUE(sentToRadio().isEmpty());
}

TEST_F(HopBinAnalyzerTest, ReportArrivingInPiecesIsWaitedFor) {
    ASSERT_NO_FATAL_FAILURE(startQuietBinReportRadio());
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("CC 31", 2));
    QTimer::singleShot(150, &scope, [this] { inject("FF 00"); });

    analyzer->ProcessBinReport();

    EXPECT_EQ(data.TotalReports, 1.0f);
    EXPECT_EQ(remoteOf(49).Current, -104.78f);
    EXPECT_EQ(pcOf(49).Current, -48.68f);
    EXPECT_EQ(data.MissedBins, 1.0f);
    EXPECT_TRUE(suite->link.ReceiveBuffer.isEmpty());
}

TEST_F(HopBinAnalyzerTest, SilentRadioTimesOutAfterTheCommandPeriodWithoutSpinning) {
    ASSERT_NO_FATAL_FAILURE(startQuietBinReportRadio());
    QElapsedTimer clock;
    clock.start();
    const double cpuBefore = cpuSeconds();

    analyzer->ProcessBinReport();

    const double cpu = cpuSeconds() - cpuBefore;
    EXPECT_GE(clock.elapsed(), 950);
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_LT(cpu, 0.1) << "the wait must sleep on the event loop";
    EXPECT_TRUE(suite->modes.CommandTimedOut);
    EXPECT_EQ(data.TotalReports, 0.0f);
    EXPECT_TRUE(sentToRadio().isEmpty());
}

TEST_F(HopBinAnalyzerTest, PausedLivePlayDrainsReportsAndAPausedRecordingReadsNothing) {
    ASSERT_NO_FATAL_FAILURE(startQuietBinReportRadio());
    recorder.TransportMode = Recorder::PlayingPaused;
    const HopBinData before = data;
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("CC 05 FF 00 CC 06 80 80", 8));
    analyzer->ProcessBinReport();
    analyzer->ProcessBinReport();
    EXPECT_TRUE(suite->link.ReceiveBuffer.isEmpty());
    EXPECT_EQ(data, before);

    // A paused recording leaves the report on the line and sleeps until the idle
    // recheck, or until the recording resumes.
    recorder.TransportMode = Recorder::RecordingPaused;
    ASSERT_NO_FATAL_FAILURE(injectAndReceive("CC 05 FF 00", 4));
    QElapsedTimer clock;
    clock.start();
    analyzer->ProcessBinReport();
    EXPECT_GE(clock.elapsed(), HopBinAnalyzer::kIdleRecheckMs - 50);
    EXPECT_LE(clock.elapsed(), HopBinAnalyzer::kIdleRecheckMs + 200);
    EXPECT_EQ(suite->link.ReceiveBuffer.size(), 4);
    EXPECT_EQ(data, before);

    QTimer::singleShot(50, &scope, [this] { recorder.TransportMode = Recorder::Recording; });
    clock.start();
    analyzer->ProcessBinReport();
    EXPECT_LT(clock.elapsed(), HopBinAnalyzer::kIdleRecheckMs);
}

// --- whole runs ----------------------------------------------------------------
TEST_F(HopBinAnalyzerTest, RunStartPollsTheLinkUntilSyncThenEntersBinReportMode) {
    ASSERT_NO_FATAL_FAILURE(startRadio());
    ASSERT_EQ(emulator.command(QStringLiteral("sync 0")), QStringLiteral("ok"));
    QTimer::singleShot(450, &scope, [this] { emulator.command(QStringLiteral("sync 1")); });
    // End the run once reports flow.
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [this] {
        if (data.TotalReports >= 5)
            suite->flags.HopBinStopped = true;
    });
    poll.start(10);
    stopAfter(5000); // safety net

    analyzer->AcquireBinReports(0);

    const QByteArray sent = sentToRadio();
    const QByteArray enterAt = QByteArrayLiteral("AT+++\r");
    const QByteArray statusPoll = bytes({0xCC, 0x00, 0x00});
    const QByteArray binReportEntry =
        bytes({0xCC, 'A', 'T', 'O', 0x0D}) + enterAt + bytes({0xCC, 0x8F, 0x01});
    ASSERT_TRUE(sent.startsWith(enterAt)) << sent.toHex(' ').constData();
    ASSERT_TRUE(sent.endsWith(binReportEntry)) << sent.toHex(' ').constData();
    const QByteArray polls =
        sent.mid(enterAt.size(), sent.size() - enterAt.size() - binReportEntry.size());
    const qsizetype pollCount = polls.size() / statusPoll.size();
    EXPECT_EQ(polls, statusPoll.repeated(pollCount)) << polls.toHex(' ').constData();
    // About 450 ms without sync, polled every 100 ms: not back to back.
    EXPECT_GE(pollCount, 3);
    EXPECT_LE(pollCount, 8);

    EXPECT_TRUE(printed(surfaces.hopBin, QStringLiteral("Status: Finding Sync")));
    EXPECT_EQ(suite->linkStatus.LinkStatus, 0);
    EXPECT_EQ(status.texts.last(), QStringLiteral("Radio State: Bin Report Mode"));
    EXPECT_GE(data.TotalReports, 5.0f);
}

TEST_F(HopBinAnalyzerTest, StopEndsARunningAcquisition) {
    ASSERT_NO_FATAL_FAILURE(startRadio());
    QElapsedTimer clock;
    clock.start();
    stopAfter(800);

    analyzer->AcquireBinReports(0);

    EXPECT_LT(clock.elapsed(), 1200);
    // 100 reports a second for most of the run.
    EXPECT_GT(data.TotalReports, 30.0f);
    EXPECT_GT(data.HighestBin, 0);
    // At this rate nothing piles up, so every report is drawn and the meter's last
    // figures are the final ones.
    const QString total = QStringLiteral("Total: ") + shortestText(data.TotalReports);
    EXPECT_EQ(surfaces.meter.texts().back(), total);
    EXPECT_TRUE(
        printed(surfaces.meter, QStringLiteral("Missed Bins: ") + shortestText(data.MissedBins)));
}

TEST_F(HopBinAnalyzerTest, ClosingTheWindowEndsAWaitForASilentRadioAtOnce) {
    ASSERT_NO_FATAL_FAILURE(startRadio({QStringLiteral("--report-rate"), QStringLiteral("0")}));
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
    ASSERT_NO_FATAL_FAILURE(startRadio({QStringLiteral("--report-rate"), QStringLiteral("500")}));
    stopAfter(5000); // safety net

    analyzer->AcquireBinReports(2);

    EXPECT_TRUE(suite->flags.HopBinStopped);
    EXPECT_FALSE(suite->flags.StopRequested);
    EXPECT_EQ(data.CurrentBin, data.CycleStartBin);
    // The first bin other than 0 starts the first pass; the radio visits every bin
    // once per pass, so the second ends back on it after one more pass.
    EXPECT_GE(data.TotalReports, 50.0f);
    EXPECT_LE(data.TotalReports, 51.0f);
}

// --- redraws -------------------------------------------------------------------

class HopBinRedrawTest : public HopBinAnalyzerTest {
protected:
    // A run on a quiet radio: `hex` is injected once the radio is in bin report
    // mode, and the run ends 300 ms later.
    void runWithReports(const char* hex) {
        ASSERT_NO_FATAL_FAILURE(startRadio({QStringLiteral("--report-rate"), QStringLiteral("0")}));
        suite->settings.MeterType[0] = meterType;
        QTimer::singleShot(200, &scope, [this, hex] { inject(hex); });
        QTimer::singleShot(500, &scope, [this] { suite->flags.HopBinStopped = true; });
        analyzer->AcquireBinReports(0);
    }

    std::int32_t meterType = 0; // of the hop bin test: 0 average RSSI, 1 percent good
};

TEST_F(HopBinRedrawTest, OnlyBinZeroSeenDrawsTheChartButNoMeter) {
    ASSERT_NO_FATAL_FAILURE(runWithReports("CC 00 80 80"));
    EXPECT_EQ(data.TotalReports, 1.0f);
    EXPECT_TRUE(surfaces.meter.ops().empty());
    EXPECT_FALSE(surfaces.hopBin.ops().empty());
}

TEST_F(HopBinRedrawTest, AverageRssiMeterCaptionShowsPercentageGood) {
    // Bin 4 heard at -76.84 dBm, bin 0 missed at the remote end.
    ASSERT_NO_FATAL_FAILURE(runWithReports("CC 00 FF 80 CC 04 80 80"));
    EXPECT_TRUE(printed(surfaces.meter, QStringLiteral("Missed Bins: 1")));
    EXPECT_TRUE(printed(surfaces.meter, QStringLiteral("Total: 2")));
    EXPECT_TRUE(printed(surfaces.meter, QStringLiteral("Percentage Good: 50.0%")));
}

TEST_F(HopBinRedrawTest, PercentGoodMeterCaptionShowsAverageRssi) {
    meterType = 1;
    ASSERT_NO_FATAL_FAILURE(runWithReports("CC 00 80 80 CC 04 80 80"));
    // Bins 0 and 4 average -96.552 dBm on both sides after one report, bins 1 to 3
    // still -105: (4 x -96.552 + 6 x -105) / 10.
    EXPECT_TRUE(printed(surfaces.meter, QStringLiteral("Average RSSI: -101.6 dBm")));
    EXPECT_TRUE(printed(surfaces.meter, QStringLiteral("Total: 2")));
}

TEST_F(HopBinRedrawTest, ABacklogIsWorkedOffWithFewerRedraws) {
    // Sixty reports at once, and a meter that takes 30 ms to draw: longer than the
    // shortest interval between pictures, so only skipping redraws keeps up.
    QByteArray hex;
    for (int i = 0; i < 60; ++i)
        hex += "CC " + QByteArray::number(1 + i % 49, 16).rightJustified(2, '0') + " 80 80 ";
    ASSERT_NO_FATAL_FAILURE(startRadio({QStringLiteral("--report-rate"), QStringLiteral("0")}));
    int meterDraws = 0;
    meter->onDraw = [&meterDraws] {
        ++meterDraws;
        QThread::msleep(30);
    };
    QTimer::singleShot(200, &scope, [this, &hex] { inject(hex.constData()); });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [this] {
        if (data.TotalReports >= 60)
            suite->flags.HopBinStopped = true;
    });
    poll.start(10);
    stopAfter(10000); // safety net
    analyzer->AcquireBinReports(0);

    EXPECT_EQ(data.TotalReports, 60.0f);
    EXPECT_GE(meterDraws, 2);
    EXPECT_LT(meterDraws, 20);
}
