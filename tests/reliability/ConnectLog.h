// Every connect() made while a recording is open, with the address it aimed at. The test binary is
// linked with --wrap=connect, so the probe's calls pass through here before reaching the system.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vedodud::reliability {

struct ConnectAttempt {
    std::string address;  // numeric, e.g. "127.0.0.1" or "::1"
    std::uint16_t port = 0;
};

// Only one recording is open at a time.
class ConnectRecording {
public:
    ConnectRecording();
    ~ConnectRecording();
    ConnectRecording(const ConnectRecording&) = delete;
    ConnectRecording& operator=(const ConnectRecording&) = delete;

    std::vector<ConnectAttempt> Attempts() const;
    std::size_t Count() const;
};

}  // namespace vedodud::reliability
