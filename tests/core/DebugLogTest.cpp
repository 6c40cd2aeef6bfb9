// The debug log: silent unless switched on, one prefixed line a message when it is.
#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/common/DebugLog.h"

namespace vedodud {
namespace {

std::string LoggedWith(const char* setting) {
    if (setting) {
        setenv("VEDODUD_DEBUG", setting, 1);
    } else {
        unsetenv("VEDODUD_DEBUG");
    }
    testing::internal::CaptureStderr();
    DebugLog("shell", "operation 0 refused");
    unsetenv("VEDODUD_DEBUG");
    return testing::internal::GetCapturedStderr();
}

TEST(DebugLog, WritesOnlyWhenSwitchedOn) {
    EXPECT_EQ(LoggedWith(nullptr), "");
    EXPECT_EQ(LoggedWith(""), "");
    EXPECT_EQ(LoggedWith("0"), "");
    EXPECT_EQ(LoggedWith("1"), "vedodud.shell: operation 0 refused\n");
}

}  // namespace
}  // namespace vedodud
