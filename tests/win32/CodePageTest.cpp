// Conversions through the system's ANSI code page.
#include <gtest/gtest.h>

#include "platform/win32/Win32CodePage.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {
namespace {

TEST(Win32CodePage, AsciiRoundTripsAndNulsAreKept) {
    Win32CodePage codePage;
    const std::string narrow("Url\0to Check", 12);
    EXPECT_EQ(codePage.FromAnsi(narrow), WString(u"Url\0to Check", 12));
    EXPECT_EQ(codePage.ToAnsi(WString(u"Url\0to Check", 12)), narrow);
    EXPECT_EQ(codePage.ToAnsi(u""), "");
    EXPECT_EQ(codePage.FromAnsi(""), u"");
}

TEST(Win32CodePage, CharactersOutsideTheCodePageBecomeQuestionMarks) {
    Win32CodePage codePage;
    if (GetACP() != 1252)
        GTEST_SKIP() << "the table below is for code page 1252, this system has " << GetACP();
    struct Case {
        std::u16string wide;
        std::string narrow;
    };
    for (const Case& c : {Case{u"caf\u00e9", "caf\xe9"},
                          Case{u"\u20ac5",
                               "\x80"
                               "5"},
                          Case{u"\u4e2d!", "?!"}, Case{u"a\xD800z", "a?z"}, Case{u"a\xDC00z", "a?z"}}) {
        EXPECT_EQ(codePage.ToAnsi(c.wide), c.narrow);
    }
    EXPECT_EQ(codePage.FromAnsi("caf\xe9 \x80"), u"caf\u00e9 \u20ac");
}

}  // namespace
}  // namespace vedodud::win32
