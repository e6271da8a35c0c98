// The Ping Test window sends nothing to the radio: its packet, its size box and
// its close.

#include "app/suite.h"
#include "core/settings_store.h"
#include "dialogs/packet_generator.h"
#include "dialogs/ping_test_window.h"
#include "support/fakes.h"
#include "support/keyboard_editing.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(TestPacket, DigitsThenCapitalsThenSmallLettersOverAndOver) {
    const QString cycle = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                         "abcdefghijklmnopqrstuvwxyz");
    const std::pair<int, QString> cases[] = {{1, "0"},          {5, "01234"},
                                             {62, cycle},       {64, cycle + "01"},
                                             {0, "0123456789"}, {-7, "0123456789"}};
    for (const auto& [size, packet] : cases)
        EXPECT_EQ(GenerateTestPacket(size), packet) << size;
    // 9999 = 161 whole cycles + 17 characters.
    EXPECT_EQ(GenerateTestPacket(9999), cycle.repeated(161) + cycle.left(17));
}

TEST(TestPacket, TheSizeBoxKeepsOneToFourDigitsAndRevertsTheRest) {
    const std::pair<const char*, const char*> cases[] = {
        {"9999", "9999"}, {"1", "1"},   {"1 2", "1 2"}, {"10000", "64"}, {"0", "64"},
        {"", "64"},       {"  ", "64"}, {"12a", "64"},  {"-5", "64"},    {"0 0", "64"}};
    for (const auto& [typed, kept] : cases)
        EXPECT_EQ(ValidatedPacketSizeText(QString::fromLatin1(typed), 64), kept) << typed;
    EXPECT_EQ(ReadPacketSize(QStringLiteral(" 1 2")), 12);
    EXPECT_EQ(ReadPacketSize(QStringLiteral("  ")), std::nullopt);
    // The keys it takes: digits, Backspace, Enter and space.
    EXPECT_TRUE(PacketSizeKeyPasses('0') && PacketSizeKeyPasses('9') && PacketSizeKeyPasses(8) &&
                PacketSizeKeyPasses(13) && PacketSizeKeyPasses(32));
    EXPECT_FALSE(PacketSizeKeyPasses('/') || PacketSizeKeyPasses(':') || PacketSizeKeyPasses(9));
}

class PingTestWindowTest : public ::testing::Test {
protected:
    void open(int storedSize) {
        suite.settings.TXTestSize = storedSize;
        window = std::make_unique<PingTestWindow>(suite, store,
                                                  PingTestWindow::Hooks{[this] { ++tiles; }});
        window->show();
    }
    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    Suite suite{messages, status, surfaces};
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("s.ini"))};
    std::unique_ptr<PingTestWindow> window;
    int tiles = 0;
};

TEST_F(PingTestWindowTest, TheKeyboardEditsAndLeavesTheSizeBox) {
    open(12);
    EXPECT_EQ(window->TXTestData(), QStringLiteral("0123456789AB"));
    clickIntoBox(window->sizeBox());
    expectKeyboardEditing(window->sizeBox());
}

TEST_F(PingTestWindowTest, ClosingStopsThePingTestAndTilesTheWindows) {
    open(64);
    suite.flags.PingTestStopped = false;
    window->close();
    EXPECT_TRUE(suite.flags.PingTestStopped);
    EXPECT_EQ(tiles, 1);
}
