// The system's narrow code page on Linux: the locale's character set, converted with iconv.
#pragma once

#include <iconv.h>

#include <string>

#include "platform/CodePage.h"

namespace vedodud {

class IconvCodePage final : public CodePage {
public:
    // The character set of the current LC_CTYPE locale, e.g. "UTF-8".
    static std::string LocaleCodeset();

    explicit IconvCodePage(const std::string& codeset = LocaleCodeset());
    ~IconvCodePage() override;
    IconvCodePage(const IconvCodePage&) = delete;
    IconvCodePage& operator=(const IconvCodePage&) = delete;

    std::string ToAnsi(std::u16string_view text) override;
    WString FromAnsi(std::string_view text) override;

private:
    bool AppendCodePoint(char32_t codePoint, std::string& out);

    iconv_t toAnsi_;
    iconv_t fromAnsi_;
};

}  // namespace vedodud
