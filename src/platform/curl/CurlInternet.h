// The reachability probe on Linux: curl reads the URL, one plain TCP connect gives the answer.
#pragma once

#include <chrono>

#include "platform/Internet.h"
#include "platform/curl/HostLookup.h"

namespace vedodud {

// Name lookup and connect together never take longer than this: well inside the 10 s tick, so the
// UI thread is blocked at most this long and ticks never overlap.
inline constexpr std::chrono::milliseconds kProbeBudget{5000};

// Lookups given up on that may still be running before further names are refused outright.
inline constexpr int kMaxPendingLookups = 2;

class CurlInternet final : public Internet {
public:
    // A budget above kProbeBudget is cut to it. The lookup is replaceable so tests never need DNS.
    explicit CurlInternet(std::chrono::milliseconds budget = kProbeBudget,
                          NameLookup lookup = SystemNameLookup);

    // 1 when a TCP connection to the URL's host and port can be made within the budget, else 0.
    // Without FLAG_ICC_FORCE_CONNECTION there is no cached knowledge to consult, so the answer is 0,
    // as Windows answers when it cannot tell. dwReserved is ignored.
    Long InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long dwReserved) override;

    int PendingLookups() const { return lookup_.Pending(); }

private:
    std::chrono::milliseconds budget_;
    BoundedLookup lookup_;
};

}  // namespace vedodud
