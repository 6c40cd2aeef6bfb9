#include "ConnectLog.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <mutex>

extern "C" int __real_connect(int fd, const sockaddr* address, socklen_t length);

namespace vedodud::reliability {
namespace {

std::atomic<bool> recording{false};
std::mutex attemptsMutex;
std::vector<ConnectAttempt> attempts;

ConnectAttempt Describe(const sockaddr* address) {
    ConnectAttempt attempt;
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET) {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(address);
        inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        attempt.port = ntohs(v4->sin_port);
    } else if (address->sa_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(address);
        inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        attempt.port = ntohs(v6->sin6_port);
    } else {
        attempt.address = "family " + std::to_string(address->sa_family);
        return attempt;
    }
    attempt.address = text;
    return attempt;
}

}  // namespace

ConnectRecording::ConnectRecording() {
    std::lock_guard lock(attemptsMutex);
    attempts.clear();
    recording = true;
}

ConnectRecording::~ConnectRecording() {
    recording = false;
}

std::vector<ConnectAttempt> ConnectRecording::Attempts() const {
    std::lock_guard lock(attemptsMutex);
    return attempts;
}

std::size_t ConnectRecording::Count() const {
    std::lock_guard lock(attemptsMutex);
    return attempts.size();
}

}  // namespace vedodud::reliability

extern "C" int __wrap_connect(int fd, const sockaddr* address, socklen_t length) {
    using namespace vedodud::reliability;
    if (recording && address != nullptr) {
        std::lock_guard lock(attemptsMutex);
        attempts.push_back(Describe(address));
    }
    return __real_connect(fd, address, length);
}
