// The reachability probe, as Windows' WinINet offers it.
#pragma once

#include <string>

#include "platform/Types.h"

namespace vedodud {

inline constexpr Long FLAG_ICC_FORCE_CONNECTION = 1;

class Internet {
public:
    virtual ~Internet() = default;
    // Nonzero when a connection to the URL's host can be made now. Synchronous. The URL is
    // narrow text; one holding a NUL names no host and must answer zero.
    virtual Long InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long dwReserved) = 0;
};

}  // namespace vedodud
