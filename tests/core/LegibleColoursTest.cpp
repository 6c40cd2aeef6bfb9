// The colours captions are drawn in, scheme by scheme, on every backend.
#include <gtest/gtest.h>

#include "platform/common/LegibleColours.h"

namespace vedodud {
namespace {

// Registry order ("r g b") to the &H00BBGGRR layout.
constexpr Colour Rgb(unsigned r, unsigned g, unsigned b) {
    return r | (g << 8) | (b << 16);
}
constexpr Colour kBlack = Rgb(0, 0, 0), kWhite = Rgb(255, 255, 255);

struct SchemeCase {
    const char* name;
    SchemeColours scheme;  // caption text (9), window text (8), window background (5)
    LegibleColours expected;
};

TEST(LegibleColours, EachSchemeGetsLegibleCaptionsInItsOwnColours) {
    const SchemeCase cases[] = {
        {"classic: white caption text is kept", {kWhite, kBlack, kWhite}, {kWhite, kBlack}},
        {"classic with a pale caption text keeps it",
         {Rgb(255, 251, 240), kBlack, kWhite},
         {Rgb(255, 251, 240), kBlack}},
        {"Windows 10 light and Wine: black caption text gives way to the window",
         {kBlack, kBlack, kWhite},
         {kWhite, kBlack}},
        {"high contrast white on black", {kWhite, kWhite, kBlack}, {kBlack, kWhite}},
        {"high contrast black on white", {kBlack, kBlack, kWhite}, {kWhite, kBlack}},
        {"high contrast yellow on black keeps its yellow",
         {kWhite, Rgb(255, 255, 0), kBlack},
         {kBlack, Rgb(255, 255, 0)}},
        {"a dark scheme whose caption text is dark under light text",
         {Rgb(32, 32, 32), kWhite, Rgb(32, 32, 32)},
         {Rgb(32, 32, 32), kWhite}},
        // Black text on grey 117 is just legible (4.56:1), on grey 116 just not (4.49:1).
        {"grey 117 under black text is kept",
         {Rgb(117, 117, 117), kBlack, kWhite},
         {Rgb(117, 117, 117), kBlack}},
        {"grey 116 under black text is not", {Rgb(116, 116, 116), kBlack, kWhite}, {kWhite, kBlack}},
        {"nothing legible, dark window: white text", {kBlack, kBlack, kBlack}, {kBlack, kWhite}},
        {"nothing legible, mid grey window: black text reads better",
         {Rgb(128, 128, 128), Rgb(118, 118, 118), Rgb(128, 128, 128)},
         {Rgb(128, 128, 128), kBlack}},
    };
    for (const SchemeCase& c : cases) {
        const LegibleColours got = ResolveLegibleColours(c.scheme);
        EXPECT_EQ(got, c.expected) << c.name << ": got background " << std::hex << got.background << ", text "
                                   << got.text;
        EXPECT_GE(ContrastRatio(got.background, got.text), kLegibleContrast) << c.name;
    }
}

TEST(LegibleColours, ContrastRatioRunsFromOneToTwentyOneEitherWayRound) {
    EXPECT_DOUBLE_EQ(ContrastRatio(kBlack, kWhite), 21.0);
    EXPECT_DOUBLE_EQ(ContrastRatio(kWhite, kBlack), 21.0);
    EXPECT_DOUBLE_EQ(ContrastRatio(Rgb(10, 200, 30), Rgb(10, 200, 30)), 1.0);
    // Green weighs most, blue least: the same step on one channel is not the same contrast.
    EXPECT_GT(ContrastRatio(kBlack, Rgb(0, 255, 0)), ContrastRatio(kBlack, Rgb(255, 0, 0)));
    EXPECT_GT(ContrastRatio(kBlack, Rgb(255, 0, 0)), ContrastRatio(kBlack, Rgb(0, 0, 255)));
}

}  // namespace
}  // namespace vedodud
