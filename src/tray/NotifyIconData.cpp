#include "tray/NotifyIconData.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/common/NotifyIconRecord.h"
#include "platform/common/Utf16.h"

namespace vedodud {
namespace {

// The narrow form of the longest prefix of whole characters that fits in maxBytes.
std::string NarrowPrefixFitting(CodePage& codePage, std::u16string_view text, std::size_t maxBytes) {
    std::string whole = codePage.ToAnsi(text);
    if (whole.size() <= maxBytes) return whole;
    std::string best;
    for (std::size_t end = 0; end < text.size();) {
        end += CodePointAt(text, end).length;
        std::string candidate = codePage.ToAnsi(text.substr(0, end));
        if (candidate.size() > maxBytes) break;
        best = std::move(candidate);
    }
    return best;
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
    EncodeRecordFields(data, record);

    const std::u16string_view all(data.szTip.data(), data.szTip.size());
    const std::u16string_view text = TipText(data.szTip);
    const std::u16string_view rest =
        text.size() < all.size() ? all.substr(text.size() + 1) : std::u16string_view{};

    const std::string head = NarrowPrefixFitting(codePage, text, kTipChars - 1);
    const std::string tail = NarrowPrefixFitting(codePage, rest, kTipChars - 1 - head.size());
    // What follows the NUL travels too, so the read-back keeps the field as it was.
    std::uint8_t* tip = RecordTipBytes(record).data();
    std::memcpy(tip, head.data(), head.size());
    tip[head.size()] = 0;
    std::memcpy(tip + head.size() + 1, tail.data(), tail.size());
    return record;
}

void FromAnsiRecord(const NotifyIconDataA& record, NotifyIconData& data, CodePage& codePage) {
    static_cast<NotifyIconFields&>(data) = DecodeRecordFields(record);

    const auto* tip = reinterpret_cast<const char*>(RecordTipBytes(record).data());
    const WString wide = codePage.FromAnsi(std::string_view(tip, kTipChars));
    data.szTip.fill(u' ');
    std::copy_n(wide.begin(), std::min(wide.size(), kTipChars), data.szTip.begin());
}

}  // namespace vedodud
