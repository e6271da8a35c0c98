#include "link/radio_commands.h"
#include "support/suite_fixture.h"

using radio::bytes;

namespace {

const QString kFailureText = QStringLiteral(
    "Communication failure.  Hardware is COM1 and baud rate is 57600.  RTS mode should be "
    "disabled in the radio.");

std::vector<RecordingSurface::Op> textOps(const RecordingSurface& surface) {
    std::vector<RecordingSurface::Op> out;
    for (const auto& op : surface.ops())
        if (op.kind == RecordingSurface::Op::Kind::Text)
            out.push_back(op);
    return out;
}

} // namespace

class ModeProtocolTest : public SuiteOnEmulator {
protected:
    QByteArray sentSinceLastLook() {
        runEventsFor(20); // let the last bytes reach the emulator
        return emulator.takeReceived();
    }
    QString emulatorMode() {
        const QString state = emulator.command(QStringLiteral("state"));
        const auto at = state.indexOf(QStringLiteral("mode="));
        return at < 0 ? QString() : state.mid(at + 5, 1);
    }
};

TEST_F(ModeProtocolTest, FromAcquisitionToBinReportGoesThroughNormalMode) {
    startLink();
    ModeProtocol& modes = suite->modes;
    modes.ChangeRadioState(ModeProtocol::Acquisition, false);
    ASSERT_EQ(modes.RadioState, ModeProtocol::Acquisition);
    sentSinceLastLook();
    status.texts.clear();

    modes.ChangeRadioState(ModeProtocol::BinReport, false);

    EXPECT_EQ(modes.RadioState, ModeProtocol::BinReport);
    EXPECT_EQ(sentSinceLastLook(), bytes({0xCC, 0x8E, 0x00}) + bytes({0xCC, 'A', 'T', 'O', 0x0D}) +
                                       QByteArrayLiteral("AT+++\r") + bytes({0xCC, 0x8F, 0x01}));
    EXPECT_EQ(status.texts, (QStringList{QStringLiteral("Radio State: AT Command Mode Entered"),
                                         QStringLiteral("Radio State: Normal Mode"),
                                         QStringLiteral("Radio State: AT Command Mode Entered"),
                                         QStringLiteral("Radio State: Bin Report Mode")}));
    EXPECT_EQ(emulatorMode(), QStringLiteral("4"));
}

TEST_F(ModeProtocolTest, EveryModeIsReachedFromEveryOther) {
    startLink();
    ModeProtocol& modes = suite->modes;
    for (std::int32_t target : {1, 2, 4, 8, 0, 2, 8, 4, 1, 0, 4, 2, 1, 8}) {
        modes.ChangeRadioState(target, false);
        ASSERT_EQ(modes.RadioState, target);
        ASSERT_EQ(emulatorMode(), QString::number(target)) << "target " << target;
    }
}

TEST_F(ModeProtocolTest, ConfigurationModeIsEnteredAndLeftWithItsOwnCommands) {
    startLink();
    ModeProtocol& modes = suite->modes;
    modes.ChangeRadioState(ModeProtocol::Config, false);
    EXPECT_EQ(sentSinceLastLook(), QByteArrayLiteral("AT+++\r") + bytes({0xCC, 0x65}));
    EXPECT_EQ(status.texts.last(), QStringLiteral("Radio State: Config Mode Entered"));

    modes.ChangeRadioState(ModeProtocol::Normal, false);
    EXPECT_EQ(sentSinceLastLook(), QByteArrayLiteral("V") + bytes({0xCC, 'A', 'T', 'O', 0x0D}));
    EXPECT_EQ(status.texts.last(), QStringLiteral("Radio State: Normal Mode"));
}

TEST_F(ModeProtocolTest, ReachingTheCurrentModeSendsAndShowsNothing) {
    startLink();
    suite->flags.HopBinStopped = false;
    suite->modes.ChangeRadioState(ModeProtocol::Normal, false);
    EXPECT_TRUE(sentSinceLastLook().isEmpty());
    EXPECT_TRUE(status.texts.isEmpty());
    EXPECT_TRUE(surfaces.hopBin.ops().empty());
}

