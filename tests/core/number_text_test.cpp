#include "core/number_text.h"

#include <QLocale>
#include <cstdint>
#include <gtest/gtest.h>
#include <limits>

namespace {

template <typename Value> struct Text {
    Value value;
    const char* text;
};

TEST(NumberText, ShortestTextsOfFloatsAndIntegers) {
    const Text<float> floats[] = {{26.5f, "26.5"},
                                  {915.0f, "915"},
                                  {-104.78f, "-104.78"},
                                  {0.1f, "0.1"},
                                  {-0.0f, "0"},
                                  {16777216.0f, "16777216"},
                                  {1e-5f, "0.00001"},
                                  {9.99e-6f, "9.99e-06"},
                                  {1e14f, "100000000000000"},
                                  {1e15f, "1e+15"},
                                  {-1e20f, "-1e+20"},
                                  {3.4028235e38f, "3.4028235e+38"},
                                  {std::numeric_limits<float>::denorm_min(), "1e-45"}};
    for (const auto& c : floats)
        EXPECT_EQ(shortestText(c.value).toStdString(), c.text);
    EXPECT_EQ(shortestText(std::int64_t{-40}).toStdString(), "-40");
    EXPECT_EQ(shortestText(std::numeric_limits<std::int64_t>::min()).toStdString(),
              "-9223372036854775808");
}

TEST(NumberText, TheDesktopLocaleChangesNothing) {
    const QLocale previous;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(shortestText(26.5f), QStringLiteral("26.5"));
    EXPECT_EQ(parseFloat(QStringLiteral("26.5")), 26.5f);
    EXPECT_FALSE(parseFloat(QStringLiteral("26,5")).has_value());
    EXPECT_EQ(formatOneDecimal(2.25), QStringLiteral("2.3"));
    QLocale::setDefault(previous);
}

TEST(NumberText, ParsersTakeNumbersOfTheirTypeAndRangeOnly) {
    const Text<std::int64_t> integers[] = {{7, "  7 "}, {-12, "\t-12\t"},   {12, "+12"},
                                           {7, "0007"}, {-32768, "-32768"}, {32767, "32767"}};
    for (const auto& c : integers)
        EXPECT_EQ(parseInteger(QString::fromUtf8(c.text), -32768, 32767), c.value) << c.text;
    for (const char* text : {"", " ", "12abc", "1,5", "1.0", "1e3", "0x10", "32768", "-32769",
                             "99999999999999999999", "+", "+-1", "- 1", "1 2", "7\n", "٣"})
        EXPECT_FALSE(parseInteger(QString::fromUtf8(text), -32768, 32767).has_value()) << text;

    const Text<float> floats[] = {{902.5f, "902.5"},
                                  {-40.0f, " -40 "},
                                  {0.5f, ".5"},
                                  {1e20f, "1e+20"},
                                  {-3.4028235e38f, "-3.4028235e38"}};
    for (const auto& c : floats)
        EXPECT_EQ(parseFloat(QString::fromUtf8(c.text)), c.value) << c.text;
    for (const char* text : {"", "abc", "1,5", "nan", "inf", "-inf", "1e999", "3.5e38", "-1e39",
                             "0x10", "1e", "1.2.3", "+-1", "12 3", "−5"})
        EXPECT_FALSE(parseFloat(QString::fromUtf8(text)).has_value()) << text;
}

TEST(NumberText, RoundingToIntegersAndToOneDecimal) {
    const Text<std::int64_t> halves[] = {{2, "2.5"},  {4, "3.5"}, {-2, "-2.5"},     {-4, "-3.5"},
                                         {0, "-0.5"}, {2, "1.5"}, {3, "2.5000001"}, {-81, "-80.6"}};
    for (const auto& c : halves)
        EXPECT_EQ(roundHalfEven(std::stod(c.text)), c.value) << c.text;
    EXPECT_EQ(roundHalfEven(4503599627370497.0), 4503599627370497); // 2^52 + 1
    EXPECT_EQ(roundHalfEven(1e300), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(roundHalfEven(-1e300), std::numeric_limits<std::int64_t>::min());

    // Halves away from zero, on the decimal value the user reads.
    const Text<double> decimals[] = {{-0.0, "0.0"},
                                     {0.25, "0.3"},
                                     {-80.45, "-80.5"},
                                     {-80.44, "-80.4"},
                                     {0.05, "0.1"},
                                     {0.04999, "0.0"},
                                     {-0.04, "0.0"},
                                     {-0.05, "-0.1"},
                                     {99.96, "100.0"},
                                     {0.3 - 0.05, "0.3"},
                                     {1e20, "100000000000000000000.0"}};
    for (const auto& c : decimals)
        EXPECT_EQ(formatOneDecimal(c.value).toStdString(), c.text);
    const Text<double> percents[] = {{0.953, "95.3%"}, {0.955, "95.5%"},  {1.0, "100.0%"},
                                     {0.0005, "0.1%"}, {0.00049, "0.0%"}, {-0.1234, "-12.3%"}};
    for (const auto& c : percents)
        EXPECT_EQ(formatPercent(c.value).toStdString(), c.text);
}

} // namespace
