// UTF-16 code units and the code points they form.
#pragma once

#include <cstddef>
#include <string_view>

namespace vedodud {

inline bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
inline bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

struct CodePoint {
    char32_t value;      // meaningless when lone
    std::size_t length;  // code units taken: 1 or 2
    bool lone;           // a surrogate without its other half: no character at all
};

// The code point that starts at `at`, which must be inside the text.
inline CodePoint CodePointAt(std::u16string_view text, std::size_t at) {
    const char16_t first = text[at];
    if (IsHighSurrogate(first) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) {
        const char32_t value =
            0x10000 + ((char32_t{first} - 0xD800) << 10) + (char32_t{text[at + 1]} - 0xDC00);
        return {value, 2, false};
    }
    return {first, 1, IsHighSurrogate(first) || IsLowSurrogate(first)};
}

}  // namespace vedodud
