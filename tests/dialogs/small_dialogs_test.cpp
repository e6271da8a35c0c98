// The About box and the input rules of "Port Select": the ranges and defaults of every test and
// meter, the order of the thresholds on rising and falling scales, IP parts and the TCP port.

#include "dialogs/about_box.h"
#include "dialogs/about_text.h"
#include "dialogs/connection_inputs.h"

#include <QTest>
#include <QtWidgets>
#include <gtest/gtest.h>

// The box shows this build's contact block (CR LF lines in the text, plain line
// breaks on the screen) and slides into place; OK closes it. Each wait ends as soon
// as it is met.
TEST(AboutBoxTest, ShowsThisBuildsTextAndAnimatesIntoPlace) {
    EXPECT_EQ(VersionLine(2, 9) + VersionLine(2, 10), QStringLiteral("Version: 2.09Version: 2.10"));
    EXPECT_EQ(AboutContactText(2, 0, 0).count(QStringLiteral("\r\n")), 7);
    QPointer<AboutBox> box = new AboutBox;
    box->setAttribute(Qt::WA_DeleteOnClose);
    EXPECT_EQ(box->nameLabel()->text(), QStringLiteral("Veltrane Systems"));
    const QString text = box->textBox()->toPlainText();
    EXPECT_TRUE(text.count(u'\n') == 7 && text.contains("\nTel: ") && text.contains("\nFax: ") &&
                text.contains("\nemail: ") && text.endsWith("\nVersion: 2.00\nRevision: 0"))
        << qPrintable(text);
    box->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !box->animationRunning(); }, 30000));
    EXPECT_EQ(box->animationSteps(), 28);
    box->okButton()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return box.isNull(); }, 30000));
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
    EXPECT_EQ(std::tuple(BoxNumber(" -8 0"), BoxNumber("-")), std::tuple(-80.0, 0.0));
    // IP parts and the TCP port (what the boxes refuse is left to the dialog's test).
    const TcpPortCheck highest = CheckTcpPort(QStringLiteral("65535")), empty = CheckTcpPort({});
    EXPECT_EQ(std::tuple(IpPartValue("255"), IpPartValue("007"),
                         JoinIpAddress("10", "", "007", "1"), highest.text, empty.text,
                         empty.outOfRange),
              std::tuple(255, 7, QStringLiteral("10.0.7.1"), QStringLiteral("65535"), std::nullopt,
                         false));
}
