#include "network/retries_box.h"

#include "core/number_text.h"

std::optional<double> RetriesBoxNumber(const QString& text) {
    const auto value = parseFloat(text);
    if (!value)
        return std::nullopt;
    return static_cast<double>(*value);
}

std::optional<int> ValidRetries(const QString& text) {
    const auto value = RetriesBoxNumber(text);
    if (!value || *value < 1.0 || *value > 255.0)
        return std::nullopt;
    return static_cast<int>(roundHalfEven(*value));
}

int MissRunLengthFromBox(const QString& text, int retriesSetting) {
    const auto value = RetriesBoxNumber(text);
    if (!value)
        return retriesSetting;
    // While the user is still typing, the box may hold 0 or a huge number; keep the
    // comparison meaningful.
    const auto rounded = roundHalfEven(*value);
    if (rounded < 1)
        return 1;
    if (rounded > 255)
        return 255;
    return static_cast<int>(rounded);
}
