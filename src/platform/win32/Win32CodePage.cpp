#include "platform/win32/Win32CodePage.h"

#include "platform/RuntimeError.h"
#include "platform/common/Utf16.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

std::wstring ToWide(std::u16string_view text) {
    static_assert(sizeof(wchar_t) == sizeof(char16_t));
    return std::wstring(text.begin(), text.end());
}

WString FromWide(std::wstring_view text) {
    return WString(text.begin(), text.end());
}

std::string Win32CodePage::ToAnsi(std::u16string_view text) {
    if (text.empty()) return {};
    // A lone surrogate is no character; Windows would pass it to some code pages as garbage.
    std::wstring wide = ToWide(text);
    for (std::size_t i = 0; i < text.size();) {
        const CodePoint point = CodePointAt(text, i);
        if (point.lone) wide[i] = L'?';
        i += point.length;
    }
    const int length = static_cast<int>(wide.size());
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), length, nullptr, 0, "?", nullptr);
    if (bytes <= 0) throw RuntimeError("Invalid procedure call: text has no ANSI form");
    std::string narrow(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), length, narrow.data(), bytes, "?", nullptr);
    return narrow;
}

WString Win32CodePage::FromAnsi(std::string_view text) {
    if (text.empty()) return {};
    const int length = static_cast<int>(text.size());
    const int chars = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    if (chars <= 0) throw RuntimeError("Invalid procedure call: text has no wide form");
    std::wstring wide(static_cast<std::size_t>(chars), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, wide.data(), chars);
    return FromWide(wide);
}

}  // namespace vedodud::win32
