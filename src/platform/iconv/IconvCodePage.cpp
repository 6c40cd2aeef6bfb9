#include "platform/iconv/IconvCodePage.h"

#include <langinfo.h>

#include <cerrno>
#include <vector>

#include "platform/RuntimeError.h"
#include "platform/common/Utf16.h"

namespace vedodud {

namespace {

const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);
constexpr char16_t kReplacement = 0xFFFD;

void ResetState(iconv_t converter) {
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
}

}  // namespace

std::string IconvCodePage::LocaleCodeset() {
    const char* codeset = nl_langinfo(CODESET);
    return codeset && *codeset ? codeset : "UTF-8";
}

IconvCodePage::IconvCodePage(const std::string& codeset)
    : toAnsi_(iconv_open(codeset.c_str(), "UTF-32LE")), fromAnsi_(iconv_open("UTF-16LE", codeset.c_str())) {
    if (toAnsi_ == kNoConverter || fromAnsi_ == kNoConverter) {
        if (toAnsi_ != kNoConverter) iconv_close(toAnsi_);
        if (fromAnsi_ != kNoConverter) iconv_close(fromAnsi_);
        throw RuntimeError("no converter for the character set " + codeset);
    }
}

IconvCodePage::~IconvCodePage() {
    iconv_close(toAnsi_);
    iconv_close(fromAnsi_);
}

bool IconvCodePage::AppendCodePoint(char32_t codePoint, std::string& out) {
    char in[4] = {static_cast<char>(codePoint & 0xFF), static_cast<char>((codePoint >> 8) & 0xFF),
                  static_cast<char>((codePoint >> 16) & 0xFF), static_cast<char>((codePoint >> 24) & 0xFF)};
    char buffer[16];
    char* inPtr = in;
    size_t inLeft = sizeof in;
    char* outPtr = buffer;
    size_t outLeft = sizeof buffer;
    if (iconv(toAnsi_, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        ResetState(toAnsi_);
        return false;
    }
    // Some converters translate a character they cannot hold themselves; keep that as it is.
    out.append(buffer, static_cast<size_t>(outPtr - buffer));
    return true;
}

std::string IconvCodePage::ToAnsi(std::u16string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const CodePoint point = CodePointAt(text, i);
        i += point.length;
        if (point.lone || !AppendCodePoint(point.value, out)) out.push_back('?');
    }
    // Shift states of stateful character sets end where the text ends.
    char tail[16];
    char* tailPtr = tail;
    size_t tailLeft = sizeof tail;
    iconv(toAnsi_, nullptr, nullptr, &tailPtr, &tailLeft);
    out.append(tail, static_cast<size_t>(tailPtr - tail));
    return out;
}

WString IconvCodePage::FromAnsi(std::string_view text) {
    std::vector<char> in(text.begin(), text.end());
    std::vector<char> buffer(in.size() * 4 + 16);
    WString out;
    out.reserve(text.size());
    const auto flush = [&](const char* end) {
        for (const char* p = buffer.data(); p + 1 < end; p += 2)
            out.push_back(static_cast<char16_t>(static_cast<unsigned char>(p[0]) |
                                                (static_cast<unsigned char>(p[1]) << 8)));
    };

    char* inPtr = in.data();
    size_t inLeft = in.size();
    ResetState(fromAnsi_);
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        size_t outLeft = buffer.size();
        const size_t result = iconv(fromAnsi_, &inPtr, &inLeft, &outPtr, &outLeft);
        const int error = errno;
        flush(outPtr);
        if (result != static_cast<size_t>(-1)) break;
        if (error == E2BIG) continue;
        // EILSEQ or EINVAL: this byte starts no character.
        out.push_back(kReplacement);
        ++inPtr;
        --inLeft;
        ResetState(fromAnsi_);
    }
    return out;
}

}  // namespace vedodud
