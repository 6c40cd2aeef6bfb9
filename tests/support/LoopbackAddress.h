// The loopback address of one family with a port, ready for bind() or connect().
#pragma once

#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>

namespace vedodud::test {

inline sockaddr_storage LoopbackAddress(int family, std::uint16_t port, socklen_t& length) {
    sockaddr_storage storage{};
    if (family == AF_INET6) {
        auto& address = reinterpret_cast<sockaddr_in6&>(storage);
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_loopback;
        address.sin6_port = htons(port);
        length = sizeof address;
    } else {
        auto& address = reinterpret_cast<sockaddr_in&>(storage);
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        length = sizeof address;
    }
    return storage;
}

}  // namespace vedodud::test
