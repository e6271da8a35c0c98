#include "core/settings_store.h"
#include "app/suite.h"
#include "dialogs/packet_generator.h"
#include "dialogs/ping_test_window.h"
#include "support/fakes.h"
#include "support/keyboard_editing.h"

#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <gtest/gtest.h>

// --- the packet -------------------------------------------------------------

TEST(TestPacket, FollowsTheDigitUpperLowerCycleForWholeSizes) {
    EXPECT_EQ(GenerateTestPacket(1), QStringLiteral("0"));
    EXPECT_EQ(GenerateTestPacket(5), QStringLiteral("01234"));
    EXPECT_EQ(GenerateTestPacket(10), QStringLiteral("0123456789"));

    const QString cycle = QStringLiteral("0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ"
                                         "abcdefghijklmnopqrstuvwxyz");
    EXPECT_EQ(GenerateTestPacket(62), cycle);
    EXPECT_EQ(GenerateTestPacket(63), cycle + QStringLiteral("0"));
    EXPECT_TRUE(GenerateTestPacket(63).endsWith(QStringLiteral("z0")));
    EXPECT_EQ(GenerateTestPacket(64), cycle + QStringLiteral("01"));
}

TEST(TestPacket, LargestSizeHasExactlyThatManyCharactersInPattern) {
    const QString packet = GenerateTestPacket(9999);
    ASSERT_EQ(packet.size(), 9999);
    // 9999 = 161 whole cycles + 17 characters: it ends in "...FG".
    EXPECT_TRUE(packet.endsWith(QStringLiteral("EFG")));
    EXPECT_EQ(packet.mid(62 * 100, 62), GenerateTestPacket(62));
}

TEST(TestPacket, SizeBelowOneCompletesTheFirstRunOfDigits) {
    EXPECT_EQ(GenerateTestPacket(0), QStringLiteral("0123456789"));
    EXPECT_EQ(GenerateTestPacket(-7), QStringLiteral("0123456789"));
}

// --- the size box rules -----------------------------------------------------

TEST(PacketSizeBox, KeepsSizesFromOneToFourDigitsAndRevertsTheRest) {
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("9999"), 64), QStringLiteral("9999"));
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("1"), 64), QStringLiteral("1"));
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("10000"), 64), QStringLiteral("64"));
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("0"), 64), QStringLiteral("64"));
    EXPECT_EQ(ValidatedPacketSizeText(QString(), 120), QStringLiteral("120"));
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("   "), 120), QStringLiteral("120"));
    // Text the keys could not have typed (pasted, set from outside) is out of range.
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("12a"), 64), QStringLiteral("64"));
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("-5"), 64), QStringLiteral("64"));
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("99999999999999"), 64), QStringLiteral("64"));
}

TEST(PacketSizeBox, SpacesAreIgnoredWhenTheTextIsRead) {
    EXPECT_EQ(ReadPacketSize(QStringLiteral(" 1 2")), 12);
    EXPECT_EQ(ReadPacketSize(QStringLiteral("5 ")), 5);
    EXPECT_EQ(ReadPacketSize(QStringLiteral("  ")), std::nullopt);
    // A spaced size in range stays as typed; a spaced zero is still zero.
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("1 2"), 64), QStringLiteral("1 2"));
    EXPECT_EQ(ValidatedPacketSizeText(QStringLiteral("0 0"), 64), QStringLiteral("64"));
}

TEST(PacketSizeBox, KeyFilterPassesDigitsAndTheEditingKeysOnly) {
    for (char c = '0'; c <= '9'; ++c)
        EXPECT_TRUE(PacketSizeKeyPasses(c)) << c;
    EXPECT_TRUE(PacketSizeKeyPasses(8));
    EXPECT_TRUE(PacketSizeKeyPasses(13));
    EXPECT_TRUE(PacketSizeKeyPasses(32));
    for (int c : std::initializer_list<int>{'a', 'Z', '-', '+', '.', ',', 'e', 9, 27, 127, 0x00e9})
        EXPECT_FALSE(PacketSizeKeyPasses(c)) << c;
}

// --- the window ---------------------------------------------------------------

class PingTestWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        store = std::make_unique<SettingsStore>(dir.filePath(QStringLiteral("s.ini")));
    }

    // Creates and shows the window, as the main window does.
    void open(int storedSize = 64) {
        suite.settings.TXTestSize = storedSize;
        PingTestWindow::Hooks hooks;
        hooks.tileChildWindows = [this] { ++tiles; };
        window = std::make_unique<PingTestWindow>(suite, *store, hooks);
        window->show();
    }

    // The focus arriving at and leaving the size box.
    void focusSizeBox() {
        QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(window->sizeBox(), &in);
    }
    void leaveSizeBox() {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(window->sizeBox(), &out);
    }
    // The user edits the box: it gets the focus, its text is replaced, it loses
    // the focus. Returns what the box holds afterwards.
    QString editSize(const QString& text) {
        focusSizeBox();
        window->sizeBox()->setText(text);
        leaveSizeBox();
        return window->sizeBox()->text();
    }

    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    Suite suite{messages, status, surfaces};
    QTemporaryDir dir;
    std::unique_ptr<SettingsStore> store;
    std::unique_ptr<PingTestWindow> window;
    int tiles = 0;
};

TEST_F(PingTestWindowTest, OpensWithTheStoredSizeItsPacketAndTheInitialResults) {
    open(12);
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ping Test"));
    EXPECT_EQ(window->sizeBox()->text(), QStringLiteral("12"));
    EXPECT_EQ(window->sizeBox()->maxLength(), 4);
    EXPECT_EQ(window->transmitTerminal()->toPlainText(), QStringLiteral("0123456789AB"));
    EXPECT_EQ(window->TXTestData(), QStringLiteral("0123456789AB"));
    EXPECT_TRUE(window->transmitTerminal()->isVisible());
    EXPECT_FALSE(window->receiveTerminal()->isVisible());
    EXPECT_TRUE(window->viewOption(0)->isChecked());
    EXPECT_TRUE(window->transmitTerminal()->isReadOnly());
    EXPECT_TRUE(window->receiveTerminal()->isReadOnly());
    // The terminals share one place.
    EXPECT_EQ(window->transmitTerminal()->geometry(), window->receiveTerminal()->geometry());

    const QList<QLabel*> labels = window->findChildren<QLabel*>();
    QStringList captions;
    for (const QLabel* label : labels)
        captions << label->text();
    for (const char* caption : {"Bytes", "&Filename:  ", "Throughput:", "0 bps",
                                "Errors:", "&Runs:", "Percentage Good:", "100%"})
        EXPECT_TRUE(captions.contains(QString::fromLatin1(caption))) << caption;
    EXPECT_EQ(window->createButton()->text(), QStringLiteral("Create Data"));
    EXPECT_EQ(window->viewOption(0)->text(), QStringLiteral("View TX Packets"));
    EXPECT_EQ(window->viewOption(1)->text(), QStringLiteral("View RX Packets"));
}

TEST_F(PingTestWindowTest, PacketFrameTopLeftResultsBelowTerminalsFillTheRest) {
    open();
    window->resize(800, 500);
    const QWidget* terminal = window->transmitTerminal();
    const QRect packet = window->createButton()->parentWidget()->geometry();
    const QRect results =
        window->findChild<QLabel*>(QStringLiteral("Label_Errors"))->parentWidget()->geometry();
    // At 96 dpi 200 twips are 13 px, 400 twips 27 px and 600 twips 40 px.
    EXPECT_EQ(packet.topLeft(), QPoint(13, 13));
    EXPECT_EQ(results.left(), 13);
    EXPECT_EQ(results.top(), packet.bottom() + 1);
    EXPECT_EQ(terminal->x(), packet.width() + 27);
    EXPECT_EQ(terminal->y(), 13);
    EXPECT_EQ(terminal->width(), 800 - 40 - packet.width());
    EXPECT_EQ(terminal->height(), 500 - 27);
}

TEST_F(PingTestWindowTest, SizeBoxKeepsValidSizesAndRevertsTheRestSilently) {
    open(64);
    EXPECT_EQ(editSize(QStringLiteral("9999")), QStringLiteral("9999"));
    // The value held when the box got the focus comes back.
    EXPECT_EQ(editSize(QStringLiteral("0")), QStringLiteral("9999"));
    EXPECT_EQ(editSize(QString()), QStringLiteral("9999"));
    EXPECT_EQ(editSize(QStringLiteral("250")), QStringLiteral("250"));
    EXPECT_EQ(editSize(QStringLiteral("0 0")), QStringLiteral("250"));
    EXPECT_EQ(editSize(QStringLiteral(" 3 1")), QStringLiteral(" 3 1"));
    EXPECT_TRUE(messages.shown.isEmpty());

    // The box takes at most four characters, so 10000 cannot even be typed...
    window->sizeBox()->setText(QStringLiteral("10000"));
    EXPECT_EQ(window->sizeBox()->text(), QStringLiteral("1000"));
    // ...and a spaced size generates as its number.
    editSize(QStringLiteral(" 3 1"));
    window->Form_Activate();
    EXPECT_EQ(window->TXTestData().size(), 31);
}

