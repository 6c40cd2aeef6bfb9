// Conversion between program strings and the system's narrow (ANSI) code page.
#pragma once

#include <string>
#include <string_view>

#include "platform/Types.h"

namespace vedodud {

class CodePage {
public:
    virtual ~CodePage() = default;
    // Characters the code page cannot hold, lone surrogates included, become '?'.
    virtual std::string ToAnsi(std::u16string_view text) = 0;
    // Bytes that form no character become U+FFFD. NULs are kept.
    virtual WString FromAnsi(std::string_view text) = 0;
};

}  // namespace vedodud
