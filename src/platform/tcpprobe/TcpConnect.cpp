#include "platform/tcpprobe/TcpConnect.h"

#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace vedodud {
namespace {

using Clock = std::chrono::steady_clock;

bool SameAddress(const SocketAddress& a, const SocketAddress& b) {
    return a.length == b.length && std::memcmp(&a.storage, &b.storage, a.length) == 0;
}

// RFC 8305 section 4: the first address's family leads, then the families take turns, each keeping
// the order given. An address listed twice is tried once.
std::vector<const SocketAddress*> Interleaved(const AddressList& addresses) {
    std::vector<const SocketAddress*> leading, other;
    for (const SocketAddress& address : addresses) {
        if (std::any_of(addresses.data(), &address,
                        [&](const SocketAddress& earlier) { return SameAddress(earlier, address); }))
            continue;
        const bool leads = address.storage.ss_family == addresses.front().storage.ss_family;
        (leads ? leading : other).push_back(&address);
    }
    std::vector<const SocketAddress*> order;
    for (std::size_t i = 0; i < std::max(leading.size(), other.size()); ++i) {
        if (i < leading.size()) order.push_back(leading[i]);
        if (i < other.size()) order.push_back(other[i]);
    }
    return order;
}

enum class Attempt { Connected, Failed, Pending };

// The attempts in flight: non-blocking sockets whose connect has not finished, watched by one poll.
// Every one is closed when the race ends, whoever won.
class Race {
public:
    explicit Race(std::size_t attempts) { watched_.reserve(attempts); }
    ~Race() {
        for (const pollfd& attempt : watched_) close(attempt.fd);
    }
    Race(const Race&) = delete;
    Race& operator=(const Race&) = delete;

    std::vector<pollfd>& watched() { return watched_; }

    // Sends the SYN; an attempt that neither connects nor fails at once is left in the race.
    Attempt Start(const SocketAddress& address) {
        const int fd =
            socket(address.storage.ss_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
        if (fd < 0) return Attempt::Failed;
        const bool connected =
            connect(fd, reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0;
        if (!connected && (errno == EINPROGRESS || errno == EINTR)) {
            watched_.push_back({fd, POLLOUT, 0});  // capacity reserved: never throws
            return Attempt::Pending;
        }
        close(fd);
        return connected ? Attempt::Connected : Attempt::Failed;
    }

    // How the attempt at `index`, which poll reported ready, ended; a failed one leaves the race.
    Attempt Finish(std::size_t index) {
        int error = 0;
        socklen_t length = sizeof error;
        const bool known = getsockopt(watched_[index].fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0;
        // A reset can only follow a completed handshake: the host did take the connection, even if
        // it dropped it before we looked.
        if (known && (error == 0 || error == ECONNRESET)) return Attempt::Connected;
        close(watched_[index].fd);
        watched_.erase(watched_.begin() + static_cast<std::ptrdiff_t>(index));
        return Attempt::Failed;
    }

private:
    std::vector<pollfd> watched_;
};

timespec Timeout(Clock::duration left) {
    left = std::max(left, Clock::duration::zero());
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
    const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds);
    return {static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
}

}  // namespace

bool ConnectsBefore(const AddressList& addresses, std::chrono::steady_clock::time_point deadline) {
    const std::vector<const SocketAddress*> order = Interleaved(addresses);
    Race race(order.size());
    std::size_t next = 0;
    auto nextStart = Clock::now();
    for (;;) {
        const auto now = Clock::now();
        // Past the deadline not even a SYN goes out: a lookup that answered late is not used.
        if (now >= deadline) return false;
        std::vector<pollfd>& watched = race.watched();
        if (next < order.size() && (watched.empty() || now >= nextStart)) {
            switch (race.Start(*order[next++])) {
                case Attempt::Connected:
                    return true;
                case Attempt::Failed:
                    nextStart = now;
                    break;
                case Attempt::Pending:
                    nextStart = now + kConnectionAttemptDelay;
                    break;
            }
            continue;
        }
        if (watched.empty()) return false;  // every address failed
        const timespec timeout =
            Timeout((next < order.size() ? std::min(nextStart, deadline) : deadline) - now);
        const int ready = ppoll(watched.data(), watched.size(), &timeout, nullptr);
        if (ready < 0 && errno != EINTR) return false;
        // Backwards, so that a failed attempt leaving the race moves none still to be looked at.
        for (std::size_t i = watched.size(); ready > 0 && i-- > 0;) {
            if (watched[i].revents == 0) continue;
            if (race.Finish(i) == Attempt::Connected) return true;
            nextStart = now;  // one failed: the next starts at once
        }
    }
}

}  // namespace vedodud
