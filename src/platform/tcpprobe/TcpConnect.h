// Connection attempts to a host's addresses: open, see one established, close. Nothing is sent.
#pragma once

#include <chrono>

#include "platform/tcpprobe/HostLookup.h"

namespace vedodud {

// RFC 8305's "Connection Attempt Delay": how long an attempt runs alone before the next one starts.
inline constexpr std::chrono::milliseconds kConnectionAttemptDelay{250};

// True as soon as a connection to one of the addresses is established before the deadline.
// The attempts race as RFC 8305 ("Happy Eyeballs v2") describes, on the calling thread: addresses
// interleaved by family in the order given, the next attempt started kConnectionAttemptDelay after
// the last or at once when one fails, at most one attempt per address. Whatever the outcome, every
// socket is closed before the call returns; no byte goes out beyond the TCP handshake and its close.
bool ConnectsBefore(const AddressList& addresses, std::chrono::steady_clock::time_point deadline);

}  // namespace vedodud
