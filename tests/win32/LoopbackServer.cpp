#include "LoopbackServer.h"

#include <ws2tcpip.h>

#include <stdexcept>

namespace vedodud::win32::test {
namespace {

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    return address;
}

SOCKET BoundSocket(int& port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) throw std::runtime_error("socket");
    sockaddr_in address = Loopback(0);
    if (bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) throw std::runtime_error("bind");
    int length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return s;
}

}  // namespace

AcceptingServer::AcceptingServer() {
    listener_ = BoundSocket(port_);
    listen(listener_, SOMAXCONN);
    thread_ = std::thread([this] {
        while (!stop_) {
            fd_set readable;
            FD_ZERO(&readable);
            FD_SET(listener_, &readable);
            timeval wait{0, 50 * 1000};
            if (select(0, &readable, nullptr, nullptr, &wait) <= 0) continue;
            SOCKET client = accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            ++accepted_;
            closesocket(client);
        }
    });
}

AcceptingServer::~AcceptingServer() {
    stop_ = true;
    thread_.join();
    closesocket(listener_);
}

int ClosedPort() {
    int port = 0;
    closesocket(BoundSocket(port));
    return port;
}

FullBacklogServer::FullBacklogServer() {
    listener_ = BoundSocket(port_);
    listen(listener_, 1);
    // Non-blocking connects until one stays pending: then the queue is full.
    for (int attempt = 0; attempt < 64; ++attempt) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        sockaddr_in address = Loopback(port_);
        connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fillers_.push_back(s);
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(s, &writable);
        timeval wait{0, 200 * 1000};
        if (select(0, nullptr, &writable, nullptr, &wait) == 0) break;
    }
}

FullBacklogServer::~FullBacklogServer() {
    for (SOCKET s : fillers_) closesocket(s);
    closesocket(listener_);
}

}  // namespace vedodud::win32::test
