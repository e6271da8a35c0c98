#pragma once

#include "core/settings.h"

// Text drawn beside the charts lies on the desktop's window colour, which a dark
// desktop theme makes dark: the stored "Label Color" (black by default) would vanish
// on it. These pick a colour that can be read there.
namespace readable {

// Contrast between two colours as the ratio of their relative luminances
// (1 = the same brightness, 21 = black on white).
double contrast(Colour a, Colour b);

// `wanted` when it can be read on `background`, else whichever of `wanted` and
// `fallback` (the desktop's text colour) stands out more.
Colour textColour(Colour wanted, Colour background, Colour fallback);

// Below this contrast a text is hard to read (the usual rule for large text and
// graphics on screen).
inline constexpr double kMinimumContrast = 3.0;

} // namespace readable
