#include "link/radio_commands.h"
#include "support/suite_fixture.h"

using radio::bytes;

namespace {
const QByteArray kEnterAt = QByteArrayLiteral("AT+++\r");
const QByteArray kLeaveAt = bytes({0xCC, 'A', 'T', 'O', 0x0D});
} // namespace

class RadioCommandsTest : public SuiteOnEmulator {
protected:
    QByteArray sent() {
        runEventsFor(20);
        return emulator.takeReceived();
    }
    QString emulatorState() { return emulator.command(QStringLiteral("state")); }
};

TEST_F(RadioCommandsTest, OwnAddressIsReadAndTheRadioLeftInNormalMode) {
    startLink();
    suite->modes.ReadLocalRadioAddress();
    EXPECT_EQ(suite->modes.LocalRadioAddress, bytes({0x12, 0x34, 0x56}));
    EXPECT_EQ(sent(), kEnterAt + bytes({0xCC, 0x11}) + kLeaveAt);
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
}

TEST_F(RadioCommandsTest, StoppedAddressReadLeavesNoMadeUpAddress) {
    startLink();
    ASSERT_EQ(emulator.command(QStringLiteral("silent 1")), QStringLiteral("ok"));
    stopAfter(300);
    suite->modes.ReadLocalRadioAddress();
    EXPECT_TRUE(suite->modes.LocalRadioAddress.isEmpty());
}

TEST_F(RadioCommandsTest, DestinationAddressIsSentAndEchoed) {
    startLink();
    suite->modes.SetDestinationAddress(bytes({0x0A, 0x1B, 0xFF}));
    EXPECT_EQ(sent(), kEnterAt + bytes({0xCC, 0x10, 0x0A, 0x1B, 0xFF}) + kLeaveAt);
    EXPECT_TRUE(emulatorState().contains(QStringLiteral("dest=0A1BFF")));
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);
}

TEST_F(RadioCommandsTest, SetOptionBitIsClearedForTheBinReportsAndRestoredAfterwards) {
    startLink(Transport::Pty, {QStringLiteral("--option-byte"), QStringLiteral("2")});
    suite->modes.ClearRadioOptionBit();
    EXPECT_TRUE(suite->modes.RestoreOptionBit);
    EXPECT_EQ(sent(), kEnterAt + bytes({0xCC, 0x0A, 0x20}) + bytes({0xCC, 0x08, 0x00}) + kLeaveAt);
    EXPECT_TRUE(emulatorState().contains(QStringLiteral("option=00")));
    EXPECT_EQ(suite->modes.RadioState, ModeProtocol::Normal);

    suite->modes.RestoreRadioOptionBit();
    EXPECT_EQ(sent(), kEnterAt + bytes({0xCC, 0x08, 0x01}) + kLeaveAt);
    EXPECT_TRUE(emulatorState().contains(QStringLiteral("option=02")));
}

TEST_F(RadioCommandsTest, ClearOptionBitOnlyLeavesAtModeWhenTheBitIsNotSet) {
    startLink(Transport::Pty, {QStringLiteral("--option-byte"), QStringLiteral("0")});
    suite->modes.ClearRadioOptionBit();
    EXPECT_FALSE(suite->modes.RestoreOptionBit);
    EXPECT_EQ(sent(), kEnterAt + bytes({0xCC, 0x0A, 0x20}) + kLeaveAt);

    suite->modes.RestoreRadioOptionBit();
    EXPECT_TRUE(sent().isEmpty());
}
