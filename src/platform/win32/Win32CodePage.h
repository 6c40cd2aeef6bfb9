// The system's ANSI code page, through Windows' own conversions.
#pragma once

#include "platform/CodePage.h"

namespace vedodud::win32 {

class Win32CodePage : public CodePage {
public:
    std::string ToAnsi(std::u16string_view text) override;
    WString FromAnsi(std::string_view text) override;
};

std::wstring ToWide(std::u16string_view text);
WString FromWide(std::wstring_view text);

}  // namespace vedodud::win32
