#include "platform/tcpprobe/HostLookup.h"

#include <netdb.h>

#include <cstring>

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

}  // namespace vedodud
