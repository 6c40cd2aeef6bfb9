#include "LoopbackServer.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "support/LoopbackAddress.h"

namespace vedodud::test {
namespace {

constexpr int kMaxConnectionsDrained = 16;
constexpr int kMaxFillers = 16;

bool Readable(int fd, std::chrono::milliseconds wait) {
    pollfd watched{fd, POLLIN, 0};
    return poll(&watched, 1, static_cast<int>(wait.count())) == 1;
}

std::size_t ReadToEnd(int fd) {
    std::size_t total = 0;
    char buffer[4096];
    for (int reads = 0; reads < 256 && Readable(fd, std::chrono::seconds(2)); ++reads) {
        const ssize_t got = read(fd, buffer, sizeof buffer);
        if (got <= 0) break;
        total += static_cast<std::size_t>(got);
    }
    return total;
}

}  // namespace

Descriptor::~Descriptor() {
    if (fd_ >= 0) close(fd_);
}

LoopbackPort::LoopbackPort(int family, bool listening, int backlog)
    : family_(family), socket_(socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
    if (socket_.get() < 0) return;
    socklen_t length = 0;
    sockaddr_storage address = LoopbackAddress(family, 0, length);
    if (bind(socket_.get(), reinterpret_cast<sockaddr*>(&address), length) != 0) return;
    if (listening && listen(socket_.get(), backlog) != 0) return;
    if (getsockname(socket_.get(), reinterpret_cast<sockaddr*>(&address), &length) != 0) return;
    port_ = family == AF_INET6 ? ntohs(reinterpret_cast<sockaddr_in6&>(address).sin6_port)
                               : ntohs(reinterpret_cast<sockaddr_in&>(address).sin_port);
}

LoopbackPort::Traffic LoopbackPort::Drain(std::chrono::milliseconds wait) {
    Traffic traffic;
    for (auto next = wait; traffic.connections < kMaxConnectionsDrained && Readable(socket_.get(), next);
         next = std::chrono::milliseconds(100)) {
        Descriptor accepted(accept(socket_.get(), nullptr, nullptr));
        if (accepted.get() < 0) break;
        ++traffic.connections;
        traffic.bytesReceived += ReadToEnd(accepted.get());
    }
    return traffic;
}

bool LoopbackPort::FillAcceptQueue() {
    socklen_t length = 0;
    const sockaddr_storage address = LoopbackAddress(family_, port_, length);
    for (int i = 0; i < kMaxFillers; ++i) {
        Descriptor& filler =
            fillers_.emplace_back(socket(family_, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
        if (connect(filler.get(), reinterpret_cast<const sockaddr*>(&address), length) != 0 &&
            errno != EINPROGRESS) {
            return false;
        }
        pollfd watched{filler.get(), POLLOUT, 0};
        if (poll(&watched, 1, 300) == 0) return true;
    }
    return false;
}

}  // namespace vedodud::test
