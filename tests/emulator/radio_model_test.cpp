// The RM7700 model: the exact answer to every command the host relies on, the mode
// changes, and the input handling that keeps a real radio robust (commands found
// amid junk, stalled commands thrown away).
#include "radio_test_support.h"

#include <gtest/gtest.h>

namespace rm7700emu::test {
namespace {

// --- Normal mode ---------------------------------------------------------------------

TEST(NormalMode, UserDataIsIgnoredUntilTheEscapeSequence) {
    RadioUnderTest radio;
    // Byte strings that are commands in AT command mode mean nothing here.
    EXPECT_TRUE(radio.send(concat(text("hello"), bytes({0xCC, 0x11, 0xCC, 0x8F, 0x01, 0xCC, 0x65})))
                    .empty());
    EXPECT_EQ(radio.model.mode(), Mode::Normal);

    // The escape sequence is found anywhere in the data.
    EXPECT_EQ(radio.send(concat(text("xxAT"), text("AT+++\r"))),
              concat(bytes({0xCC}), text("COM")));
    EXPECT_EQ(radio.model.mode(), Mode::AtCommand);
}

TEST(NormalMode, EscapeSequenceMayArriveInPieces) {
    RadioUnderTest radio;
    EXPECT_TRUE(radio.send(text("AT+")).empty());
    radio.wait(200ms);
    EXPECT_EQ(radio.send(text("++\r")), concat(bytes({0xCC}), text("COM")));
}

TEST(NormalMode, AlmostTheEscapeSequenceIsNotEnough) {
    RadioUnderTest radio;
    EXPECT_TRUE(radio.send(text("AT++++\r")).empty());
    EXPECT_TRUE(radio.send(text("AT++\r")).empty());
    EXPECT_EQ(radio.model.mode(), Mode::Normal);
}

// --- AT command mode: one row per exchange ----------------------------------------

struct Exchange {
    const char* name;
    Bytes command;
    Bytes reply;
    Mode modeAfter;
};

// Shown by the test runner instead of the raw bytes of the struct.
void PrintTo(const Exchange& exchange, std::ostream* out) {
    *out << exchange.name;
}

class AtCommandExchange : public testing::TestWithParam<Exchange> {};

TEST_P(AtCommandExchange, AnswersExactly) {
    const Exchange& exchange = GetParam();
    RadioUnderTest radio;
    ASSERT_EQ(radio.send(kEscape), concat(bytes({0xCC}), text("COM")));
    EXPECT_EQ(radio.send(exchange.command), exchange.reply);
    EXPECT_EQ(radio.model.mode(), exchange.modeAfter);
}

INSTANTIATE_TEST_SUITE_P(
    EveryCommand, AtCommandExchange,
    testing::Values(
        Exchange{"EscapeAgain", kEscape, concat(bytes({0xCC}), text("COM")), Mode::AtCommand},
        Exchange{"LeaveAtMode", kLeaveAt, concat(bytes({0xCC}), text("DAT")), Mode::Normal},
        Exchange{"EnterConfiguration", bytes({0xCC, 0x65}), bytes({0x65}), Mode::Configuration},
        Exchange{"BinReportsOn", bytes({0xCC, 0x8F, 0x01}), bytes({0xCC, 0x01}), Mode::BinReport},
        Exchange{"BinReportsOff", bytes({0xCC, 0x8F, 0x00}), bytes({0xCC, 0x00}), Mode::AtCommand},
        Exchange{"AcquisitionOn", bytes({0xCC, 0x8E, 0x01}), bytes({0xCC, 0x01}),
                 Mode::Acquisition},
        Exchange{"AcquisitionOff", bytes({0xCC, 0x8E, 0x00}), bytes({0xCC, 0x00}), Mode::AtCommand},
        Exchange{"SetDestination", bytes({0xCC, 0x10, 0x0A, 0x1B, 0xFF}),
                 bytes({0xCC, 0x0A, 0x1B, 0xFF}), Mode::AtCommand},
        Exchange{"ReadOwnAddress", bytes({0xCC, 0x11}), bytes({0xCC, 0x12, 0x34, 0x56}),
                 Mode::AtCommand},
        Exchange{"ReadOptionByte", bytes({0xCC, 0x0A, 0x20}), bytes({0xCC, 0x02}), Mode::AtCommand},
        Exchange{"ClearOptionBit", bytes({0xCC, 0x08, 0x00}), bytes({0xCC, 0x00}), Mode::AtCommand},
        Exchange{"SetOptionBit", bytes({0xCC, 0x08, 0x01}), bytes({0xCC, 0x01}), Mode::AtCommand},
        Exchange{"LinkStatusInSync", bytes({0xCC, 0x00, 0x00}), bytes({0xCC, 0x00, 0x00}),
                 Mode::AtCommand}),
    [](const testing::TestParamInfo<Exchange>& info) { return std::string(info.param.name); });

TEST(AtCommandMode, DestinationAndOptionBitAreRemembered) {
    RadioConfig config = testConfig();
    config.optionByte = 0x83; // other bits of the option byte are left alone
    RadioUnderTest radio(config);
    radio.send(kEscape);

    radio.send(bytes({0xCC, 0x10, 0x01, 0x02, 0x03}));
    EXPECT_EQ(radio.model.snapshot(radio.now).destination, (Address{0x01, 0x02, 0x03}));

    EXPECT_EQ(radio.send(bytes({0xCC, 0x0A, 0x20})), bytes({0xCC, 0x83}));
    radio.send(bytes({0xCC, 0x08, 0x00}));
    EXPECT_EQ(radio.send(bytes({0xCC, 0x0A, 0x20})), bytes({0xCC, 0x81}));
    radio.send(bytes({0xCC, 0x08, 0x01}));
    EXPECT_EQ(radio.send(bytes({0xCC, 0x0A, 0x20})), bytes({0xCC, 0x83}));
}

TEST(AtCommandMode, ConfiguredAddressIsReported) {
    RadioConfig config = testConfig();
    config.ownAddress = {0x00, 0xAB, 0x0F};
    RadioUnderTest radio(config);
    radio.send(kEscape);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x11})), bytes({0xCC, 0x00, 0xAB, 0x0F}));
}