TEST_F(ModeProtocolTest, SilentRadioIsRetriedAboutOnceASecondWithTheFailureTextUntilStop) {
    startLink();
    suite->flags.HopBinStopped = false; // the hop bin analyzer is running
    ASSERT_EQ(emulator.command(QStringLiteral("silent 1")), QStringLiteral("ok"));
    stopAfter(3500);

    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);

    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
    const QByteArray sent = sentSinceLastLook();
    EXPECT_EQ(sent.count(QByteArrayLiteral("AT+++\r")), 4) << sent.toHex(' ').constData();
    EXPECT_EQ(suite->linkStatus.LinkStatus, 2);
    const auto texts = textOps(surfaces.hopBin);
    ASSERT_GE(texts.size(), 3u);
    for (const auto& text : texts) {
        EXPECT_EQ(text.text, kFailureText);
        EXPECT_EQ(text.x1, 600); // "Graph Left" + 100
        EXPECT_EQ(text.y1, 600); // "Graph Top" + 100
        EXPECT_EQ(text.colour, suite->settings.MessageColor);
    }
}

TEST_F(ModeProtocolTest, RadioAnsweringAgainRecoversAndShowsNormalStatus) {
    startLink();
    suite->flags.HopBinStopped = false;
    ASSERT_EQ(emulator.command(QStringLiteral("silent 1")), QStringLiteral("ok"));
    QTimer::singleShot(1500, [this] { emulator.command(QStringLiteral("silent 0")); });

    suite->modes.ChangeRadioState(ModeProtocol::BinReport, false);

    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::BinReport);
    EXPECT_EQ(suite->linkStatus.LinkStatus, 0);
    EXPECT_EQ(surfaces.hopBin.texts().back(), QStringLiteral("Status: Normal"));
    EXPECT_EQ(suite->linkStatus.PreviousLinkStatus, 0);
}

TEST_F(ModeProtocolTest, SpectrumFailureTextIsErasedByTheNextSuccess) {
    startLink();
    suite->settings.MeterTest = 1;
    suite->flags.SpectrumStopped = false;
    ASSERT_EQ(emulator.command(QStringLiteral("silent 1")), QStringLiteral("ok"));
    stopAfter(1200);
    suite->modes.ChangeRadioState(ModeProtocol::Config, false);
    EXPECT_EQ(suite->linkStatus.SpectrumMessage, kFailureText);

    ASSERT_EQ(emulator.command(QStringLiteral("silent 0")), QStringLiteral("ok"));
    suite->flags.StopRequested = false;
    surfaces.spectrum.reset();
    suite->modes.ChangeRadioState(ModeProtocol::Config, false);

    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Config);
    EXPECT_TRUE(suite->linkStatus.SpectrumMessage.isEmpty());
    const auto texts = textOps(surfaces.spectrum);
    ASSERT_EQ(texts.size(), 1u); // the erase, and nothing new
    EXPECT_EQ(texts[0].text, kFailureText);
    EXPECT_EQ(texts[0].colour, suite->settings.BackgroundColor);
    EXPECT_EQ(texts[0].x1, 550);                // "SpecAn Left" + 50
    EXPECT_EQ(texts[0].y1, 1250);               // "SpecAn Top" + 750
    EXPECT_TRUE(surfaces.hopBin.ops().empty()); // the hop bin window shows nothing meanwhile
}

TEST_F(ModeProtocolTest, SplitAndGarbledRepliesAreStillRecognised) {
    startLink();
    ASSERT_EQ(emulator.command(QStringLiteral("split 3")), QStringLiteral("ok"));
    ASSERT_EQ(emulator.command(QStringLiteral("garbage 5")), QStringLiteral("ok"));
    suite->modes.ChangeRadioState(ModeProtocol::Acquisition, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Acquisition);
    suite->modes.ChangeRadioState(ModeProtocol::Config, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Config);
    suite->modes.ChangeRadioState(ModeProtocol::Normal, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
}

TEST_F(ModeProtocolTest, ReplyAfterTheCommandTimerIsAFailure) {
    startLink();
    ASSERT_EQ(emulator.command(QStringLiteral("late 1300")), QStringLiteral("ok"));
    const QByteArray none;
    EXPECT_FALSE(suite->modes.ExchangeCommand(none, true, false, none, 1, false, false));
    EXPECT_TRUE(suite->modes.CommandTimedOut);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
    EXPECT_EQ(suite->linkStatus.LinkStatus, 2);
}

TEST_F(ModeProtocolTest, CommandAnsweredBeforeALaterStepTimesOutStillCounts) {
    startLink();
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    // The radio answers the command, but not the "V" that would leave configuration
    // mode (it is not in configuration mode), so the exchange ends in a time-out.
    const QByteArray none;
    EXPECT_TRUE(
        suite->modes.ExchangeCommand(radio::readOwnAddress(), false, false, none, 4, true, false));
    EXPECT_TRUE(suite->modes.CommandTimedOut);
    EXPECT_EQ(suite->linkStatus.LinkStatus, 2);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::AtCommand);
}

