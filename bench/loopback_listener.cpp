// A web server stand-in on 127.0.0.1:<port>: accepts and closes, one line per connection. With
// --blackhole it never accepts and its accept queue is kept full, so further connection attempts
// get no answer at all, as from a host that drops them.
// usage: loopback_listener [--blackhole] <port>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

sockaddr_in Loopback(std::uint16_t port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

// Connects until a handshake no longer completes: the queue is full and SYNs are dropped. The
// connections stay open for as long as the process lives.
bool FillAcceptQueue(std::uint16_t port) {
    const sockaddr_in address = Loopback(port);
    for (int i = 0; i < 64; ++i) {
        const int filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (connect(filler, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 &&
            errno != EINPROGRESS)
            return false;
        pollfd watched{filler, POLLOUT, 0};
        if (poll(&watched, 1, 300) == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const bool blackhole = argc == 3 && std::string_view(argv[1]) == "--blackhole";
    if (argc != 2 && !blackhole) return 2;
    const auto port = static_cast<std::uint16_t>(std::atoi(argv[argc - 1]));
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in address = Loopback(port);
    if (bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, blackhole ? 0 : 64) != 0) {
        std::perror("loopback_listener");
        return 1;
    }
    if (blackhole) {
        if (!FillAcceptQueue(port)) {
            std::fprintf(stderr, "loopback_listener: the accept queue never filled\n");
            return 1;
        }
        std::printf("blackholed\n");
        std::fflush(stdout);
        for (;;) pause();
    }
    for (;;) {
        const int connection = accept(listener, nullptr, nullptr);
        if (connection < 0) continue;
        close(connection);
        std::printf("accepted\n");
        std::fflush(stdout);
    }
}
