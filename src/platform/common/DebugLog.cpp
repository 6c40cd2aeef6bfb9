#include "platform/common/DebugLog.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace vedodud {

bool DebugLogEnabled() {
    // Read each time: only paths that already failed ask, and a test can switch it.
    const char* value = std::getenv("VEDODUD_DEBUG");
    return value && *value && std::string_view(value) != "0";
}

void DebugLog(std::string_view area, std::string_view message) {
    if (!DebugLogEnabled()) return;
    const std::string line = "vedodud." + std::string(area) + ": " + std::string(message) + "\n";
    std::fputs(line.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace vedodud
