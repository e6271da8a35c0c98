// The mode protocol on the emulated radio: the exact bytes of every move between
// normal, AT command, configuration, bin report and acquisition mode (and of the
// commands that pass through AT command mode), and how a silent, late, garbled or
// interrupted radio is handled.

#include "link/radio_commands.h"
#include "support/suite_fixture.h"

using namespace Qt::StringLiterals;

using radio::bytes;

const QString kFailureText = QStringLiteral(
    "Communication failure.  Hardware is COM1 and baud rate is 57600.  RTS mode should be "
    "disabled in the radio.");

// The texts drawn, as "text at x,y in colour".
static QStringList textOps(const RecordingSurface& surface) {
    QStringList out;
    for (const auto& op : surface.ops())
        if (op.kind == RecordingSurface::Op::Kind::Text)
            out << u"%1 at %2,%3 in %4"_s.arg(op.text).arg(op.x1).arg(op.y1).arg(op.colour);
    return out;
}

class ModeProtocolTest : public SuiteOnEmulator {
protected:
    QByteArray sentSinceLastLook() {
        runEventsFor(20); // let the last bytes reach the emulator
        return emulator.takeReceived();
    }
    bool silent(bool on) { return emulator.command(u"silent %1"_s.arg(on ? 1 : 0)) == u"ok"_s; }
    const QByteArray none;
};

