// Turning a host into socket addresses.
#pragma once

#include <sys/socket.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vedodud {

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

}  // namespace vedodud
