#include "platform/tcpprobe/TcpConnect.h"

#include <netinet/in.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>

namespace vedodud {
namespace {

using Clock = std::chrono::steady_clock;

class Socket {
public:
    explicit Socket(int family)
        : fd_(socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP)) {}
    ~Socket() {
        if (fd_ >= 0) close(fd_);
    }
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    int fd() const { return fd_; }

private:
    int fd_;
};

enum class Attempt { Connected, Failed, OutOfTime };

// Waits for a non-blocking connect to finish, restarting after signals, never past the deadline.
Attempt AwaitConnect(int fd, Clock::time_point deadline) {
    for (;;) {
        const auto left = deadline - Clock::now();
        if (left <= Clock::duration::zero()) {
            return Attempt::OutOfTime;
        }
        const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(left);
        const auto nanoseconds = std::chrono::duration_cast<std::chrono::nanoseconds>(left - seconds);
        const timespec timeout{static_cast<time_t>(seconds.count()), static_cast<long>(nanoseconds.count())};
        pollfd watched{fd, POLLOUT, 0};
        const int ready = ppoll(&watched, 1, &timeout, nullptr);
        if (ready < 0 && errno == EINTR) continue;
        if (ready < 0) return Attempt::Failed;
        if (ready == 0) continue;  // the loop decides whether time is up
        int error = 0;
        socklen_t length = sizeof error;
        if (getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) return Attempt::Failed;
        // A reset can only follow a completed handshake: the host did take the connection,
        // even if it dropped it before we looked.
        return error == 0 || error == ECONNRESET ? Attempt::Connected : Attempt::Failed;
    }
}

Attempt TryAddress(const SocketAddress& address, Clock::time_point deadline) {
    Socket socket(address.storage.ss_family);
    if (socket.fd() < 0) {
        return Attempt::Failed;
    }
    if (connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address.storage), address.length) == 0) {
        return Attempt::Connected;
    }
    if (errno != EINPROGRESS) {
        return Attempt::Failed;
    }
    return AwaitConnect(socket.fd(), deadline);
}

}  // namespace

bool ConnectsBefore(const AddressList& addresses, std::chrono::steady_clock::time_point deadline) {
    for (const SocketAddress& address : addresses) {
        // Past the deadline not even a SYN goes out: a lookup that answered late is not used.
        if (Clock::now() >= deadline) return false;
        switch (TryAddress(address, deadline)) {
            case Attempt::Connected:
                return true;
            case Attempt::OutOfTime:
                return false;
            case Attempt::Failed:
                break;
        }
    }
    return false;
}

}  // namespace vedodud
