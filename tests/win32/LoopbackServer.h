// Loopback TCP targets for the probe: one that accepts, one that refuses, one that never answers.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <thread>
#include <vector>

namespace vedodud::win32::test {

// Listens on 127.0.0.1 at a free port and accepts (and closes) every connection.
class AcceptingServer {
public:
    AcceptingServer();
    ~AcceptingServer();
    int Port() const { return port_; }
    int Accepted() const { return accepted_; }

private:
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::atomic<int> accepted_{0};
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// A port on 127.0.0.1 that was free a moment ago and has nobody listening: connects are refused.
int ClosedPort();

// Listens with a backlog of one and never accepts; the backlog is filled first, so further
// connection attempts get no answer.
class FullBacklogServer {
public:
    FullBacklogServer();
    ~FullBacklogServer();
    int Port() const { return port_; }

private:
    SOCKET listener_ = INVALID_SOCKET;
    int port_ = 0;
    std::vector<SOCKET> fillers_;
};

}  // namespace vedodud::win32::test
