// The input rules of the "Port Select" dialog: ranges and defaults of every test and
// meter, the order of the thresholds on rising and falling scales, IP parts and the
// TCP port.

#include "dialogs/connection_inputs.h"

#include <QStringList>
#include <gtest/gtest.h>

namespace {
QStringList rangesOf(const QString& marginal, const QString& bad, ScaleEnds ends) {
    const ThresholdRanges r = RangeTexts(marginal, bad, ends);
    return {r.good, r.marginal, r.bad};
}
} // namespace

TEST(ThresholdRanges, DefaultsAndRangeTextsOfEveryTestAndMeter) {
    struct Case {
        int test, meter;
        ThresholdPair defaults;
        QStringList ranges;
    };
    const Case cases[] = {
        {0, 0, {-80, -95}, {"(-40 to -79)", "(-80 to -95)", "(-96 to -110)"}},
        {0, 1, {85, 70}, {"(100 to 86)", "(85 to 70)", "(69 to 0)"}},
        {1, 0, {-85, -75}, {"(-110 to -86)", "(-85 to -75)", "(-74 to -40)"}},
        {1, 1, {85, 70}, {"(100 to 86)", "(85 to 70)", "(69 to 0)"}},
    };
    for (const Case& c : cases) {
        const ThresholdPair pair = DefaultThresholds(c.test, c.meter);
        EXPECT_EQ(pair.marginal, c.defaults.marginal) << c.test << c.meter;
        EXPECT_EQ(pair.bad, c.defaults.bad) << c.test << c.meter;
        EXPECT_EQ(rangesOf(QString::number(pair.marginal), QString::number(pair.bad),
                           MeterScaleEnds(c.test, c.meter)),
                  c.ranges)
            << c.test << c.meter;
    }
    // The marginal range shows the boxes' texts as typed.
    EXPECT_EQ(RangeTexts(QStringLiteral("8 5"), QStringLiteral("70"), {0, 100}).marginal,
              QStringLiteral("(8 5 to 70)"));
    EXPECT_EQ(RangeTexts(QStringLiteral("8 5"), QStringLiteral("70"), {0, 100}).good,
              QStringLiteral("(100 to 86)"));
}

TEST(ThresholdRanges, ThresholdsMustKeepTheScaleOrder) {
    // Which threshold, what was typed, the other one, the value held before: kept.
    const struct {
        int which;
        const char *typed, *other;
        int before;
        ScaleEnds ends;
        const char* kept;
    } cases[] = {
        {0, "60", "70", 85, MeterScaleEnds(0, 1), "85"}, // 0 .. 100, rising
        {0, "100", "70", 85, MeterScaleEnds(0, 1), "85"},
        {0, "86", "70", 85, MeterScaleEnds(0, 1), "86"},
        {1, "0", "85", 70, MeterScaleEnds(0, 1), "70"},
        {1, "", "85", 70, MeterScaleEnds(0, 1), "70"},
        {0, "-90", "-75", -85, MeterScaleEnds(1, 0), "-90"}, // -40 .. -110, falling
        {0, "-70", "-75", -85, MeterScaleEnds(1, 0), "-85"},
        {1, "-40", "-85", -75, MeterScaleEnds(1, 0), "-75"},
        {1, "-60", "-85", -75, MeterScaleEnds(1, 0), "-60"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValidatedThreshold(c.which, QString::fromLatin1(c.typed),
                                     QString::fromLatin1(c.other), c.before, c.ends),
                  c.kept)
            << c.which << " " << c.typed;
    EXPECT_EQ(RangeTexts(QStringLiteral("86"), QStringLiteral("70"), MeterScaleEnds(0, 1)).good,
              QStringLiteral("(100 to 87)"));
    EXPECT_TRUE(ThresholdKeyAccepted(QLatin1Char('7')) && ThresholdKeyAccepted(QLatin1Char('-')));
    EXPECT_FALSE(ThresholdKeyAccepted(QLatin1Char('.')) || ThresholdKeyAccepted(QLatin1Char('a')));
    EXPECT_EQ(BoxNumber(QStringLiteral(" -8 0")), -80.0);
    EXPECT_EQ(BoxNumber(QStringLiteral("-")), 0.0);
}

TEST(AddressInputs, IpPartsAndTheTcpPort) {
    EXPECT_EQ(IpPartValue(QStringLiteral("255")), 255);
    EXPECT_EQ(IpPartValue(QStringLiteral("007")), 7);
    EXPECT_FALSE(IpPartValue(QStringLiteral("256")));
    EXPECT_EQ(JoinIpAddress(QStringLiteral("10"), QStringLiteral(""), QStringLiteral("007"),
                            QStringLiteral("1")),
              QStringLiteral("10.0.7.1"));

    EXPECT_EQ(CheckTcpPort(QStringLiteral("0080")).text, QStringLiteral("80"));
    EXPECT_EQ(CheckTcpPort(QStringLiteral("65535")).text, QStringLiteral("65535"));
    EXPECT_FALSE(CheckTcpPort(QStringLiteral("70000")).text);
    EXPECT_TRUE(CheckTcpPort(QStringLiteral("70000")).outOfRange);
    EXPECT_FALSE(CheckTcpPort(QString()).text);
    EXPECT_FALSE(CheckTcpPort(QString()).outOfRange);
}
