#include "FaultServer.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "support/LoopbackAddress.h"

namespace vedodud::reliability {
namespace {

constexpr int kMaxQueueFillers = 16;
constexpr int kRebindAttempts = 50;

using test::LoopbackAddress;

void Abort(int fd) {
    const linger hard{1, 0};
    setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
    close(fd);
}

}  // namespace

const char* NameOf(ServerFault fault) {
    switch (fault) {
        case ServerFault::None:
            return "Up";
        case ServerFault::Refused:
            return "Refused";
        case ServerFault::Blackhole:
            return "Blackhole";
        case ServerFault::Reset:
            return "Reset";
        case ServerFault::Silent:
            return "Silent";
    }
    return "?";
}

FaultServer::FaultServer(ServerFault fault, int family, std::uint16_t port) : family_(family), port_(port) {
    if (pipe2(stopPipe_, O_CLOEXEC) != 0 || !Open(fault)) port_ = 0;
}

FaultServer::~FaultServer() {
    Close();
    for (int fd : stopPipe_) {
        if (fd >= 0) close(fd);
    }
}

std::string FaultServer::Url() const {
    const std::string host = family_ == AF_INET6 ? "[::1]" : "127.0.0.1";
    return "http://" + host + ":" + std::to_string(port_) + "/";
}

bool FaultServer::Switch(ServerFault fault) {
    Close();
    for (int attempt = 0; attempt < kRebindAttempts; ++attempt) {
        if (Open(fault)) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

bool FaultServer::Open(ServerFault fault) {
    const int listener = socket(family_, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) return false;
    const int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    socklen_t length = 0;
    sockaddr_storage address = LoopbackAddress(family_, port_, length);
    const int backlog = fault == ServerFault::Blackhole ? 0 : SOMAXCONN;
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        (fault != ServerFault::Refused && listen(listener, backlog) != 0) ||
        getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        close(listener);
        return false;
    }
    port_ = family_ == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(address).sin6_port)
                                : ntohs(reinterpret_cast<sockaddr_in&>(address).sin_port);
    listener_ = listener;
    fault_ = fault;
    if (fault == ServerFault::Blackhole) {
        // Connect until a handshake no longer completes: from then on SYNs are dropped.
        const sockaddr_storage target = LoopbackAddress(family_, port_, length);
        for (int i = 0; i < kMaxQueueFillers; ++i) {
            const int filler = socket(family_, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
            held_.push_back(filler);
            if (connect(filler, reinterpret_cast<const sockaddr*>(&target), length) != 0 &&
                errno != EINPROGRESS) {
                return false;
            }
            pollfd watched{filler, POLLOUT, 0};
            if (poll(&watched, 1, 300) == 0) return true;
        }
        return false;
    }
    if (fault != ServerFault::Refused) {
        acceptor_ = std::thread([this, listener, fault] { Serve(listener, fault); });
    }
    return true;
}

void FaultServer::Close() {
    if (acceptor_.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const auto written = write(stopPipe_[1], &stop, 1);
        acceptor_.join();
        char drained;
        [[maybe_unused]] const auto read_ = read(stopPipe_[0], &drained, 1);
    }
    if (listener_ >= 0) close(listener_);
    listener_ = -1;
    std::lock_guard lock(heldMutex_);
    for (int fd : held_) {
        if (fd >= 0) close(fd);
    }
    held_.clear();
}

void FaultServer::Serve(int listener, ServerFault fault) {
    for (;;) {
        pollfd watched[2] = {{listener, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        const int connection = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        if (fault == ServerFault::Reset) {
            Abort(connection);
        } else if (fault == ServerFault::Silent) {
            std::lock_guard lock(heldMutex_);
            held_.push_back(connection);
        } else {
            close(connection);
        }
        ++accepted_;
    }
}

}  // namespace vedodud::reliability
