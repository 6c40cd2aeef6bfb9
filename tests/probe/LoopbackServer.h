// Loopback TCP endpoints for the probe to aim at. Nothing here talks to anything but 127.0.0.1 / ::1.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vedodud::test {

class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor();
    Descriptor(Descriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    Descriptor& operator=(Descriptor&&) = delete;

    int get() const { return fd_; }

private:
    int fd_;
};

// A TCP socket bound to an ephemeral loopback port. Listening or not: a bound port that does not
// listen refuses connections, and keeping it bound stops anyone else from taking it meanwhile.
class LoopbackPort {
public:
    // family is AF_INET or AF_INET6; valid() is false when that family is unavailable here.
    LoopbackPort(int family, bool listening, int backlog = 16);

    bool valid() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }

    struct Traffic {
        int connections = 0;
        std::size_t bytesReceived = 0;
    };
    // Accepts what arrived within `wait` (and right after) and reads each connection to its end.
    Traffic Drain(std::chrono::milliseconds wait);

    // Connects from the test until a handshake no longer completes: the accept queue is full and
    // further SYNs are dropped. False if that never happened.
    bool FillAcceptQueue();

private:
    int family_;
    Descriptor socket_;
    std::uint16_t port_ = 0;
    std::vector<Descriptor> fillers_;
};

}  // namespace vedodud::test
