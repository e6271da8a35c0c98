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

TEST(TestPacket, DigitsThenCapitalsThenSmallLettersAndASizeBoxOfOneToFourDigits) {
    const QString cycle =
        QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(GenerateTestPacket(9999), cycle.repeated(161) + cycle.left(17));
    EXPECT_EQ(GenerateTestPacket(1) + GenerateTestPacket(0) + GenerateTestPacket(-7),
              "0" + cycle.left(10).repeated(2));
    // What was typed, then what the box keeps of it when left.
    const char* kept =
        "9999=9999|10=10|1=1|1 2=1 2|10000=64|0=64|=64|  =64|12a=64|-5=64|/=64|:=64|0 0=64";
    for (const QString& c : QString::fromLatin1(kept).split(u'|'))
        EXPECT_EQ(ValidatedPacketSizeText(c.section(u'=', 0, 0), 64), c.section(u'=', 1))
            << qPrintable(c);
    EXPECT_EQ(ReadPacketSize(QStringLiteral(" 1 2")), 12);
    // The keys it takes: digits, Backspace, Enter and space.
    EXPECT_TRUE(PacketSizeKeyPasses('0') && PacketSizeKeyPasses('9') && PacketSizeKeyPasses(8) &&
                PacketSizeKeyPasses(13) && PacketSizeKeyPasses(32));
    EXPECT_FALSE(PacketSizeKeyPasses('/') || PacketSizeKeyPasses(':') || PacketSizeKeyPasses(9));
}

class PingTestWindowTest : public ::testing::Test {
protected:
    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    Suite suite{messages, status, surfaces};
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("s.ini"))};
    int tiles = 0;
};

TEST_F(PingTestWindowTest, TheKeyboardEditsAndLeavesTheSizeBox) {
    suite.settings.TXTestSize = 12;
    PingTestWindow window(suite, store, PingTestWindow::Hooks{[this] { ++tiles; }});
    window.show();
    EXPECT_EQ(window.TXTestData(), QStringLiteral("0123456789AB"));
    clickIntoBox(window.sizeBox());
    expectKeyboardEditing(window.sizeBox());
    // Closing stops the ping test and tiles the windows.
    suite.flags.PingTestStopped = false;
    window.close();
    EXPECT_TRUE(suite.flags.PingTestStopped);
    EXPECT_EQ(tiles, 1);
}
