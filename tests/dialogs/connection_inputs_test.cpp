// The input rules of the "Port Select" dialog: ranges and defaults of every test and
// meter, the order of the thresholds on rising and falling scales, IP parts and the
// TCP port.

#include "dialogs/connection_inputs.h"

#include <QStringList>
#include <gtest/gtest.h>

TEST(ThresholdRanges, DefaultsAndRangeTextsOfEveryTestAndMeter) {
    // Test, meter: the default thresholds, then the good, marginal and bad ranges.
    const std::tuple<int, int, const char*> cases[] = {
        {0, 0, "-80 -95 (-40 to -79) (-80 to -95) (-96 to -110)"},
        {1, 0, "-85 -75 (-110 to -86) (-85 to -75) (-74 to -40)"},
        {1, 1, "85 70 (100 to 86) (85 to 70) (69 to 0)"},
    };
    for (const auto& [test, meter, expected] : cases) {
        const ThresholdPair pair = DefaultThresholds(test, meter);
        const QString marginal = QString::number(pair.marginal), bad = QString::number(pair.bad);
        const ThresholdRanges r = RangeTexts(marginal, bad, MeterScaleEnds(test, meter));
        EXPECT_EQ(QStringList({marginal, bad, r.good, r.marginal, r.bad}).join(' '), expected);
    }
    // The marginal range shows the boxes' texts as typed.
    const ThresholdRanges typed = RangeTexts(QStringLiteral("8 5"), QStringLiteral("70"), {0, 100});
    EXPECT_EQ(typed.good + typed.marginal, QStringLiteral("(100 to 86)(8 5 to 70)"));
}

TEST(ThresholdRanges, ThresholdsMustKeepTheScaleOrder) {
    // Which threshold, what was typed, the other one, the value held before: kept.
    const ScaleEnds rising = MeterScaleEnds(0, 1), falling = MeterScaleEnds(1, 0);
    const struct {
        int which;
        const char *typed, *other;
        int before;
        ScaleEnds ends;
        const char* kept;
    } cases[] = {
        {0, "60", "70", 85, rising, "85"},      {0, "100", "70", 85, rising, "85"},
        {0, "86", "70", 85, rising, "86"},      {1, "0", "85", 70, rising, "70"},
        {1, "", "85", 70, rising, "70"},        {0, "-90", "-75", -85, falling, "-90"},
        {0, "-70", "-75", -85, falling, "-85"}, {1, "-40", "-85", -75, falling, "-75"},
        {1, "-60", "-85", -75, falling, "-60"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ValidatedThreshold(c.which, QString::fromLatin1(c.typed),
                                     QString::fromLatin1(c.other), c.before, c.ends),
                  c.kept)
            << c.which << " " << c.typed;
    EXPECT_TRUE(ThresholdKeyAccepted(QLatin1Char('7')) && ThresholdKeyAccepted(QLatin1Char('-')));
    EXPECT_FALSE(ThresholdKeyAccepted(QLatin1Char('.')) || ThresholdKeyAccepted(QLatin1Char('a')));
    EXPECT_EQ(BoxNumber(QStringLiteral(" -8 0")), -80.0);
    EXPECT_EQ(BoxNumber(QStringLiteral("-")), 0.0);
}

TEST(AddressInputs, IpPartsAndTheTcpPort) {
    EXPECT_EQ(std::tuple(IpPartValue("255"), IpPartValue("007"), IpPartValue("256")),
              std::tuple(255, 7, std::nullopt));
    EXPECT_EQ(JoinIpAddress("10", "", "007", "1"), QStringLiteral("10.0.7.1"));
    EXPECT_EQ(CheckTcpPort(QStringLiteral("0080")).text.value_or("") +
                  CheckTcpPort(QStringLiteral("65535")).text.value_or(""),
              QStringLiteral("8065535"));
    const TcpPortCheck tooLarge = CheckTcpPort(QStringLiteral("70000")), empty = CheckTcpPort({});
    EXPECT_EQ(std::tuple(tooLarge.text, tooLarge.outOfRange, empty.text, empty.outOfRange),
              std::tuple(std::nullopt, true, std::nullopt, false));
}
