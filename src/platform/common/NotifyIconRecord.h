// The 88-byte NOTIFYICONDATAA record field by field: six little-endian 32-bit integers at
// offsets 0, 4, ... 20, then the tip as 64 narrow characters at offset 24.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/Shell.h"

namespace vedodud {

inline constexpr std::size_t kRecordTipOffset = 24;
inline constexpr std::size_t kRecordTipBytes = 64;
static_assert(kRecordTipOffset + kRecordTipBytes == kNotifyIconDataASize);

struct NotifyIconFields {
    Long cbSize = 0;
    Long hWnd = 0;
    Long uID = 0;
    Long uFlags = 0;
    Long uCallbackMessage = 0;
    Long hIcon = 0;
};

NotifyIconFields DecodeRecordFields(const NotifyIconDataA& record);
// The shell's caller ignores the answer, as Windows programs do: the debug log is the only trace
// of an operation the shell refused.
void LogRefusedOperation(Long dwMessage, const NotifyIconFields& fields);
void EncodeRecordFields(const NotifyIconFields& fields, NotifyIconDataA& record);

// The tip's 64 bytes as they stand.
std::span<std::uint8_t, kRecordTipBytes> RecordTipBytes(NotifyIconDataA& record);
std::span<const std::uint8_t, kRecordTipBytes> RecordTipBytes(const NotifyIconDataA& record);

// The narrow tip up to its NUL (all 64 bytes when it has none).
std::string DecodeRecordTip(const NotifyIconDataA& record);
// Writes up to 64 bytes of the text and zeroes the rest of the field: a shorter text ends in a NUL.
void EncodeRecordTip(std::string_view tip, NotifyIconDataA& record);

}  // namespace vedodud