TEST(AtCommandMode, CommandsAreFoundAmidJunk) {
    RadioUnderTest radio;
    radio.send(kEscape);
    EXPECT_EQ(radio.send(bytes({0x55, 0xCC, 0xCC, 0x11})), bytes({0xCC, 0x12, 0x34, 0x56}));
    // Unknown arguments make no command; the radio says nothing and stays put.
    EXPECT_TRUE(radio.send(bytes({0xCC, 0x8F, 0x05})).empty());
    EXPECT_TRUE(radio.send(bytes({0xCC, 0x08, 0x07})).empty());
    EXPECT_TRUE(radio.send(bytes({0xCC, 0x42})).empty());
    EXPECT_EQ(radio.model.mode(), Mode::AtCommand);
    // Configuration commands mean nothing outside configuration mode.
    EXPECT_TRUE(radio.send(bytes({0xB1, 0x05, 0x00, 0x21, 0x02, 'V'})).empty());
}

// --- Partial commands ------------------------------------------------------------------

TEST(PartialCommand, StalledForMoreThanHalfASecondIsDiscarded) {
    RadioUnderTest radio;
    radio.send(kEscape);
    EXPECT_TRUE(radio.send(bytes({0xCC})).empty());
    radio.wait(501ms);
    EXPECT_TRUE(radio.send(bytes({0x11})).empty());
    // The radio listens afresh.
    EXPECT_EQ(radio.send(bytes({0xCC, 0x11})), bytes({0xCC, 0x12, 0x34, 0x56}));
}

TEST(PartialCommand, SlowButSteadyCommandIsKept) {
    RadioUnderTest radio;
    radio.send(kEscape);
    radio.send(bytes({0xCC}));
    radio.wait(400ms);
    radio.send(bytes({0x10, 0x01}));
    radio.wait(400ms);
    radio.send(bytes({0x02}));
    radio.wait(400ms);
    EXPECT_EQ(radio.send(bytes({0x03})), bytes({0xCC, 0x01, 0x02, 0x03}));
}

TEST(PartialCommand, StalledEscapeSequenceIsDiscarded) {
    RadioUnderTest radio;
    radio.send(text("AT++"));
    radio.wait(600ms);
    EXPECT_TRUE(radio.send(text("+\r")).empty());
    EXPECT_EQ(radio.model.mode(), Mode::Normal);
}

