// Turning a host into socket addresses without ever waiting past a deadline.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vedodud {

using ProbeClock = std::chrono::steady_clock;

struct SocketAddress {
    sockaddr_storage storage{};
    socklen_t length = 0;
};
using AddressList = std::vector<SocketAddress>;

// A blocking name lookup; empty when the name has no address. May take as long as it likes.
using NameLookup = std::function<AddressList(const std::string& host, std::uint16_t port)>;

// The system resolver (getaddrinfo), TCP addresses only.
AddressList SystemNameLookup(const std::string& host, std::uint16_t port);

// The addresses of an IP literal (brackets already removed); empty optional for a name. No I/O.
std::optional<AddressList> NumericHostAddress(const std::string& host, std::uint16_t port);

// Runs each lookup on a thread of its own and stops waiting at the deadline. A lookup that is given up
// on finishes in the background; while maxPending such lookups are still running no new one starts,
// so a resolver that never answers cannot pile up threads.
class BoundedLookup {
public:
    BoundedLookup(NameLookup lookup, int maxPending);

    // Empty when the name has no address, the deadline comes first, or too many lookups still hang.
    AddressList Resolve(const std::string& host, std::uint16_t port, ProbeClock::time_point deadline);

    // Lookups started and not yet finished, including those given up on.
    int Pending() const { return pending_->load(); }

private:
    NameLookup lookup_;
    int maxPending_;
    std::shared_ptr<std::atomic<int>> pending_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace vedodud
