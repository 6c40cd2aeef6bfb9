// Which background and text colour a caption is drawn in, given a colour scheme.
// Plain arithmetic on &H00BBGGRR colours, with no toolkit, so every program follows one rule.
#pragma once

#include "platform/Types.h"

namespace vedodud {

// The colours of the current scheme that decide it, all plain &H00BBGGRR values.
struct SchemeColours {
    Colour wantedBackground;  // what the layout asks for (caption text, entry 9)
    Colour text;              // window text, entry 8
    Colour windowBackground;  // window background, entry 5
};

struct LegibleColours {
    Colour background;
    Colour text;
    bool operator==(const LegibleColours&) const = default;
};

// Text below this contrast ratio against its background is hard to read (the WCAG AA figure).
inline constexpr double kLegibleContrast = 4.5;

// WCAG contrast ratio of two plain colours: 1 (the same) to 21 (black and white).
double ContrastRatio(Colour a, Colour b);

// The scheme's text where it reads on the background; otherwise black or white, whichever reads
// better there.
Colour LegibleText(Colour background, Colour text);

// Keeps the wanted background where the scheme's text stands out on it (classic schemes, whose
// caption text is white); otherwise takes the window background, as schemes that make caption
// text dark (and high-contrast ones) pair it with their text. Should neither be legible, the
// window background stays and the text turns black or white, whichever reads on it.
LegibleColours ResolveLegibleColours(const SchemeColours& scheme);

}  // namespace vedodud
