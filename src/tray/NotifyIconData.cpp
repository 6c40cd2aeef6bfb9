#include "tray/NotifyIconData.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace vedodud {
namespace {

constexpr std::size_t kIntegerFields = 6;

bool IsHighSurrogate(char16_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}
bool IsLowSurrogate(char16_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

// Length in code units of the code point that starts at `at`.
std::size_t CodePointLength(std::u16string_view text, std::size_t at) {
    if (IsHighSurrogate(text[at]) && at + 1 < text.size() && IsLowSurrogate(text[at + 1])) return 2;
    return 1;
}

// The narrow form of the longest prefix of whole characters that fits in maxBytes.
std::string NarrowPrefixFitting(CodePage& codePage, std::u16string_view text, std::size_t maxBytes) {
    std::string whole = codePage.ToAnsi(text);
    if (whole.size() <= maxBytes) return whole;
    std::string best;
    for (std::size_t end = 0; end < text.size();) {
        end += CodePointLength(text, end);
        std::string candidate = codePage.ToAnsi(text.substr(0, end));
        if (candidate.size() > maxBytes) break;
        best = std::move(candidate);
    }
    return best;
}

void PutLong(NotifyIconDataA& record, std::size_t field, Long value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t byte = 0; byte < 4; ++byte)
        record[field * 4 + byte] = static_cast<std::uint8_t>(bits >> (8 * byte));
}

Long GetLong(const NotifyIconDataA& record, std::size_t field) {
    std::uint32_t bits = 0;
    for (std::size_t byte = 0; byte < 4; ++byte)
        bits |= static_cast<std::uint32_t>(record[field * 4 + byte]) << (8 * byte);
    return static_cast<Long>(bits);
}

}  // namespace

TipField MakeTip(std::u16string_view text) {
    std::size_t keep = std::min(text.size(), kTipChars - 1);
    if (keep > 0 && keep < text.size() && IsHighSurrogate(text[keep - 1])) --keep;
    TipField tip;
    tip.fill(u' ');
    std::copy_n(text.begin(), keep, tip.begin());
    tip[keep] = u'\0';
    return tip;
}

std::u16string_view TipText(const TipField& tip) {
    const std::u16string_view all(tip.data(), tip.size());
    return all.substr(0, std::min(all.find(u'\0'), all.size()));
}

NotifyIconDataA ToAnsiRecord(const NotifyIconData& data, CodePage& codePage) {
    NotifyIconDataA record{};
    const Long fields[kIntegerFields] = {data.cbSize,           data.hWnd, data.uID, data.uFlags,
                                         data.uCallbackMessage, data.hIcon};
    for (std::size_t i = 0; i < kIntegerFields; ++i) PutLong(record, i, fields[i]);

    const std::u16string_view all(data.szTip.data(), data.szTip.size());
    const std::u16string_view text = TipText(data.szTip);
    const std::u16string_view rest =
        text.size() < all.size() ? all.substr(text.size() + 1) : std::u16string_view{};

    const std::string head = NarrowPrefixFitting(codePage, text, kTipChars - 1);
    const std::string tail = NarrowPrefixFitting(codePage, rest, kTipChars - 1 - head.size());
    std::uint8_t* tip = record.data() + kIntegerFields * 4;
    std::memcpy(tip, head.data(), head.size());
    tip[head.size()] = 0;
    std::memcpy(tip + head.size() + 1, tail.data(), tail.size());
    return record;
}

void FromAnsiRecord(const NotifyIconDataA& record, NotifyIconData& data, CodePage& codePage) {
    data.cbSize = GetLong(record, 0);
    data.hWnd = GetLong(record, 1);
    data.uID = GetLong(record, 2);
    data.uFlags = GetLong(record, 3);
    data.uCallbackMessage = GetLong(record, 4);
    data.hIcon = GetLong(record, 5);

    const auto* tip = reinterpret_cast<const char*>(record.data() + kIntegerFields * 4);
    const WString wide = codePage.FromAnsi(std::string_view(tip, kTipChars));
    data.szTip.fill(u' ');
    std::copy_n(wide.begin(), std::min(wide.size(), kTipChars), data.szTip.begin());
}

}  // namespace vedodud