TEST(PartialCommand, DiscardIsScheduledAsADeadline) {
    RadioUnderTest radio;
    EXPECT_EQ(radio.model.nextDeadline(), kNever);
    radio.send(text("AT"));
    EXPECT_EQ(radio.model.nextDeadline(), RadioModel::kPartialCommandTimeout + Nanos(1));
}

// --- Configuration mode -------------------------------------------------------------

class ConfigurationMode : public testing::Test {
protected:
    void SetUp() override {
        radio.send(kEscape);
        ASSERT_EQ(radio.send(bytes({0xCC, 0x65})), bytes({0x65}));
    }
    RadioUnderTest radio;
};

TEST_F(ConfigurationMode, PointSelectIsEchoed) {
    EXPECT_EQ(radio.send(bytes({0xB1, 0x21, 0x00})), bytes({0xB1, 0x21, 0x00}));
    EXPECT_EQ(radio.model.snapshot(radio.now).point, 0x21);
    // A point number may be any byte, even one that looks like a command.
    EXPECT_EQ(radio.send(bytes({0xB1, 'V', 0x00})), bytes({0xB1, 'V', 0x00}));
    EXPECT_EQ(radio.model.mode(), Mode::Configuration);
}

TEST_F(ConfigurationMode, LevelReadingIsMeasuredAtTheSelectedPoint) {
    for (int point : {0, 11, 12, 13, 33, 60}) {
        radio.send(bytes({0xB1, point, 0x00}));
        const Bytes reply = radio.send(bytes({0x21, 0x02}));
        ASSERT_EQ(reply.size(), 4u);
        EXPECT_EQ(reply[0], 0x21);
        EXPECT_EQ(reply[1], 0x02);
        const int raw = reply[2] | (reply[3] << 8);
        ASSERT_LE(raw, 1023);
        // The host's conversion: v = raw / 1023 * 3.3 V, level = v * -44 - 51 dB.
        const double level = raw / 1023.0 * 3.3 * -44.0 - 51.0;
        EXPECT_NEAR(level, radio.model.spectrum().levelDb(point), 1.5 + 0.15) << "point " << point;
    }
}

TEST_F(ConfigurationMode, VReturnsToAtCommandMode) {
    const Bytes reply = radio.send(text("V"));
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply.back(), 'V');
    EXPECT_EQ(radio.model.mode(), Mode::AtCommand);
}

TEST_F(ConfigurationMode, OnlyConfigurationCommandsAreUnderstood) {
    EXPECT_TRUE(radio.send(bytes({0xCC, 0x11})).empty());
    EXPECT_TRUE(radio.send(bytes({0xB1, 0x05, 0x01})).empty()); // third byte must be 0
    EXPECT_TRUE(radio.send(bytes({0x21, 0x03})).empty());
    EXPECT_EQ(radio.model.mode(), Mode::Configuration);
}

TEST_F(ConfigurationMode, EscapeSequenceRecoversAtCommandMode) {
    EXPECT_EQ(radio.send(kEscape), concat(bytes({0xCC}), text("COM")));
    EXPECT_EQ(radio.model.mode(), Mode::AtCommand);
}

// --- The mode walk a host performs --------------------------------------------------

TEST(ModeTransitions, EveryTransitionTheHostUses) {
    RadioUnderTest radio;
    struct Step {
        Bytes send;
        Bytes answer;
        Mode mode;
    };
    const Step walk[] = {
        {kEscape, concat(bytes({0xCC}), text("COM")), Mode::AtCommand},
        {bytes({0xCC, 0x65}), bytes({0x65}), Mode::Configuration},
        {text("V"), text("V"), Mode::AtCommand},
        {bytes({0xCC, 0x8F, 0x01}), bytes({0xCC, 0x01}), Mode::BinReport},
        {bytes({0xCC, 0x8F, 0x00}), bytes({0xCC, 0x00}), Mode::AtCommand},
        {bytes({0xCC, 0x8E, 0x01}), bytes({0xCC, 0x01}), Mode::Acquisition},
        {bytes({0xCC, 0x8E, 0x00}), bytes({0xCC, 0x00}), Mode::AtCommand},
        {kLeaveAt, concat(bytes({0xCC}), text("DAT")), Mode::Normal},
    };
    for (const Step& step : walk) {
        EXPECT_EQ(radio.send(step.send), step.answer);
        EXPECT_EQ(radio.model.mode(), step.mode);
        radio.wait(5ms);
    }
}

