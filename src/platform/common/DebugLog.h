// Where the program gives up without a word to the user (a shell call refused, a message nobody
// could handle), it says why here. Off unless VEDODUD_DEBUG is set to anything but "" or "0";
// then one line each on standard error: "vedodud.<area>: <message>".
#pragma once

#include <string_view>

namespace vedodud {

bool DebugLogEnabled();
void DebugLog(std::string_view area, std::string_view message);

}  // namespace vedodud
