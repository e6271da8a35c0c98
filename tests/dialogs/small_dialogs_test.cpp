// The small windows and the input rules of "Port Select": the Ping Test window
// (it sends nothing to the radio: its packet, its size box and its close), the About
// box, and the ranges and defaults of every test and meter, the order of the
// thresholds on rising and falling scales, IP parts and the TCP port.

#include "app/suite.h"
#include "core/settings_store.h"
#include "dialogs/about_box.h"
#include "dialogs/about_text.h"
#include "dialogs/connection_inputs.h"
#include "dialogs/packet_generator.h"
#include "dialogs/ping_test_window.h"
#include "support/fakes.h"
#include "support/keyboard_editing.h"

#include <QTemporaryDir>
#include <QtWidgets>
#include <gtest/gtest.h>

TEST(PingTestWindowTest, TheKeyboardEditsAndLeavesTheSizeBox) {
    const QString cycle = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
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
    // The window itself.
    ScriptedMessages messages;
    RecordedStatus status;
    TestSurfaces surfaces;
    Suite suite{messages, status, surfaces};
    QTemporaryDir dir;
    SettingsStore store{dir.filePath(QStringLiteral("s.ini"))};
    int tiles = 0;
    suite.settings.TXTestSize = 12;
    PingTestWindow window(suite, store, PingTestWindow::Hooks{[&tiles] { ++tiles; }});
    window.show();
    EXPECT_EQ(window.TXTestData(), QStringLiteral("0123456789AB"));
    clickIntoBox(window.sizeBox());
    expectKeyboardEditing(window.sizeBox());
    // Create Data keeps the size for the next run, as a plain number.
    window.sizeBox()->setText(QStringLiteral(" 3 0"));
    QTest::mouseClick(window.createButton(), Qt::LeftButton);
    EXPECT_EQ(window.TXTestData().size(), 30);
    EXPECT_EQ(store.read(QStringLiteral("Settings"), QStringLiteral("TXTestSize")),
              QStringLiteral("30"));
    // Closing stops the ping test and tiles the windows.
    suite.flags.PingTestStopped = false;
    window.close();
    EXPECT_EQ(std::tuple(suite.flags.PingTestStopped, tiles), std::tuple(true, 1));
}

// The box shows this build's contact block (CR LF lines in the text, plain line
// breaks on the screen) and slides into place; OK closes it.
TEST(AboutBoxTest, ShowsThisBuildsTextAndAnimatesIntoPlace) {
    constexpr int kBoundMs = 30000; // generous: each wait ends as soon as it is met
    EXPECT_EQ(VersionLine(2, 9) + VersionLine(2, 10), QStringLiteral("Version: 2.09Version: 2.10"));
    EXPECT_EQ(AboutContactText(2, 0, 0).count(QStringLiteral("\r\n")), 7);
    QPointer<AboutBox> box = new AboutBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    EXPECT_EQ(box->nameLabel()->text(), QStringLiteral("Veltrane Systems"));
    const QStringList lines = box->textBox()->toPlainText().split(u'\n');
    ASSERT_EQ(lines.size(), 8);
    EXPECT_EQ(
        QStringList({lines[2].left(5), lines[3].left(5), lines[5].left(7), lines[6], lines[7]}),
        QStringList({"Tel: ", "Fax: ", "email: ", "Version: 2.00", "Revision: 0"}));
    box->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box->animationRunning(); }, kBoundMs));
    EXPECT_EQ(box->animationSteps(), 28);
    box->okButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, kBoundMs));
}

TEST(PortSelectInputs, ThresholdDefaultsRangesAndOrderIpPartsAndTheTcpPort) {
    // Test, meter: the default thresholds, then the good, marginal and bad ranges.
    for (const auto& [test, meter, expected] :
         {std::tuple(0, 0, "-80 -95 (-40 to -79) (-80 to -95) (-96 to -110)"),
          {1, 0, "-85 -75 (-110 to -86) (-85 to -75) (-74 to -40)"},
          {1, 1, "85 70 (100 to 86) (85 to 70) (69 to 0)"}}) {
        const ThresholdPair pair = DefaultThresholds(test, meter);
        const QString marginal = QString::number(pair.marginal), bad = QString::number(pair.bad);
        const ThresholdRanges r = RangeTexts(marginal, bad, MeterScaleEnds(test, meter));
        EXPECT_EQ(QStringList({marginal, bad, r.good, r.marginal, r.bad}).join(' '), expected);
    }
    // The marginal range shows the boxes' texts as typed.
    const ThresholdRanges asTyped = RangeTexts("8 5", "70", {0, 100});
    EXPECT_EQ(asTyped.good + asTyped.marginal, QStringLiteral("(100 to 86)(8 5 to 70)"));
    // Thresholds must keep the scale order (r: 0 to 100, f: -40 down to -110). Which
    // threshold, what was typed, the other one, the value held before: kept.
    for (const QString& c : QStringLiteral("r0,60,70,85=85|r0,100,70,85=85|r0,86,70,85=86|"
                                           "r1,0,85,70=70|r1,,85,70=70|f0,-90,-75,-85=-90|"
                                           "f0,-70,-75,-85=-85|f1,-40,-85,-75=-75|"
                                           "f1,-60,-85,-75=-60")
                                .split(u'|')) {
        const QStringList in = c.section(u'=', 0, 0).split(u',');
        const ScaleEnds ends = MeterScaleEnds(in[0][0] == u'r' ? 0 : 1, in[0][0] == u'r');
        EXPECT_EQ(ValidatedThreshold(in[0].mid(1).toInt(), in[1], in[2], in[3].toInt(), ends),
                  c.section(u'=', 1))
            << qPrintable(c);
    }
    EXPECT_TRUE(ThresholdKeyAccepted(QLatin1Char('7')) && ThresholdKeyAccepted(QLatin1Char('-')));
    EXPECT_FALSE(ThresholdKeyAccepted(QLatin1Char('.')) || ThresholdKeyAccepted(QLatin1Char('a')));
    EXPECT_EQ(std::tuple(BoxNumber(" -8 0"), BoxNumber("-")), std::tuple(-80.0, 0.0));
    // IP parts and the TCP port (what the boxes refuse is left to the dialog's test).
    const TcpPortCheck highest = CheckTcpPort(QStringLiteral("65535")), empty = CheckTcpPort({});
    EXPECT_EQ(std::tuple(IpPartValue("255"), IpPartValue("007"),
                         JoinIpAddress("10", "", "007", "1"), highest.text, empty.text,
                         empty.outOfRange),
              std::tuple(255, 7, QStringLiteral("10.0.7.1"), QStringLiteral("65535"), std::nullopt,
                         false));
}
