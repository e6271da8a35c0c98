#include "ui/readable_colour.h"

#include <algorithm>
#include <cmath>

namespace readable {

namespace {

// Relative luminance of an 0x00BBGGRR colour (sRGB channels made linear).
double luminance(Colour colour) {
    auto linear = [](Colour channel) {
        const double c = static_cast<double>(channel & 0xFF) / 255.0;
        return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * linear(colour) + 0.7152 * linear(colour >> 8) + 0.0722 * linear(colour >> 16);
}

} // namespace

double contrast(Colour a, Colour b) {
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Colour textColour(Colour wanted, Colour background, Colour fallback) {
    if (contrast(wanted, background) >= kMinimumContrast)
        return wanted;
    return contrast(fallback, background) > contrast(wanted, background) ? fallback : wanted;
}

} // namespace readable
