#include "platform/common/LegibleColours.h"

#include <algorithm>
#include <cmath>

namespace vedodud {
namespace {

constexpr Colour kBlack = 0x000000;
constexpr Colour kWhite = 0xFFFFFF;

// sRGB channel (0..255) to linear light.
double Linear(unsigned channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

double RelativeLuminance(Colour colour) {
    const unsigned red = colour & 0xFF, green = (colour >> 8) & 0xFF, blue = (colour >> 16) & 0xFF;
    return 0.2126 * Linear(red) + 0.7152 * Linear(green) + 0.0722 * Linear(blue);
}

}  // namespace

double ContrastRatio(Colour a, Colour b) {
    const double la = RelativeLuminance(a), lb = RelativeLuminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

Colour LegibleText(Colour background, Colour text) {
    if (ContrastRatio(background, text) >= kLegibleContrast) return text;
    return ContrastRatio(background, kBlack) >= ContrastRatio(background, kWhite) ? kBlack : kWhite;
}

LegibleColours ResolveLegibleColours(const SchemeColours& scheme) {
    if (ContrastRatio(scheme.wantedBackground, scheme.text) >= kLegibleContrast)
        return {scheme.wantedBackground, scheme.text};
    return {scheme.windowBackground, LegibleText(scheme.windowBackground, scheme.text)};
}

}  // namespace vedodud
