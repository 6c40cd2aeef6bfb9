// The network end a URL names: the host to look up and the TCP port to try.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vedodud {

// Longer text is not a URL anyone types into the box; refuse it before parsing megabytes every tick.
inline constexpr std::size_t kMaxUrlLength = 64 * 1024;

struct ProbeTarget {
    std::string host;  // ASCII: a name in punycode, or an address literal without brackets
    std::uint16_t port = 0;

    bool operator==(const ProbeTarget&) const = default;
};

// Empty when the text names no network host and port: not a URL, a scheme without a host (file:,
// mailto:, data:...), control characters, port 0, or a scheme with no well-known port and none given.
// Does no file or network I/O.
std::optional<ProbeTarget> ParseProbeTarget(std::string_view url);

}  // namespace vedodud
