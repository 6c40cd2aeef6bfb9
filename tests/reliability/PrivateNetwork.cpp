#include "PrivateNetwork.h"

#include <fcntl.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace vedodud::reliability {
namespace {

bool inPrivateNetwork = false;
std::string whyNoPrivateNetwork = "not tried";

bool WriteFile(const std::string& path, const std::string& text) {
    std::ofstream out(path, std::ios::trunc);
    out << text;
    return static_cast<bool>(out.flush());
}

std::string Failure(const char* step) {
    return std::string(step) + ": " + std::strerror(errno);
}

// Without root, a user namespace of our own gives the rights to make the other two.
std::string Unshare() {
    if (unshare(CLONE_NEWNET | CLONE_NEWNS) == 0) return {};
    const uid_t uid = getuid();
    const gid_t gid = getgid();
    if (unshare(CLONE_NEWUSER | CLONE_NEWNET | CLONE_NEWNS) != 0) return Failure("unshare");
    if (!WriteFile("/proc/self/setgroups", "deny") ||
        !WriteFile("/proc/self/uid_map", "0 " + std::to_string(uid) + " 1") ||
        !WriteFile("/proc/self/gid_map", "0 " + std::to_string(gid) + " 1")) {
        return Failure("user namespace map");
    }
    return {};
}

std::string BringLoopbackUp() {
    const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return Failure("socket");
    ifreq request{};
    std::strncpy(request.ifr_name, "lo", IFNAMSIZ - 1);
    const bool up = ioctl(fd, SIOCGIFFLAGS, &request) == 0 &&
                    (request.ifr_flags |= IFF_UP, ioctl(fd, SIOCSIFFLAGS, &request) == 0);
    const std::string why = up ? "" : Failure("bringing lo up");
    close(fd);
    return why;
}

// Puts a file of ours over a system file, seen only inside this mount namespace.
std::string Overlay(const std::string& target, const std::string& text) {
    char path[] = "/tmp/vedodud-netns-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return Failure("mkstemp");
    close(fd);
    std::string why;
    if (!WriteFile(path, text)) {
        why = "writing " + std::string(path);
    } else if (mount(path, target.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        why = Failure(("bind mount over " + target).c_str());
    }
    unlink(path);  // the mount keeps the file alive
    return why;
}

}  // namespace

namespace {

// Loopback comes up first: once the namespaces exist there is no way back, and the tests that need
// no private names still run on it when the rest fails.
std::string MakePrivateNetwork(const std::string& resolverOptions) {
    if (std::string why = Unshare(); !why.empty()) return why;
    if (std::string why = BringLoopbackUp(); !why.empty()) return why;
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return Failure("making / private");
    for (const auto& [target, text] : {
             std::pair<std::string, std::string>{"/etc/resolv.conf",
                                                 "nameserver 127.0.0.1\n" + resolverOptions},
             {"/etc/hosts", std::string("127.0.0.1 localhost ") + kLoopbackName + " " + kTwoAddressName +
                                "\n::1 localhost " + kTwoAddressName + "\n"},
             {"/etc/nsswitch.conf", "hosts: files dns\n"},
         }) {
        if (std::string why = Overlay(target, text); !why.empty()) return why;
    }
    return {};
}

}  // namespace

std::string EnterPrivateNetwork(const std::string& resolverOptions) {
    whyNoPrivateNetwork = MakePrivateNetwork(resolverOptions);
    inPrivateNetwork = whyNoPrivateNetwork.empty();
    return whyNoPrivateNetwork;
}

std::string NoPrivateNetwork() {
    if (inPrivateNetwork) return {};
    return "no private network (" + whyNoPrivateNetwork +
           "): needs root or unprivileged user namespaces, and / a mount point";
}

bool InPrivateNetwork() {
    return inPrivateNetwork;
}

LoopbackResolver::LoopbackResolver() {
    if (!inPrivateNetwork || pipe2(stopPipe_, O_CLOEXEC) != 0) return;
    socket_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(53);
    if (socket_ >= 0 && bind(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(socket_);
        socket_ = -1;
    }
    if (socket_ >= 0) server_ = std::thread([this] { Serve(); });
}

LoopbackResolver::~LoopbackResolver() {
    if (server_.joinable()) {
        const char stop = 1;
        [[maybe_unused]] const auto written = write(stopPipe_[1], &stop, 1);
        server_.join();
    }
    for (int fd : {socket_, stopPipe_[0], stopPipe_[1]}) {
        if (fd >= 0) close(fd);
    }
}

void LoopbackResolver::Serve() {
    constexpr std::size_t kHeader = 12;
    unsigned char packet[512];
    for (;;) {
        pollfd watched[2] = {{socket_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(watched, 2, -1) < 0 && errno != EINTR) return;
        if (watched[1].revents != 0) return;
        if ((watched[0].revents & POLLIN) == 0) continue;
        sockaddr_storage from{};
        socklen_t fromLength = sizeof from;
        const ssize_t got =
            recvfrom(socket_, packet, sizeof packet, 0, reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (got < static_cast<ssize_t>(kHeader)) continue;
        ++queries_;
        if (mode_ == Mode::Swallow) continue;
        // The answer is the question sent back with "no such name": header and first question only.
        std::size_t end = kHeader;
        while (end < static_cast<std::size_t>(got) && packet[end] != 0) end += packet[end] + 1;
        end += 1 + 4;  // the root label, then type and class
        if (end > static_cast<std::size_t>(got)) continue;
        packet[2] = static_cast<unsigned char>(0x80 | (packet[2] & 0x01));  // a response; RD echoed
        packet[3] = 0x83;                                                   // RA, NXDOMAIN
        packet[4] = 0, packet[5] = 1;                                       // one question
        std::memset(packet + 6, 0, 6);                                      // no records
        sendto(socket_, packet, end, 0, reinterpret_cast<sockaddr*>(&from), fromLength);
    }
}

}  // namespace vedodud::reliability