// One row per step: what the suite does, the bytes the radio receives, the radio's
// state afterwards and the status texts shown meanwhile.
TEST_F(ModeProtocolTest, EachTransitionAndCommandSendsExactlyItsBytes) {
    startLink(Transport::Pty, {u"--option-byte"_s, u"2"_s});
    ModeProtocol& modes = suite->modes;
    // Reaching the mode the radio is in sends, shows and draws nothing.
    suite->flags.HopBinStopped = false;
    modes.ChangeRadioState(ModeProtocol::Normal, false);
    EXPECT_TRUE(sentSinceLastLook().isEmpty() && status.texts.isEmpty() &&
                surfaces.hopBin.ops().empty());
    const auto to = [&](std::int32_t mode) {
        return [&modes, mode] { modes.ChangeRadioState(mode, false); };
    };
    const auto clear = [&] { modes.ClearRadioOptionBit(); };
    const auto restore = [&] { modes.RestoreRadioOptionBit(); };
    const auto destination = [&] { modes.SetDestinationAddress(bytes({0x0A, 0x1B, 0xFF})); };
    const QByteArray at = radio::enterAtCommand(), ato = radio::leaveAtCommand();
    const QByteArray binOn = bytes({0xCC, 0x8F, 0x01}), binOff = bytes({0xCC, 0x8F, 0x00});
    const QByteArray acqOn = bytes({0xCC, 0x8E, 0x01}), acqOff = bytes({0xCC, 0x8E, 0x00});
    const QByteArray config = bytes({0xCC, 0x65}), readOption = bytes({0xCC, 0x0A, 0x20});
    const char* normal = "Normal Mode";
    struct Row {
        const char* what;
        std::function<void()> act;
        QByteArray sent;
        const char* radio;
        const char* lastShown; // after "Radio State: "
    };
    const Row rows[] = {
        {"AT command", to(ModeProtocol::AtCommand), at, "mode=1", "AT Command Mode Entered"},
        {"normal", to(ModeProtocol::Normal), ato, "mode=0", normal},
        {"config", to(ModeProtocol::Config), at + config, "mode=2", "Config Mode Entered"},
        {"normal from config", to(ModeProtocol::Normal), "V" + ato, "mode=0", normal},
        {"bin report", to(ModeProtocol::BinReport), at + binOn, "mode=4", "Bin Report Mode"},
        {"normal from bin report", to(ModeProtocol::Normal), binOff + ato, "mode=0", normal},
        {"acquisition", to(ModeProtocol::Acquisition), at + acqOn, "mode=8", "Acquisition Mode"},
        {"bin report from acquisition", to(ModeProtocol::BinReport), acqOff + ato + at + binOn,
         "mode=4", "Bin Report Mode"},
        {"config from bin report", to(ModeProtocol::Config), binOff + ato + at + config, "mode=2",
         "Config Mode Entered"},
        {"acquisition from config", to(ModeProtocol::Acquisition), "V" + ato + at + acqOn, "mode=8",
         "Acquisition Mode"},
        {"AT command from acquisition", to(ModeProtocol::AtCommand), acqOff + ato + at, "mode=1",
         "AT Command Mode Entered"},
        {"normal from AT command", to(ModeProtocol::Normal), ato, "mode=0", normal},
        {"own address", [&] { modes.ReadLocalRadioAddress(); }, at + bytes({0xCC, 0x11}) + ato,
         "own=123456", normal},
        {"destination", destination, at + bytes({0xCC, 0x10, 0x0A, 0x1B, 0xFF}) + ato,
         "dest=0A1BFF", normal},
        {"option bit set: cleared", clear, at + readOption + bytes({0xCC, 0x08, 0x00}) + ato,
         "option=00", normal},
        {"restored", restore, at + bytes({0xCC, 0x08, 0x01}) + ato, "option=02", normal},
        {"cleared again", clear, at + readOption + bytes({0xCC, 0x08, 0x00}) + ato, "option=00",
         normal},
        {"option bit clear: only read", clear, at + readOption + ato, "option=00", normal},
        {"nothing to restore", restore, {}, "option=00", nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        status.texts.clear();
        row.act();
        const QByteArray sent = sentSinceLastLook();
        EXPECT_EQ(sent, row.sent) << sent.toHex(' ').constData();
        EXPECT_TRUE(emulator.command(u"state"_s).contains(QLatin1String(row.radio)));
        EXPECT_EQ(status.texts.value(status.texts.size() - 1),
                  row.lastShown ? u"Radio State: "_s + QLatin1String(row.lastShown) : QString());
    }
    EXPECT_EQ(modes.LocalRadioAddress, bytes({0x12, 0x34, 0x56}));
    EXPECT_EQ(modes.RadioState, ModeProtocol::Normal);
}

TEST_F(ModeProtocolTest, SplitAndGarbledRepliesAreStillRecognised) {
    startLink();
    ASSERT_EQ(emulator.command(u"split 3"_s), u"ok"_s);
    ASSERT_EQ(emulator.command(u"garbage 5"_s), u"ok"_s);
    for (std::int32_t mode :
         {ModeProtocol::Acquisition, ModeProtocol::Config, ModeProtocol::Normal}) {
        suite->modes.ChangeRadioState(mode, false);
        EXPECT_EQ(suite->modes.RadioState, mode);
    }
}

// A silent radio is retried about once a second, with the failure text in the
// hop bin window, until Stop; it answering again shows "Status: Normal".
TEST_F(ModeProtocolTest, SilentRadioIsRetriedWithTheFailureTextUntilStopOrAnAnswer) {
    startLink();
    suite->flags.HopBinStopped = false; // the hop bin analyzer is running
    ASSERT_TRUE(silent(true));
    stopAfter(3500);
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
    const QByteArray sent = sentSinceLastLook();
    EXPECT_EQ(sent.count(QByteArrayLiteral("AT+++\r")), 4) << sent.toHex(' ').constData();
    EXPECT_EQ(suite->linkStatus.LinkStatus, 2);
    const QStringList texts = textOps(surfaces.hopBin);
    EXPECT_GE(texts.size(), 3);
    EXPECT_EQ(texts.filter(kFailureText + u" at 600,600 in %1"_s.arg(suite->settings.MessageColor)),
              texts);

    suite->flags.StopRequested = false;
    QTimer::singleShot(1500, &scope, [this] { silent(false); });
    suite->modes.ChangeRadioState(ModeProtocol::BinReport, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::BinReport);
    EXPECT_EQ(suite->linkStatus.LinkStatus + suite->linkStatus.PreviousLinkStatus, 0);
    EXPECT_EQ(surfaces.hopBin.texts().back(), u"Status: Normal"_s);
}

TEST_F(ModeProtocolTest, SpectrumFailureTextIsErasedByTheNextSuccess) {
    startLink();
    suite->settings.MeterTest = 1;
    suite->flags.SpectrumStopped = false;
    ASSERT_TRUE(silent(true));
    stopAfter(1200);
    suite->modes.ChangeRadioState(ModeProtocol::Config, false);
    EXPECT_EQ(suite->linkStatus.SpectrumMessage, kFailureText);

    ASSERT_TRUE(silent(false));
    suite->flags.StopRequested = false;
    surfaces.spectrum.reset();
    suite->modes.ChangeRadioState(ModeProtocol::Config, false);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Config);
    EXPECT_TRUE(suite->linkStatus.SpectrumMessage.isEmpty());
    // The erase, and nothing new, at "SpecAn" + (50, 750).
    EXPECT_EQ(
        textOps(surfaces.spectrum),
        QStringList{kFailureText + u" at 550,1250 in %1"_s.arg(suite->settings.BackgroundColor)});
    EXPECT_TRUE(surfaces.hopBin.ops().empty()); // the hop bin window shows nothing meanwhile
}

