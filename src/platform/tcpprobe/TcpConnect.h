// One TCP connection attempt: open, see it established, close. Nothing is sent.
#pragma once

#include <chrono>

#include "platform/tcpprobe/HostLookup.h"

namespace vedodud {

// True as soon as a connection to one of the addresses, tried in turn, is established before the
// deadline. Each socket is closed at once; no byte goes out beyond the TCP handshake and its close.
bool ConnectsBefore(const AddressList& addresses, std::chrono::steady_clock::time_point deadline);

}  // namespace vedodud
