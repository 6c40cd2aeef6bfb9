#include "platform/curl/ProbeTarget.h"

#include <curl/curl.h>
#include <idn2.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <memory>

namespace vedodud {
namespace {

// A DNS name never exceeds this, and a longer host must not reach the resolver.
constexpr std::size_t kMaxHostLength = 253;

struct UrlDeleter {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, UrlDeleter>;

std::optional<std::string> GetPart(CURLU* url, CURLUPart part) {
    char* value = nullptr;
    if (curl_url_get(url, part, &value, 0) != CURLUE_OK || value == nullptr) {
        return std::nullopt;
    }
    std::string text(value);
    curl_free(value);
    return text;
}

bool HasControlCharacter(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
}

bool IsAscii(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// What an IPv6 zone may be: an interface name or index, never arbitrary bytes.
bool IsInterfaceName(std::string_view zone) {
    return !zone.empty() && zone.size() < 16 && std::all_of(zone.begin(), zone.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_';
    });
}

// Only the schemes whose port everyone knows; any other needs the port written in the URL.
std::optional<std::uint16_t> WellKnownPort(std::string_view scheme) {
    if (scheme == "http") return 80;
    if (scheme == "https") return 443;
    if (scheme == "ftp") return 21;
    return std::nullopt;
}

std::optional<std::uint16_t> PortOf(CURLU* url, std::string_view scheme) {
    const auto written = GetPart(url, CURLUPART_PORT);
    if (!written) {
        return WellKnownPort(scheme);
    }
    unsigned value = 0;
    const auto [end, error] = std::from_chars(written->data(), written->data() + written->size(), value);
    if (error != std::errc{} || end != written->data() + written->size() || value == 0 || value > 65535) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(value);
}

// libidn2 directly rather than curl's conversion, which reads the host in the C locale's encoding.
// Narrow text on this platform is UTF-8; anything that is not valid UTF-8 fails here.
std::optional<std::string> ToPunycode(const std::string& host) {
    char* ascii = nullptr;
    int rc = idn2_to_ascii_8z(host.c_str(), &ascii,
                              IDN2_NFC_INPUT | IDN2_NONTRANSITIONAL | IDN2_USE_STD3_ASCII_RULES);
    if (rc == IDN2_DISALLOWED) {
        rc = idn2_to_ascii_8z(host.c_str(), &ascii,
                              IDN2_NFC_INPUT | IDN2_TRANSITIONAL | IDN2_USE_STD3_ASCII_RULES);
    }
    if (rc != IDN2_OK || ascii == nullptr) {
        return std::nullopt;
    }
    std::string converted(ascii);
    idn2_free(ascii);
    return converted;
}

std::optional<std::string> HostOf(CURLU* url) {
    auto host = GetPart(url, CURLUPART_HOST);
    if (!host || host->empty()) {
        return std::nullopt;
    }
    if (host->size() > 2 && host->front() == '[' && host->back() == ']') {
        std::string address = host->substr(1, host->size() - 2);
        if (const auto zone = GetPart(url, CURLUPART_ZONEID)) {
            if (!IsInterfaceName(*zone)) return std::nullopt;
            address += '%' + *zone;
        }
        return address;
    }
    if (!IsAscii(*host)) {
        host = ToPunycode(*host);
    }
    if (!host || host->empty() || host->size() > kMaxHostLength || HasControlCharacter(*host)) {
        return std::nullopt;
    }
    return host;
}

}  // namespace

std::optional<ProbeTarget> ParseProbeTarget(std::string_view url) {
    if (url.empty() || url.size() > kMaxUrlLength || url.find('\0') != std::string_view::npos ||
        HasControlCharacter(url)) {
        return std::nullopt;
    }
    UrlHandle handle(curl_url());
    if (!handle) {
        return std::nullopt;
    }
    // No scheme guessing: "example.com" alone is not a URL here.
    if (curl_url_set(handle.get(), CURLUPART_URL, std::string(url).c_str(), CURLU_NON_SUPPORT_SCHEME) !=
        CURLUE_OK) {
        return std::nullopt;
    }
    const auto scheme = GetPart(handle.get(), CURLUPART_SCHEME);
    if (!scheme || *scheme == "file") {
        return std::nullopt;
    }
    auto host = HostOf(handle.get());
    const auto port = PortOf(handle.get(), *scheme);
    if (!host || !port) {
        return std::nullopt;
    }
    return ProbeTarget{std::move(*host), *port};
}

}  // namespace vedodud
