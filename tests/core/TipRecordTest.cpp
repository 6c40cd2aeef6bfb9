// The 88-byte record the shell gets, and the tip that must stay terminated.
#include "ProgramFixture.h"
#include "platform/common/NotifyIconRecord.h"

namespace vedodud::scripted {
namespace {

std::string TipBytes(const NotifyIconDataA& record) {
    const auto tip = RecordTipBytes(record);
    return std::string(tip.begin(), tip.end());
}

TEST_F(ProgramFixture, EveryShellCallGetsTheFirstRecordLayout) {
    form_->mnuTrayDoStuff_Click();
    const auto& calls = platform_.shell.calls;
    ASSERT_EQ(calls.size(), 3u);
    const Long window = hWnd();
    struct Expected {
        Long message, flags;
    };
    const Expected expected[] = {{NIM_ADD, 3}, {NIM_MODIFY, 4}, {NIM_DELETE, 0}};
    for (std::size_t i = 0; i < 3; ++i) {
        const NotifyIconDataA& r = calls[i].record;
        EXPECT_EQ(calls[i].message, expected[i].message);
        const NotifyIconFields f = DecodeRecordFields(r);
        EXPECT_EQ(f.cbSize, 88);
        EXPECT_EQ(f.hWnd, window);
        EXPECT_EQ(f.uID, 0);
        EXPECT_EQ(f.uFlags, expected[i].flags);
        EXPECT_EQ(f.uCallbackMessage, 2025);
        EXPECT_EQ(f.hIcon, form_->IconHandle());
        EXPECT_EQ(calls[i].result, 1) << i;
    }
    // Little-endian on the wire, whatever the host.
    EXPECT_EQ(calls[0].record[16], 0xE9);
    EXPECT_EQ(calls[0].record[17], 0x07);
    EXPECT_EQ(TipBytes(calls[0].record), std::string(64, '\0'));
    const std::string tip = std::string("Shoutcast/Dezorav Ovozeri") + '\0' + std::string(38, ' ');
    EXPECT_EQ(TipBytes(calls[1].record), tip);
    EXPECT_EQ(TipBytes(calls[2].record), tip) << "the tip survives the removal";
}

TEST(TipField, HoldsTheTextItsNulAndSpaces) {
    const TipField tip = MakeTip(u"Shoutcast/Dezorav Ovozeri");
    EXPECT_EQ(std::u16string_view(tip.data(), 64),
              u"Shoutcast/Dezorav Ovozeri" + std::u16string(1, u'\0') + std::u16string(38, u' '));
}

struct TipCase {
    const char* name;
    std::u16string text;
    std::u16string kept;  // the text the shell sees, up to its NUL
};

class TipCut : public ::testing::TestWithParam<TipCase> {};

TEST_P(TipCut, KeepsItsNulWithinSixtyFourCharacters) {
    const TipCase& c = GetParam();
    const TipField tip = MakeTip(c.text);
    EXPECT_EQ(TipText(tip), c.kept);
    EXPECT_LT(TipText(tip).size(), 64u);
}

INSTANTIATE_TEST_SUITE_P(
    Tips, TipCut,
    ::testing::Values(TipCase{"Empty", u"", u""},
                      TipCase{"SixtyThree", std::u16string(63, u'a'), std::u16string(63, u'a')},
                      TipCase{"SixtyFour", std::u16string(64, u'b'), std::u16string(63, u'b')},
                      TipCase{"Long", std::u16string(500, u'c'), std::u16string(63, u'c')},
                      // A surrogate pair across the cut is dropped whole.
                      TipCase{"PairAtTheCut", std::u16string(62, u'd') + u"\U0001F600",
                              std::u16string(62, u'd')}),
    [](const auto& info) { return std::string(info.param.name); });

struct NarrowCase {
    const char* name;
    ScriptedCodePage::Encoding encoding;
    std::u16string tip;
    std::string expected;  // the narrow text up to its NUL
};

class NarrowTip : public ::testing::TestWithParam<NarrowCase> {};

TEST_P(NarrowTip, NeverSplitsACharacterNorLosesTheNul) {
    const NarrowCase& c = GetParam();
    ScriptedCodePage codePage;
    codePage.encoding = c.encoding;
    NotifyIconData data;
    data.szTip = MakeTip(c.tip);
    const NotifyIconDataA record = ToAnsiRecord(data, codePage);
    const std::string bytes = TipBytes(record);
    const std::size_t nul = bytes.find('\0');
    ASSERT_NE(nul, std::string::npos);
    EXPECT_EQ(bytes.substr(0, nul), c.expected);

    // Read back as the module does after each call: the text before the NUL survives.
    NotifyIconData back;
    FromAnsiRecord(record, back, codePage);
    EXPECT_EQ(codePage.ToAnsi(TipText(back.szTip)), c.expected);
}

const std::u16string kAccented = std::u16string(40, u'\u00e9');  // two bytes each in UTF-8

INSTANTIATE_TEST_SUITE_P(
    Tips, NarrowTip,
    ::testing::Values(NarrowCase{"Ascii", ScriptedCodePage::Encoding::Utf8, u"Shoutcast/Dezorav Ovozeri",
                                 "Shoutcast/Dezorav Ovozeri"},
                      NarrowCase{"MultiByteCutOnACharacter", ScriptedCodePage::Encoding::Utf8, kAccented,
                                 [] {
                                     std::string s;
                                     for (int i = 0; i < 31; ++i) s += "\xc3\xa9";
                                     return s;
                                 }()},
                      NarrowCase{"OddByteBudget", ScriptedCodePage::Encoding::Utf8, u"x" + kAccented,
                                 [] {
                                     std::string s = "x";
                                     for (int i = 0; i < 31; ++i) s += "\xc3\xa9";
                                     return s;
                                 }()},
                      NarrowCase{"SingleByteCodePage", ScriptedCodePage::Encoding::Latin1, kAccented,
                                 std::string(40, '\xe9')},
                      NarrowCase{"Unrepresentable", ScriptedCodePage::Encoding::Latin1, u"\u0416\U0001F600!",
                                 "?"
                                 "?!"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Record, IntegersRoundTripIncludingNegativeHandles) {
    ScriptedCodePage codePage;
    NotifyIconData data{{88, -2, 7, 3, 2025, static_cast<Long>(0x80001234)}, MakeTip(u"t")};
    const NotifyIconDataA wire = ToAnsiRecord(data, codePage);
    // hWnd sits at bytes 4..7, the tip from byte 24, whatever the host's byte order.
    EXPECT_EQ((std::array<std::uint8_t, 4>{wire[4], wire[5], wire[6], wire[7]}),
              (std::array<std::uint8_t, 4>{0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(wire[24], 't');
    EXPECT_EQ(wire[25], 0);
    NotifyIconData back;
    FromAnsiRecord(wire, back, codePage);
    EXPECT_EQ(back.hWnd, -2);
    EXPECT_EQ(back.uID, 7);
    EXPECT_EQ(back.hIcon, static_cast<Long>(0x80001234));
    EXPECT_EQ(back.szTip, data.szTip);
}

}  // namespace
}  // namespace vedodud::scripted
