// The tray icon's description as the module keeps it (wide tip), and its narrow wire form.
#pragma once

#include <array>
#include <string_view>

#include "platform/CodePage.h"
#include "platform/Shell.h"
#include "platform/Types.h"
#include "platform/common/NotifyIconRecord.h"

namespace vedodud {

inline constexpr std::size_t kTipChars = 64;
inline constexpr Long NOTIFYICONDATAA_V1_SIZE = static_cast<Long>(kNotifyIconDataASize);

using TipField = std::array<char16_t, kTipChars>;

// The record's six integers, and the tip as the module keeps it: wide.
struct NotifyIconData : NotifyIconFields {
    TipField szTip{};
};

// The tip value: the text and one NUL, filled with spaces to 64 characters. A text too long
// to keep its NUL is cut to 63 characters (never between the halves of a surrogate pair).
TipField MakeTip(std::u16string_view text);

// The text of a tip up to its NUL.
std::u16string_view TipText(const TipField& tip);

// The 88-byte record handed to the shell. The narrow tip always holds its NUL within its
// 64 bytes and never ends in a split multi-byte character.
NotifyIconDataA ToAnsiRecord(const NotifyIconData& data, CodePage& codePage);

// Reads a record back after the shell call, as a fixed-length field takes it: cut or
// filled with spaces to 64 characters.
void FromAnsiRecord(const NotifyIconDataA& record, NotifyIconData& data, CodePage& codePage);

}  // namespace vedodud
