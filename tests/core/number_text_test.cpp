#include "core/number_text.h"

#include <QLocale>
#include <QRandomGenerator>
#include <bit>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>
#include <ostream>

// Readable QString values in failure messages.
static void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace {

struct FloatText {
    float value;
    const char* text;
};

TEST(ShortestText, FloatsUseTheFewestDigitsThatReadBack) {
    const FloatText cases[] = {
        {26.5f, "26.5"},
        {915.0f, "915"},
        {-40.0f, "-40"},
        {902.5f, "902.5"},
        {0.1f, "0.1"},
        {-104.78f, "-104.78"},
        {0.0f, "0"},
        {-0.0f, "0"},
        {16777216.0f, "16777216"},
        {1e-5f, "0.00001"},
        {9.99e-6f, "9.99e-06"},
        {1e14f, "100000000000000"},
        {1e15f, "1e+15"},
        {1e20f, "1e+20"},
        {-1e20f, "-1e+20"},
        {3.4028235e38f, "3.4028235e+38"},
        {std::numeric_limits<float>::denorm_min(), "1e-45"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shortestText(c.value), QString::fromLatin1(c.text)) << c.text;
}

TEST(ShortestText, IntegersHaveNoLeadingBlank) {
    EXPECT_EQ(shortestText(std::int64_t{915}), QStringLiteral("915"));
    EXPECT_EQ(shortestText(std::int64_t{-40}), QStringLiteral("-40"));
    EXPECT_EQ(shortestText(std::int64_t{0}), QStringLiteral("0"));
    EXPECT_EQ(shortestText(std::numeric_limits<std::int64_t>::min()),
              QStringLiteral("-9223372036854775808"));
}

TEST(ShortestText, EveryFiniteFloatReadsBackExactly) {
    QRandomGenerator random(20240607);
    int checked = 0;
    while (checked < 200000) {
        const float value = std::bit_cast<float>(random.generate());
        if (!std::isfinite(value))
            continue;
        ++checked;
        const QString text = shortestText(value);
        const auto back = parseFloat(text);
        ASSERT_TRUE(back.has_value()) << text.toStdString();
        // -0 is written as "0".
        const float expected = value == 0.0f ? 0.0f : value;
        ASSERT_EQ(std::bit_cast<std::uint32_t>(*back), std::bit_cast<std::uint32_t>(expected))
            << text.toStdString();
        const float magnitude = std::fabs(value);
        if (magnitude >= 1e-5f && magnitude < 1e15f) {
            ASSERT_FALSE(text.contains(QLatin1Char('e'))) << text.toStdString();
        }
    }
}

TEST(ShortestText, IgnoresTheDesktopLocale) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(shortestText(26.5f), QStringLiteral("26.5"));
    EXPECT_EQ(shortestText(std::int64_t{1234567}), QStringLiteral("1234567"));
    EXPECT_EQ(parseFloat(QStringLiteral("26.5")), 26.5f);
    EXPECT_FALSE(parseFloat(QStringLiteral("26,5")).has_value());
    EXPECT_EQ(formatOneDecimal(2.25), QStringLiteral("2.3"));
    QLocale::setDefault(previous);
}

TEST(ParseInteger, AcceptsDecimalIntegersWithinTheRange) {
    constexpr std::int64_t lo = -32768, hi = 32767;
    EXPECT_EQ(parseInteger(QStringLiteral("7"), lo, hi), 7);
    EXPECT_EQ(parseInteger(QStringLiteral("  7 "), lo, hi), 7);
    EXPECT_EQ(parseInteger(QStringLiteral("\t-12\t"), lo, hi), -12);
    EXPECT_EQ(parseInteger(QStringLiteral("+12"), lo, hi), 12);
    EXPECT_EQ(parseInteger(QStringLiteral("0007"), lo, hi), 7);
    EXPECT_EQ(parseInteger(QStringLiteral("-0"), lo, hi), 0);
    EXPECT_EQ(parseInteger(QStringLiteral("-32768"), lo, hi), -32768);
    EXPECT_EQ(parseInteger(QStringLiteral("32767"), lo, hi), 32767);
    EXPECT_EQ(parseInteger(QStringLiteral("-9223372036854775808"),
                           std::numeric_limits<std::int64_t>::min(),
                           std::numeric_limits<std::int64_t>::max()),
              std::numeric_limits<std::int64_t>::min());
}

TEST(ParseInteger, RejectsEverythingElse) {
    constexpr std::int64_t lo = -32768, hi = 32767;
    const char* rejected[] = {"",
                              " ",
                              "abc",
                              "12abc",
                              "1,5",
                              "1.0",
                              "1e3",
                              "0x10",
                              "32768",
                              "-32769",
                              "99999999999999999999",
                              "+",
                              "+-1",
                              "++1",
                              "- 1",
                              "1 2",
                              "\"7\"",
                              "7\n",
                              "٣"};
    for (const char* text : rejected)
        EXPECT_FALSE(parseInteger(QString::fromUtf8(text), lo, hi).has_value()) << text;
    EXPECT_FALSE(parseInteger(QStringLiteral("０"), lo, hi).has_value()); // fullwidth zero
}

TEST(ParseFloat, AcceptsPlainAndExponentNotation) {
    EXPECT_EQ(parseFloat(QStringLiteral("902.5")), 902.5f);
    EXPECT_EQ(parseFloat(QStringLiteral(" -40 ")), -40.0f);
    EXPECT_EQ(parseFloat(QStringLiteral("+26.5")), 26.5f);
    EXPECT_EQ(parseFloat(QStringLiteral(".5")), 0.5f);
    EXPECT_EQ(parseFloat(QStringLiteral("1e+20")), 1e20f);
    EXPECT_EQ(parseFloat(QStringLiteral("3.4028235e+38")), 3.4028235e38f);
    EXPECT_EQ(parseFloat(QStringLiteral("-3.4028235e38")), -3.4028235e38f);
    EXPECT_EQ(parseFloat(QStringLiteral("0.1")), 0.1f);
}

TEST(ParseFloat, RejectsTextsThatAreNotFiniteFloats) {
    const char* rejected[] = {"",      "abc",      "1,5",   "nan",    "NaN",   "-nan", "inf",
                              "-inf",  "infinity", "1e999", "3.5e38", "-1e39", "0x10", "1e",
                              "1.2.3", "+",        "+-1",   "12 3",   "\"7\"", "−5"};
    for (const char* text : rejected)
        EXPECT_FALSE(parseFloat(QString::fromUtf8(text)).has_value()) << text;
}

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbour) {
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(3.5), 4);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(-3.5), -4);
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.4999999), 2);
    EXPECT_EQ(roundHalfEven(2.5000001), 3);
    EXPECT_EQ(roundHalfEven(-80.6), -81);
    EXPECT_EQ(roundHalfEven(4503599627370497.0), 4503599627370497); // 2^52 + 1
    EXPECT_EQ(roundHalfEven(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(roundHalfEven(-1e300), std::numeric_limits<std::int64_t>::min());
}

struct DecimalText {
    double value;
    const char* text;
};

TEST(FormatOneDecimal, RoundsHalvesAwayFromZeroOnTheDecimalValue) {
    const DecimalText cases[] = {
        {0.0, "0.0"},
        {-0.0, "0.0"},
        {0.25, "0.3"},
        {2.25, "2.3"},
        {-80.45, "-80.5"},
        {-80.5, "-80.5"},
        {-80.44, "-80.4"},
        {0.05, "0.1"},
        {0.04999, "0.0"},
        {-0.04, "0.0"},
        {-0.05, "-0.1"},
        {9.95, "10.0"},
        {99.96, "100.0"},
        {1234567.89, "1234567.9"},
        {-104.78, "-104.8"},
        {0.3 - 0.05, "0.3"},
        {1e20, "100000000000000000000.0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatOneDecimal(c.value), QString::fromLatin1(c.text)) << c.text;
}

TEST(FormatPercent, IsOneDecimalOfTheHundredfoldValue) {
    const DecimalText cases[] = {
        {0.953, "95.3%"}, {0.955, "95.5%"}, {0.0, "0.0%"},     {1.0, "100.0%"},
        {0.5, "50.0%"},   {0.0005, "0.1%"}, {0.00049, "0.0%"}, {-0.1234, "-12.3%"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(formatPercent(c.value), QString::fromLatin1(c.text)) << c.text;
}

} // namespace
