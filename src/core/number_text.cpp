#include "core/number_text.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>

namespace {

// The ASCII bytes of a stored text without its surrounding blanks, or nullopt when
// the text holds anything outside ASCII (such a text is never a number of ours).
std::optional<std::string> asciiWithoutBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    auto isBlank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && isBlank(text.at(begin)))
        ++begin;
    while (end > begin && isBlank(text.at(end - 1)))
        --end;
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(end - begin));
    for (qsizetype i = begin; i < end; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c >= 0x80)
            return std::nullopt;
        bytes.push_back(static_cast<char>(c));
    }
    return bytes;
}

// Drops one leading "+" ("+7" is a number, "+-7" and "+" are not). Returns false when
// what remains cannot start a number.
bool dropLeadingPlus(std::string_view& digits) {
    if (!digits.empty() && digits.front() == '+') {
        digits.remove_prefix(1);
        if (digits.empty() || digits.front() == '-' || digits.front() == '+')
            return false;
    }
    return !digits.empty();
}

// Adds one unit in the last place to a string of decimal digits.
void incrementDigits(std::string& digits) {
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        if (*it != '9') {
            ++*it;
            return;
        }
        *it = '0';
    }
    digits.insert(digits.begin(), '1');
}

} // namespace

QString shortestText(std::int64_t value) {
    return QString::number(value);
}

QString shortestText(float value) {
    if (value == 0.0f)
        return QStringLiteral("0"); // also for -0
    char buffer[64];
    const float magnitude = std::fabs(value);
    if (!(magnitude >= 1e-5f && magnitude < 1e15f)) {
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        return QString::fromLatin1(buffer, result.ptr - buffer);
    }

    // The fewest significant digits that read back to this float, then written out
    // in plain notation: 1e14f gives "100000000000000" rather than the float's exact
    // value 100000000376832 (both read back to the same float).
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, magnitude, std::chars_format::scientific);
    const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits;
    for (char c : scientific.substr(0, e))
        if (c != '.')
            digits.push_back(c);
    int exponent = 0;
    std::string_view exponentText = scientific.substr(e + 1);
    if (!exponentText.empty() && exponentText.front() == '+')
        exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

    // The value is 0.d1d2d3... x 10^(exponent + 1).
    const int integerDigits = exponent + 1;
    std::string text = value < 0 ? "-" : "";
    if (integerDigits <= 0) {
        text += "0.";
        text.append(static_cast<std::size_t>(-integerDigits), '0');
        text += digits;
    } else if (static_cast<std::size_t>(integerDigits) >= digits.size()) {
        text += digits;
        text.append(static_cast<std::size_t>(integerDigits) - digits.size(), '0');
    } else {
        text += digits.substr(0, static_cast<std::size_t>(integerDigits));
        text += '.';
        text += digits.substr(static_cast<std::size_t>(integerDigits));
    }
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::optional<std::int64_t> parseInteger(const QString& text, std::int64_t min, std::int64_t max) {
    const auto bytes = asciiWithoutBlanks(text);
    if (!bytes)
        return std::nullopt;
    std::string_view digits(*bytes);
    if (!dropLeadingPlus(digits))
        return std::nullopt;
    std::int64_t value = 0;
    const char* end = digits.data() + digits.size();
    const auto result = std::from_chars(digits.data(), end, value, 10);
    if (result.ec != std::errc() || result.ptr != end)
        return std::nullopt;
    if (value < min || value > max)
        return std::nullopt;
    return value;
}

std::optional<float> parseFloat(const QString& text) {
    const auto bytes = asciiWithoutBlanks(text);
    if (!bytes)
        return std::nullopt;
    std::string_view digits(*bytes);
    if (!dropLeadingPlus(digits))
        return std::nullopt;
    float value = 0.0f;
    const char* end = digits.data() + digits.size();
    // Out of the float range (either way) is result_out_of_range; "inf" and "nan"
    // parse and are refused below.
    const auto result = std::from_chars(digits.data(), end, value, std::chars_format::general);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::int64_t roundHalfEven(double value) {
    if (std::isnan(value))
        return 0;
    constexpr double kLimit = 9223372036854775808.0; // 2^63
    if (value >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    if (value < -kLimit)
        return std::numeric_limits<std::int64_t>::min();
    const double below = std::floor(value);
    const double fraction = value - below; // exact for every double
    double rounded = below;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(below, 2.0) != 0.0))
        rounded = below + 1.0;
    if (rounded >= kLimit)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(rounded);
}

QString formatOneDecimal(double value) {
    if (!std::isfinite(value)) {
        char buffer[16];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
        return QString::fromLatin1(buffer, result.ptr - buffer);
    }

    // Round on the decimal value rather than the binary one: the magnitude is first
    // written with the 15 significant digits a double carries (2.25 and 95.4999...
    // from 0.955 x 100 become exactly 2.25 and 95.5), then rounded at the first
    // decimal with halves away from zero.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value),
                                      std::chars_format::scientific, 14);
    const std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
    const std::size_t e = scientific.find('e');
    std::string digits; // 15 digits d1 d2 ...: the magnitude is d1.d2d3... x 10^exponent
    for (char c : scientific.substr(0, e))
        if (c != '.')
            digits.push_back(c);
    int exponent = 0;
    std::string_view exponentText = scientific.substr(e + 1);
    if (!exponentText.empty() && exponentText.front() == '+')
        exponentText.remove_prefix(1);
    std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);

    // Tenths = digits x 10^(exponent - 13); keep the digits down to the tenths.
    const long keep = static_cast<long>(digits.size()) + exponent - 13;
    std::string tenths;
    if (keep >= static_cast<long>(digits.size())) {
        tenths = digits;
        tenths.append(static_cast<std::size_t>(keep) - digits.size(), '0');
    } else {
        if (keep > 0)
            tenths = digits.substr(0, static_cast<std::size_t>(keep));
        const bool roundUp = keep >= 0 && digits[static_cast<std::size_t>(keep)] >= '5';
        if (tenths.empty())
            tenths.push_back('0');
        if (roundUp)
            incrementDigits(tenths);
    }
    const std::size_t firstNonZero = tenths.find_first_not_of('0');
    if (firstNonZero == std::string::npos)
        return QStringLiteral("0.0"); // never "-0.0"
    tenths.erase(0, firstNonZero);

    std::string text = value < 0 ? "-" : "";
    if (tenths.size() == 1)
        text += "0";
    else
        text += tenths.substr(0, tenths.size() - 1);
    text += '.';
    text += tenths.back();
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString formatPercent(double fraction) {
    return formatOneDecimal(fraction * 100.0) + QLatin1Char('%');
}