TEST_F(PingTestWindowTest, TypedKeysOtherThanDigitsSpaceAndBackspaceAreDropped) {
    open();
    QLineEdit* box = window->sizeBox();
    box->clear();
    QTest::keyClicks(box, QStringLiteral("1a-2 .3"));
    EXPECT_EQ(box->text(), QStringLiteral("12 3"));
    QTest::keyClick(box, Qt::Key_Backspace);
    EXPECT_EQ(box->text(), QStringLiteral("12 "));
}

TEST_F(PingTestWindowTest, TheKeyboardEditsAndLeavesTheSizeBox) {
    open(12);
    clickIntoBox(window->sizeBox());
    expectKeyboardEditing(window->sizeBox());
}

TEST_F(PingTestWindowTest, ClickOnBytesGivesTheSizeBoxTheFocus) {
    open();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->createButton()->setFocus();
    ASSERT_FALSE(window->sizeBox()->hasFocus());
    QTest::mouseClick(window->unitLabel(), Qt::LeftButton);
    EXPECT_TRUE(window->sizeBox()->hasFocus());
}

TEST_F(PingTestWindowTest, ReceiveViewHidesThePacketAndCreateDataBringsItBack) {
    open(5);
    window->viewOption(1)->click();
    EXPECT_FALSE(window->transmitTerminal()->isVisible());
    EXPECT_TRUE(window->receiveTerminal()->isVisible());
    EXPECT_TRUE(window->receiveTerminal()->toPlainText().isEmpty());

    window->viewOption(0)->click();
    EXPECT_TRUE(window->transmitTerminal()->isVisible());
    EXPECT_FALSE(window->receiveTerminal()->isVisible());
    EXPECT_EQ(window->transmitTerminal()->toPlainText(), QStringLiteral("01234"));

    window->viewOption(1)->click();
    window->createButton()->click();
    EXPECT_TRUE(window->viewOption(0)->isChecked());
    EXPECT_TRUE(window->transmitTerminal()->isVisible());
    EXPECT_FALSE(window->receiveTerminal()->isVisible());

    // Activation shows the transmit view as well.
    window->viewOption(1)->click();
    window->Form_Activate();
    EXPECT_TRUE(window->transmitTerminal()->isVisible());
}

TEST_F(PingTestWindowTest, ActivationUsesTheBoxButOnlyCreateDataStoresTheSize) {
    open(64);
    const QString path = store->path();
    editSize(QStringLiteral("7"));
    window->Form_Activate();
    EXPECT_EQ(window->TXTestData(), QStringLiteral("0123456"));
    EXPECT_EQ(suite.settings.TXTestSize, 64);
    EXPECT_EQ(store->read(QStringLiteral("Settings"), QStringLiteral("TXTestSize")), std::nullopt);

    editSize(QStringLiteral("100"));
    window->createButton()->click();
    EXPECT_EQ(window->TXTestData().size(), 100);
    EXPECT_EQ(suite.settings.TXTestSize, 100);
    // On disk, where the next start-up reads it.
    SettingsStore reread(path);
    EXPECT_EQ(reread.read(QStringLiteral("Settings"), QStringLiteral("TXTestSize")),
              QStringLiteral("100"));
    Settings loaded;
    LoadSettings(loaded, reread);
    EXPECT_EQ(loaded.TXTestSize, 100);
}

TEST_F(PingTestWindowTest, EmptyBoxLeavesThePreviousPacketOnShow) {
    open(3);
    window->sizeBox()->clear();
    window->Form_Activate();
    EXPECT_EQ(window->transmitTerminal()->toPlainText(), QStringLiteral("012"));
}

TEST_F(PingTestWindowTest, ClosingStopsThePingTestAndTilesUnlessTheProgramCloses) {
    open();
    suite.flags.PingTestStopped = false;
    window->close();
    EXPECT_TRUE(suite.flags.PingTestStopped);
    EXPECT_EQ(tiles, 1);

    open();
    suite.flags.ApplicationClosing = true;
    window->close();
    EXPECT_EQ(tiles, 1);
}
