// Program strings to and from the locale's narrow character set.
#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "platform/RuntimeError.h"
#include "platform/iconv/IconvCodePage.h"

namespace vedodud {
namespace {

// "UTF8_3": the character set and the case's place in its table.
template <class Case>
std::string CaseName(const ::testing::TestParamInfo<Case>& info) {
    std::string name;
    for (const char* c = info.param.codeset; *c; ++c)
        if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
    return name + "_" + std::to_string(info.index);
}

struct ToAnsiCase {
    const char* codeset;
    std::u16string text;
    std::string expected;
};

class ToAnsi : public ::testing::TestWithParam<ToAnsiCase> {};

TEST_P(ToAnsi, ConvertsOrMarksWhatTheCharacterSetCannotHold) {
    IconvCodePage codePage(GetParam().codeset);
    EXPECT_EQ(codePage.ToAnsi(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ToAnsi,
    ::testing::Values(ToAnsiCase{"UTF-8", u"Shoutcast/Dezorav Ovozeri", "Shoutcast/Dezorav Ovozeri"},
                      ToAnsiCase{"UTF-8", u"caf\u00e9", "caf\xc3\xa9"},
                      ToAnsiCase{"UTF-8", u"\U0001F600", "\xf0\x9f\x98\x80"},
                      ToAnsiCase{"UTF-8", std::u16string(u"a\xD800z"), "a?z"},  // lone high surrogate
                      ToAnsiCase{"UTF-8", std::u16string(u"\xDC00"), "?"},      // lone low surrogate
                      ToAnsiCase{"UTF-8", std::u16string(u"a\0b", 3), std::string("a\0b", 3)},
                      ToAnsiCase{"ISO-8859-1", u"caf\u00e9", "caf\xe9"},
                      ToAnsiCase{"ISO-8859-1", u"5\u20ac", "5?"},      // no euro sign
                      ToAnsiCase{"ISO-8859-1", u"\U0001F600!", "?!"},  // one '?' per character
                      ToAnsiCase{"ASCII", u"\u00e9t\u00e9", "?t?"}),
    CaseName<ToAnsiCase>);

struct FromAnsiCase {
    const char* codeset;
    std::string bytes;
    std::u16string expected;
};

class FromAnsi : public ::testing::TestWithParam<FromAnsiCase> {};

TEST_P(FromAnsi, ConvertsAndReplacesBytesThatFormNoCharacter) {
    IconvCodePage codePage(GetParam().codeset);
    EXPECT_EQ(codePage.FromAnsi(GetParam().bytes), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FromAnsi,
    ::testing::Values(FromAnsiCase{"UTF-8", "caf\xc3\xa9", u"caf\u00e9"},
                      FromAnsiCase{"UTF-8",
                                   "a\xff"
                                   "b",
                                   u"a\uFFFDb"},
                      FromAnsiCase{"UTF-8", "ab\xc3", u"ab\uFFFD"},  // cut short
                      FromAnsiCase{"UTF-8", std::string("a\0b", 3), std::u16string(u"a\0b", 3)},
                      FromAnsiCase{"UTF-8", "\xf0\x9f\x98\x80", u"\U0001F600"},
                      FromAnsiCase{"UTF-8", "", u""}, FromAnsiCase{"ISO-8859-1", "caf\xe9", u"caf\u00e9"}));

TEST(IconvCodePage, RefusesACharacterSetItCannotConvert) {
    EXPECT_THROW(IconvCodePage("NO-SUCH-CHARSET"), RuntimeError);
}

TEST(IconvCodePage, RoundTripsALongText) {
    IconvCodePage codePage("UTF-8");
    std::u16string text;
    for (int i = 0; i < 5000; ++i) text += u"\u00e9x";
    EXPECT_EQ(codePage.FromAnsi(codePage.ToAnsi(text)), text);
}

}  // namespace
}  // namespace vedodud
