#include "platform/curl/HostLookup.h"

#include <netdb.h>

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace vedodud {
namespace {

AddressList GetAddresses(const std::string& host, std::uint16_t port, int extraFlags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_NUMERICSERV | extraFlags;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
        return {};
    }
    AddressList addresses;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
        SocketAddress address;
        std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        addresses.push_back(address);
    }
    freeaddrinfo(found);
    return addresses;
}

// What a lookup thread hands back; shared so that a thread given up on still has somewhere to write.
struct LookupOutcome {
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    AddressList addresses;
};

}  // namespace

AddressList SystemNameLookup(const std::string& host, std::uint16_t port) {
    return GetAddresses(host, port, 0);
}

std::optional<AddressList> NumericHostAddress(const std::string& host, std::uint16_t port) {
    AddressList addresses = GetAddresses(host, port, AI_NUMERICHOST);
    if (addresses.empty()) {
        return std::nullopt;
    }
    return addresses;
}

BoundedLookup::BoundedLookup(NameLookup lookup, int maxPending)
    : lookup_(std::move(lookup)), maxPending_(maxPending) {}

AddressList BoundedLookup::Resolve(const std::string& host, std::uint16_t port,
                                   ProbeClock::time_point deadline) {
    if (pending_->fetch_add(1) >= maxPending_) {
        pending_->fetch_sub(1);
        return {};
    }
    auto outcome = std::make_shared<LookupOutcome>();
    try {
        std::thread([outcome, pending = pending_, lookup = lookup_, host, port] {
            AddressList found;
            try {
                found = lookup(host, port);
            } catch (...) {
                // A lookup that throws found nothing.
            }
            {
                std::lock_guard lock(outcome->mutex);
                outcome->addresses = std::move(found);
                outcome->done = true;
            }
            outcome->finished.notify_all();
            pending->fetch_sub(1);
        }).detach();
    } catch (...) {
        // No thread (or no memory for one): no answer either.
        pending_->fetch_sub(1);
        return {};
    }
    std::unique_lock lock(outcome->mutex);
    if (!outcome->finished.wait_until(lock, deadline, [&] { return outcome->done; })) {
        return {};
    }
    return std::move(outcome->addresses);
}

}  // namespace vedodud
