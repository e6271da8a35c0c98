#include "core/number_text.h"

#include <QLocale>
#include <QStringList>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

QString shown(const QString& text) {
    return text;
}
template <typename T> QString shown(const std::optional<T>& value) {
    return value ? shortestText(*value) : QStringLiteral("-");
}

// Checks `convert(given)` for each "given=expected" of a '|'-separated list; "-"
// stands for nothing (a text the parser refuses).
template <typename Convert> void expectEach(const char* list, Convert convert) {
    for (const QString& c : QString::fromUtf8(list).split(u'|'))
        EXPECT_EQ(shown(convert(c.section(u'=', 0, 0))), c.section(u'=', 1)) << qPrintable(c);
}

TEST(NumberText, ShortestTextsOfFloatsAndIntegers) {
    // The float nearest to the given text, then its shortest text (integers: see the
    // roundings below).
    expectEach(
        "26.5=26.5|915.0=915|-104.78=-104.78|0.1=0.1|-0.0=0|16777216=16777216|"
        "1e-5=0.00001|9.99e-6=9.99e-06|1e14=100000000000000|1e15=1e+15|-1e20=-1e+20|"
        "3.4028235e38=3.4028235e+38|1.4e-45=1e-45",
        [](const QString& given) { return shortestText(std::strtof(qPrintable(given), nullptr)); });
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
    expectEach("  7 =7|\t-12\t=-12|+12=12|0007=7|-32768=-32768|32767=32767|=-| =-|12abc=-|1,5=-|"
               "1.0=-|1e3=-|0x10=-|32768=-|-32769=-|99999999999999999999=-|+=-|+-1=-|- 1=-|"
               "1 2=-|7\n=-|٣=-",
               [](const QString& given) { return parseInteger(given, -32768, 32767); });
    expectEach("902.5=902.5| -40 =-40|.5=0.5|1e+20=1e+20|-3.4028235e38=-3.4028235e+38|=-|abc=-|"
               "1,5=-|nan=-|inf=-|-inf=-|1e999=-|3.5e38=-|-1e39=-|0x10=-|1e=-|1.2.3=-|+-1=-|"
               "12 3=-|−5=-",
               [](const QString& given) { return parseFloat(given); });
}

TEST(NumberText, RoundingToIntegersAndToOneDecimal) {
    expectEach("2.5=2|3.5=4|-2.5=-2|-3.5=-4|-0.5=0|1.5=2|2.5000001=3|-80.6=-81|"
               "4503599627370497=4503599627370497|1e300=9223372036854775807|"
               "-1e300=-9223372036854775808",
               [](const QString& given) { return std::optional(roundHalfEven(given.toDouble())); });
    // Halves away from zero, on the decimal value the user reads.
    expectEach("-0.0=0.0|0.25=0.3|-80.45=-80.5|-80.44=-80.4|0.05=0.1|0.04999=0.0|-0.04=0.0|"
               "-0.05=-0.1|99.96=100.0|1e20=100000000000000000000.0",
               [](const QString& given) { return formatOneDecimal(given.toDouble()); });
    EXPECT_EQ(formatOneDecimal(0.3 - 0.05), QStringLiteral("0.3"));
    expectEach("0.953=95.3%|0.955=95.5%|1.0=100.0%|0.0005=0.1%|0.00049=0.0%|-0.1234=-12.3%",
               [](const QString& given) { return formatPercent(given.toDouble()); });
}

} // namespace
