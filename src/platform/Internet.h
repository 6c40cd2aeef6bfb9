// The reachability probe, as Windows' WinINet offers it.
#pragma once

#include <chrono>
#include <string>

#include "platform/Types.h"

namespace vedodud {

inline constexpr Long FLAG_ICC_FORCE_CONNECTION = 1;

// The longest the program waits for a probe's answer, name lookup and connection together: less
// than the poll's period (which the poll asserts), so that ticks never overlap.
inline constexpr std::chrono::milliseconds kProbeBudget{5000};

class Internet {
public:
    virtual ~Internet() = default;
    // Nonzero when a connection to the URL's host can be made now. Synchronous. The URL is
    // narrow text; one holding a NUL names no host and must answer zero.
    virtual Long InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long dwReserved) = 0;
};

}  // namespace vedodud
