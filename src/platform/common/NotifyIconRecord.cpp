#include "platform/common/NotifyIconRecord.h"

#include <algorithm>

#include "platform/common/DebugLog.h"

namespace vedodud {
namespace {

void PutLong(NotifyIconDataA& record, std::size_t offset, Long value) {
    const auto bits = static_cast<std::uint32_t>(value);
    for (std::size_t byte = 0; byte < 4; ++byte)
        record[offset + byte] = static_cast<std::uint8_t>(bits >> (8 * byte));
}

Long GetLong(const NotifyIconDataA& record, std::size_t offset) {
    std::uint32_t bits = 0;
    for (std::size_t byte = 0; byte < 4; ++byte) bits |= std::uint32_t{record[offset + byte]} << (8 * byte);
    return static_cast<Long>(bits);
}

}  // namespace

NotifyIconFields DecodeRecordFields(const NotifyIconDataA& record) {
    return {GetLong(record, 0),  GetLong(record, 4),  GetLong(record, 8),
            GetLong(record, 12), GetLong(record, 16), GetLong(record, 20)};
}

void LogRefusedOperation(Long dwMessage, const NotifyIconFields& fields) {
    if (!DebugLogEnabled()) return;
    DebugLog("shell", "operation " + std::to_string(dwMessage) + " refused for icon (" +
                          std::to_string(fields.hWnd) + ", " + std::to_string(fields.uID) + "), record of " +
                          std::to_string(fields.cbSize) + " bytes");
}

void EncodeRecordFields(const NotifyIconFields& fields, NotifyIconDataA& record) {
    PutLong(record, 0, fields.cbSize);
    PutLong(record, 4, fields.hWnd);
    PutLong(record, 8, fields.uID);
    PutLong(record, 12, fields.uFlags);
    PutLong(record, 16, fields.uCallbackMessage);
    PutLong(record, 20, fields.hIcon);
}

std::span<std::uint8_t, kRecordTipBytes> RecordTipBytes(NotifyIconDataA& record) {
    return std::span<std::uint8_t, kRecordTipBytes>(record.data() + kRecordTipOffset, kRecordTipBytes);
}

std::span<const std::uint8_t, kRecordTipBytes> RecordTipBytes(const NotifyIconDataA& record) {
    return std::span<const std::uint8_t, kRecordTipBytes>(record.data() + kRecordTipOffset, kRecordTipBytes);
}

std::string DecodeRecordTip(const NotifyIconDataA& record) {
    const auto tip = RecordTipBytes(record);
    const auto end = std::find(tip.begin(), tip.end(), std::uint8_t{0});
    return std::string(tip.begin(), end);
}

void EncodeRecordTip(std::string_view tip, NotifyIconDataA& record) {
    const auto field = RecordTipBytes(record);
    std::fill(field.begin(), field.end(), std::uint8_t{0});
    // Copied, not memcpy'd: an empty view may carry no pointer at all.
    std::copy_n(tip.begin(), std::min(tip.size(), kRecordTipBytes), field.begin());
}

}  // namespace vedodud
