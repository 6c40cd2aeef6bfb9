// A loopback TCP endpoint that can be switched between the ways a web server fails.
// It only ever binds 127.0.0.1 or ::1, and keeps its port for its whole life.
#pragma once

#include <sys/socket.h>

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace vedodud::reliability {

enum class ServerFault {
    None,       // listens and accepts; each connection is closed at once
    Refused,    // the port is bound but nobody listens: the SYN is answered with a reset
    Blackhole,  // the accept queue is full, so SYNs are dropped and the client waits
    Reset,      // accepts, then aborts the connection (SO_LINGER 0)
    Silent,     // accepts and holds the connection without a word
};

const char* NameOf(ServerFault fault);

class FaultServer {
public:
    explicit FaultServer(ServerFault fault, int family = AF_INET, std::uint16_t port = 0);
    ~FaultServer();
    FaultServer(const FaultServer&) = delete;
    FaultServer& operator=(const FaultServer&) = delete;

    bool valid() const { return port_ != 0; }
    std::uint16_t port() const { return port_; }
    ServerFault fault() const { return fault_; }
    // "http://127.0.0.1:<port>/" or "http://[::1]:<port>/".
    std::string Url() const;

    // Rebinds the same port behaving the new way; false if the port could not be kept.
    bool Switch(ServerFault fault);

    // Connections the server has accepted and closed (or holds) so far, in every fault mode together.
    int Accepted() const { return accepted_.load(); }

private:
    bool Open(ServerFault fault);
    void Close();
    void Serve(int listener, ServerFault fault);

    int family_;
    ServerFault fault_ = ServerFault::None;
    std::uint16_t port_;
    int listener_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::vector<int> held_;  // connections the client made to fill the queue, or that stay silent
    std::mutex heldMutex_;
    std::thread acceptor_;
    std::atomic<int> accepted_{0};
};

}  // namespace vedodud::reliability