TEST_F(ModeProtocolTest, BytesAfterTheExpectedReplyStayForTheCaller) {
    startLink();
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    // Reading the own address (0xCC + 3 bytes) while only waiting for the 0xCC.
    ASSERT_TRUE(suite->modes.ExchangeCommand(radio::readOwnAddress(), false, false, bytes({0xCC}),
                                             4, false, false));
    runEventsUntil([&] { return suite->link.ReceiveBuffer.size() >= 3; }, 500);
    EXPECT_EQ(suite->link.ReceiveBuffer, bytes({0x12, 0x34, 0x56}));
}

TEST_F(ModeProtocolTest, BytesReceivedBeforeAStepAreDiscarded) {
    startLink();
    suite->link.ReceiveBuffer = bytes({0xCC, 'C', 'O', 'M'}); // stale: must not count
    ASSERT_EQ(emulator.command(QStringLiteral("silent 1")), QStringLiteral("ok"));
    const QByteArray none;
    EXPECT_FALSE(suite->modes.ExchangeCommand(none, true, false, none, 1, false, false));
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
}

TEST_F(ModeProtocolTest, ClosingTheProgramEndsAWaitAtOnceAndStopsRetrying) {
    startLink();
    ASSERT_EQ(emulator.command(QStringLiteral("silent 1")), QStringLiteral("ok"));
    QTimer::singleShot(100, [this] { suite->flags.ApplicationClosing = true; });
    const QByteArray none;
    EXPECT_FALSE(suite->modes.ExchangeCommand(none, true, false, none, 1, false, false));
    EXPECT_FALSE(suite->modes.CommandTimedOut); // ended before the timer ran out
    EXPECT_TRUE(status.texts.isEmpty());

    // While closing, a mode change sends nothing and returns instead of retrying.
    sentSinceLastLook();
    suite->modes.ChangeRadioState(ModeProtocol::BinReport, false);
    EXPECT_TRUE(sentSinceLastLook().isEmpty());
}

TEST_F(ModeProtocolTest, SingleStepMakesOneAttemptPerPhase) {
    startLink();
    suite->modes.ChangeRadioState(ModeProtocol::BinReport, false);
    ASSERT_EQ(emulator.command(QStringLiteral("silent 1")), QStringLiteral("ok"));
    sentSinceLastLook();
    suite->modes.ChangeRadioState(ModeProtocol::Normal, true);
    EXPECT_EQ(sentSinceLastLook(), bytes({0xCC, 0x8F, 0x00}));
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::BinReport);
}

TEST_F(ModeProtocolTest, CommandTimerStartedTwiceKeepsItsPeriod) {
    startLink();
    ModeProtocol& modes = suite->modes;
    modes.startCommandTimer();
    runEventsFor(600);
    modes.startCommandTimer(); // must not restart the 1000 ms period
    runEventsFor(550);
    EXPECT_TRUE(modes.CommandTimedOut);
    EXPECT_FALSE(modes.commandTimerActive());
}

// Stop (or a radio chosen in the network window) runs exchanges of its own inside a
// running exchange's wait; they stop the shared command timer. The outer wait must
// still end.
TEST_F(ModeProtocolTest, WaitInterruptedByANestedExchangeStillTimesOut) {
    startLink();
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    QTimer::singleShot(100, &scope, [this] {
        suite->modes.ChangeRadioState(ModeProtocol::Normal, false); // answered, stops the timer
    });
    QTimer::singleShot(6000, &scope, [this] { suite->flags.ApplicationClosing = true; });
    const bool answered = suite->modes.ExchangeCommand(radio::readOwnAddress(), false, false,
                                                       bytes({0x99, 0x98}), 4, false, false);
    EXPECT_FALSE(answered);
    EXPECT_TRUE(suite->modes.CommandTimedOut);     // it timed out ...
    EXPECT_FALSE(suite->flags.ApplicationClosing); // ... rather than hang until closing
}
