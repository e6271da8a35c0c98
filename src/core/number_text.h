#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// Numbers as the suite writes and reads them: in settings values, status texts and
// readouts. Texts use "." as the decimal point whatever the desktop's locale, so
// that stored settings read back identically everywhere.

// Shortest decimal form: integers without a leading blank ("915", "-40"); floats as
// the shortest text that reads back to the same 32-bit float ("26.5", "902.5",
// "-104.78"), in plain notation for magnitudes from 1e-5 to below 1e15 and in
// exponent notation ("1e+20") outside.
QString shortestText(std::int64_t value);
QString shortestText(float value);
// For int and the smaller integers, which would otherwise be ambiguous between the two
// above.
inline QString shortestText(std::int32_t value) {
    return shortestText(std::int64_t{value});
}

// Strict parsers for stored texts: surrounding blanks are allowed, anything else
// that is not a number of the type (empty, "12abc", "1,5", out of range, NaN,
// infinity) gives nullopt.
std::optional<std::int64_t> parseInteger(const QString& text, std::int64_t min, std::int64_t max);
std::optional<float> parseFloat(const QString& text);

// Rounds to the nearest integer, halves to even (2.5 -> 2, 3.5 -> 4, -2.5 -> -2):
// the rule for every computed value that becomes an integer.
std::int64_t roundHalfEven(double value);

// The display pattern "#0.0": one decimal, at least one integer digit (-80.5, 0.3).
// Halves round away from zero.
QString formatOneDecimal(double value);
// The display pattern "#0.0%": value x 100 with one decimal and "%" (0.953 -> 95.3%).
QString formatPercent(double fraction);
