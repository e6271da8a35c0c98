#pragma once

#include <QString>
#include <optional>

// The "Number of Retries:" box of the Network Query window. Only digits and "." can
// be typed; the value must lie between 1 and 255.

// The box's text as a number, or nullopt when it is not one (empty, "1.2.3").
std::optional<double> RetriesBoxNumber(const QString& text);

// The value the hop bin statistics use: consecutive missed readings that count as
// one missed bin. A box that does not hold a usable number gives `retriesSetting`.
int MissRunLengthFromBox(const QString& text, int retriesSetting);

// Validation when the box is left: the stored value, or nullopt when the user must
// be told "Retries must be set between 1 and 255" (the box then reads 1).
std::optional<int> ValidRetries(const QString& text);

inline constexpr const char* kRetriesRangeMessage = "Retries must be set between 1 and 255";