TEST(ModeTransitions, FromAcquisitionToBinReportsThroughNormalMode) {
    RadioUnderTest radio;
    radio.send(kEscape);
    radio.send(bytes({0xCC, 0x8E, 0x01}));
    radio.wait(300ms);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x8E, 0x00})), bytes({0xCC, 0x00}));
    EXPECT_EQ(radio.send(kLeaveAt), concat(bytes({0xCC}), text("DAT")));
    EXPECT_EQ(radio.send(kEscape), concat(bytes({0xCC}), text("COM")));
    EXPECT_EQ(radio.send(bytes({0xCC, 0x8F, 0x01})), bytes({0xCC, 0x01}));
    EXPECT_EQ(radio.model.mode(), Mode::BinReport);
}

TEST(ModeTransitions, StreamingModesAreStillAtCommandMode) {
    for (int streamCommand : {0x8F, 0x8E}) {
        RadioUnderTest radio;
        radio.send(kEscape);
        radio.send(bytes({0xCC, streamCommand, 0x01}));
        const Mode streaming = radio.model.mode();
        EXPECT_EQ(radio.send(bytes({0xCC, 0x11})), bytes({0xCC, 0x12, 0x34, 0x56}));
        EXPECT_EQ(radio.send(bytes({0xCC, 0x0A, 0x20})), bytes({0xCC, 0x02}));
        EXPECT_EQ(radio.send(bytes({0xCC, 0x00, 0x00})), bytes({0xCC, 0x00, 0x00}));
        EXPECT_EQ(radio.send(kEscape), concat(bytes({0xCC}), text("COM")));
        EXPECT_EQ(radio.model.mode(), streaming) << "the stream keeps running";
        // Leaving AT command mode ends the stream as well.
        EXPECT_EQ(radio.send(kLeaveAt), concat(bytes({0xCC}), text("DAT")));
        EXPECT_EQ(radio.model.mode(), Mode::Normal);
        EXPECT_TRUE(RadioUnderTest::records(radio.wait(1s)).empty());
    }
}

// --- Link sync -----------------------------------------------------------------------

TEST(LinkStatus, FindsSyncAfterTheSyncDelay) {
    RadioConfig config = testConfig();
    config.syncDelay = 2s;
    RadioUnderTest radio(config);
    radio.send(kEscape);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x00, 0x00})), bytes({0xCC, 0x00, 0x02}));
    radio.wait(1999ms);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x00, 0x00})), bytes({0xCC, 0x00, 0x02}));
    radio.wait(1ms);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x00, 0x00})), bytes({0xCC, 0x00, 0x00}));

    // The link goes away and comes back: sync starts over.
    radio.model.linkDown();
    radio.wait(3s);
    radio.model.linkUp(radio.now);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x00, 0x00})), bytes({0xCC, 0x00, 0x02}));
    radio.wait(2s);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x00, 0x00})), bytes({0xCC, 0x00, 0x00}));
}

TEST(LinkStatus, CanBeForced) {
    RadioConfig config = testConfig();
    config.syncDelay = 10s;
    RadioUnderTest radio(config);
    radio.send(kEscape);
    radio.model.forceSync(true);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x00, 0x00})), bytes({0xCC, 0x00, 0x00}));
    radio.wait(20s);
    radio.model.forceSync(false);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x00, 0x00})), bytes({0xCC, 0x00, 0x02}));
    radio.model.forceSync(std::nullopt);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x00, 0x00})), bytes({0xCC, 0x00, 0x00}));
}

// --- Silence ----------------------------------------------------------------------------

TEST(Silent, RadioNeitherListensNorTalks) {
    RadioUnderTest radio;
    radio.send(kEscape);
    radio.send(bytes({0xCC, 0x8F, 0x01}));
    radio.model.setSilent(true);
    EXPECT_TRUE(radio.send(bytes({0xCC, 0x11})).empty());
    EXPECT_TRUE(radio.wait(1s).empty());
    radio.model.setSilent(false);
    EXPECT_EQ(radio.send(bytes({0xCC, 0x11})), bytes({0xCC, 0x12, 0x34, 0x56}));
    EXPECT_FALSE(RadioUnderTest::records(radio.wait(100ms)).empty());
}

} // namespace
} // namespace rm7700emu::test
