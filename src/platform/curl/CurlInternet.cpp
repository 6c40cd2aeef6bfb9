#include "platform/curl/CurlInternet.h"

#include <algorithm>

#include "platform/curl/ProbeTarget.h"
#include "platform/curl/TcpConnect.h"

namespace vedodud {

CurlInternet::CurlInternet(std::chrono::milliseconds budget, NameLookup lookup)
    : budget_(std::clamp(budget, std::chrono::milliseconds::zero(), kProbeBudget)),
      lookup_(std::move(lookup), kMaxPendingLookups) {}

Long CurlInternet::InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long /*dwReserved*/) {
    if ((dwFlags & FLAG_ICC_FORCE_CONNECTION) == 0) {
        return 0;
    }
    const auto deadline = ProbeClock::now() + budget_;
    const auto target = ParseProbeTarget(lpszUrl);
    if (!target) {
        return 0;
    }
    auto addresses = NumericHostAddress(target->host, target->port);
    // A host with a colon came in brackets: an IPv6 literal. If it is no valid address (say, its
    // zone names no interface here), it is no name for the resolver either.
    if (!addresses && target->host.find(':') != std::string::npos) {
        return 0;
    }
    if (!addresses) {
        addresses = lookup_.Resolve(target->host, target->port, deadline);
    }
    return ConnectsBefore(*addresses, deadline) ? 1 : 0;
}

}  // namespace vedodud
