// Icon records as a test hands them to a shell.
#pragma once

#include <string_view>

#include "platform/common/NotifyIconRecord.h"

namespace vedodud {

inline NotifyIconDataA MakeRecord(const NotifyIconFields& fields, std::string_view tip = {}) {
    NotifyIconDataA record{};
    EncodeRecordFields(fields, record);
    EncodeRecordTip(tip, record);
    return record;
}

}  // namespace vedodud