// Bytes that were waiting before the step (here a complete "COM" answer) do not
// count, and a reply after the command timer is a failure. What follows an answer
// stays for the caller, and a later step's time-out still counts.
TEST_F(ModeProtocolTest, StaleBytesLateRepliesAndWhatFollowsTheAnswer) {
    startLink();
    ModeProtocol& modes = suite->modes;
    suite->link.ReceiveBuffer = bytes({0xCC, 'C', 'O', 'M'});
    ASSERT_EQ(emulator.command(u"late 1300"_s), u"ok"_s);
    EXPECT_FALSE(modes.ExchangeCommand(none, true, false, none, 1, false, false));
    EXPECT_TRUE(modes.CommandTimedOut && modes.RadioState == ModeProtocol::Normal);
    EXPECT_EQ(suite->linkStatus.LinkStatus, 2);

    ASSERT_EQ(emulator.command(u"late 0"_s), u"ok"_s);
    runEventsFor(1500); // the late answer comes and goes
    modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    suite->link.ReceiveBuffer.clear();
    suite->linkStatus.LinkStatus = 0;
    // Reading the own address (0xCC + 3 bytes) while only waiting for the 0xCC.
    ASSERT_TRUE(modes.ExchangeCommand(radio::readOwnAddress(), false, false, bytes({0xCC}), 4,
                                      false, false));
    runEventsUntil([&] { return suite->link.ReceiveBuffer.size() >= 3; }, 500);
    EXPECT_EQ(suite->link.ReceiveBuffer, bytes({0x12, 0x34, 0x56}));
    // Answered, but the "V" that would leave configuration mode is not (the radio is
    // not in configuration mode): the exchange counts, with a time-out.
    EXPECT_TRUE(modes.ExchangeCommand(radio::readOwnAddress(), false, false, none, 4, true, false));
    EXPECT_TRUE(modes.CommandTimedOut && modes.RadioState == ModeProtocol::AtCommand);
    EXPECT_EQ(suite->linkStatus.LinkStatus, 2);
}

TEST_F(ModeProtocolTest, ClosingTheProgramEndsAWaitAtOnceAndStopsRetrying) {
    startLink();
    ASSERT_TRUE(silent(true));
    QTimer::singleShot(100, &scope, [this] { suite->flags.ApplicationClosing = true; });
    EXPECT_FALSE(suite->modes.ExchangeCommand(none, true, false, none, 1, false, false));
    EXPECT_TRUE(!suite->modes.CommandTimedOut && status.texts.isEmpty()); // ended before the timer
    // While closing, a mode change sends nothing and returns instead of retrying.
    sentSinceLastLook();
    suite->modes.ChangeRadioState(ModeProtocol::BinReport, false);
    EXPECT_TRUE(sentSinceLastLook().isEmpty());
}

// Single step makes one attempt per phase, and a read that Stop ends makes no
// address; the command timer started twice keeps its period.
TEST_F(ModeProtocolTest, SingleStepStoppedReadAndTheCommandTimersPeriod) {
    startLink();
    ModeProtocol& modes = suite->modes;
    modes.ChangeRadioState(ModeProtocol::BinReport, false);
    ASSERT_TRUE(silent(true));
    sentSinceLastLook();
    modes.ChangeRadioState(ModeProtocol::Normal, true);
    EXPECT_EQ(sentSinceLastLook(), bytes({0xCC, 0x8F, 0x00}));
    EXPECT_EQ(modes.RadioState, ModeProtocol::BinReport); // the one attempt failed
    stopAfter(300);
    modes.ReadLocalRadioAddress();
    EXPECT_TRUE(modes.LocalRadioAddress.isEmpty());

    modes.CommandTimedOut = false;
    modes.startCommandTimer();
    runEventsFor(600);
    modes.startCommandTimer(); // must not restart the 1000 ms period
    runEventsFor(550);
    EXPECT_TRUE(modes.CommandTimedOut && !modes.commandTimerActive());
}

// Stop (or a radio chosen in the network window) runs exchanges of its own inside a
// running exchange's wait; they stop the shared command timer. The outer wait must
// still end by timing out rather than hang until closing.
TEST_F(ModeProtocolTest, WaitInterruptedByANestedExchangeStillTimesOut) {
    startLink();
    suite->modes.ChangeRadioState(ModeProtocol::AtCommand, false);
    QTimer::singleShot(100, &scope, [this] {
        suite->modes.ChangeRadioState(ModeProtocol::Normal, false); // answered, stops the timer
    });
    QTimer::singleShot(6000, &scope, [this] { suite->flags.ApplicationClosing = true; });
    EXPECT_FALSE(suite->modes.ExchangeCommand(radio::readOwnAddress(), false, false,
                                              bytes({0x99, 0x98}), 4, false, false));
    EXPECT_TRUE(suite->modes.CommandTimedOut && !suite->flags.ApplicationClosing);
}
