#include "platform/tcpprobe/ProbeTarget.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cctype>

namespace vedodud {
namespace {

// A DNS name never exceeds this, and a longer host must not reach the resolver.
constexpr std::size_t kMaxHostLength = 253;
// Longer is no scheme anyone registered.
constexpr std::size_t kMaxSchemeLength = 40;
// "http:/host" and "http:///host" are read as "http://host", as browsers and curl read them.
constexpr std::size_t kMaxSlashes = 3;

bool IsAsciiAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsAsciiAlnum(char c) {
    return IsAsciiAlpha(c) || (c >= '0' && c <= '9');
}
bool IsHighByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

// Spaces included: a URL with a blank in it is a typing slip, not an address to guess at.
bool HasBlankOrControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte <= 0x20 || byte == 0x7f;
    });
}

// Only the schemes whose port everyone knows; any other needs the port written in the URL.
std::optional<std::uint16_t> WellKnownPort(std::string_view scheme) {
    if (scheme == "http") return 80;
    if (scheme == "https") return 443;
    if (scheme == "ftp") return 21;
    return std::nullopt;
}

struct SplitUrl {
    std::string scheme;     // lower case
    std::string_view rest;  // what follows the slashes
    std::string_view host;  // as typed: brackets and percent-encoding kept, no user or port
};

// "scheme:" then one to three slashes: there is no guessing of a scheme, and a URL without an
// authority ("javascript:...", "mailto:...") names no host.
std::optional<SplitUrl> Split(std::string_view url) {
    std::size_t length = 0;
    if (url.empty() || !IsAsciiAlpha(url[0])) return std::nullopt;
    while (length < url.size() && length < kMaxSchemeLength &&
           (IsAsciiAlnum(url[length]) || url[length] == '+' || url[length] == '-' || url[length] == '.'))
        ++length;
    if (length >= url.size() || url[length] != ':') return std::nullopt;
    std::string scheme(url.substr(0, length));
    std::transform(scheme.begin(), scheme.end(), scheme.begin(),
                   [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); });
    std::string_view rest = url.substr(length + 1);
    std::size_t slashes = 0;
    while (slashes < rest.size() && rest[slashes] == '/') ++slashes;
    if (slashes == 0 || slashes > kMaxSlashes) return std::nullopt;
    rest.remove_prefix(slashes);

    std::string_view host = rest.substr(0, rest.find_first_of("/?#"));
    if (const auto at = host.rfind('@'); at != std::string_view::npos) host.remove_prefix(at + 1);
    const auto portAt = host.rfind(':');
    if (portAt != std::string_view::npos && host.find(']', portAt) == std::string_view::npos)
        host = host.substr(0, portAt);
    return SplitUrl{std::move(scheme), rest, host};
}

// The characters a host may be typed with outside brackets: letters, digits, "-", ".", "_" and
// "~", percent-encoding, and any non-ASCII text for an international name. Anything else, such as
// "+1" that some parsers read as an address, names no host.
bool IsPlainHostText(std::string_view host) {
    return std::all_of(host.begin(), host.end(), [](char c) {
        return IsAsciiAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~' || c == '%' || IsHighByte(c);
    });
}

// What an IPv6 zone may be: an interface name or index, never arbitrary bytes.
bool IsInterfaceName(const QString& zone) {
    return !zone.isEmpty() && zone.size() < 16 && std::all_of(zone.begin(), zone.end(), [](QChar c) {
        const char16_t unit = c.unicode();
        return unit < 0x80 &&
               (IsAsciiAlnum(static_cast<char>(unit)) || unit == '.' || unit == '-' || unit == '_');
    });
}

// An international name, once in punycode, holds letters, digits and hyphens only (the STD3 rules:
// no spaces, no underscores), and each of its labels decodes back to the name it stands for: Qt's
// decoder refuses labels that break the IDNA rules for hyphens, joiners and right-to-left text,
// and leaves those in punycode.
bool IsValidInternationalName(const QByteArray& ace) {
    const bool lettersDigitsHyphens =
        std::all_of(ace.begin(), ace.end(), [](char c) { return IsAsciiAlnum(c) || c == '-' || c == '.'; });
    if (!lettersDigitsHyphens) return false;
    const QString decoded = QUrl::fromAce(ace, QUrl::IgnoreIDNWhitelist);
    const QStringList labels = decoded.split(u'.');
    // A label left in punycode did not decode; "--" in third and fourth place is reserved for such
    // prefixes, in plain labels too.
    const bool allDecoded = std::none_of(labels.begin(), labels.end(),
                                         [](const QString& label) { return label.mid(2, 2) == u"--"; });
    // A label typed in punycode must be the punycode of a name in its normal form.
    return allDecoded && QUrl::toAce(decoded) == ace;
}

// The host as the resolver wants it: a name in punycode, or an IPv6 literal without its brackets.
std::optional<std::string> HostOf(const QUrl& url, std::string_view typed) {
    const QString host = url.host(QUrl::FullyDecoded);
    if (host.isEmpty()) return std::nullopt;
    if (typed.front() == '[') {
        // Only IPv6 addresses go in brackets here; "IPvFuture" forms name nothing we can reach.
        if (!host.contains(u':')) return std::nullopt;
        const auto zoneAt = host.indexOf(u'%');
        if (zoneAt >= 0 && !IsInterfaceName(host.mid(zoneAt + 1))) return std::nullopt;
        return host.toStdString();
    }
    if (!IsPlainHostText(typed)) return std::nullopt;
    const QByteArray ascii = QUrl::toAce(host);
    if (ascii.isEmpty() || static_cast<std::size_t>(ascii.size()) > kMaxHostLength ||
        HasBlankOrControl(ascii.toStdString()))
        return std::nullopt;
    // Percent-encoding may hide an international name as well. Names typed in plain ASCII go to the
    // resolver as they are.
    const bool international =
        std::any_of(typed.begin(), typed.end(), [](char c) { return c == '%' || IsHighByte(c); });
    if (international && !IsValidInternationalName(ascii)) return std::nullopt;
    return ascii.toStdString();
}

}  // namespace

std::optional<ProbeTarget> ParseProbeTarget(std::string_view url) {
    if (url.empty() || url.size() > kMaxUrlLength || HasBlankOrControl(url)) {
        return std::nullopt;
    }
    const auto split = Split(url);
    if (!split || split->scheme == "file" || split->host.empty()) {
        return std::nullopt;
    }
    // Narrow text on this platform is UTF-8; a host that is not valid UTF-8 fails as a host.
    const std::string normalised = split->scheme + "://" + std::string(split->rest);
    const QUrl parsed(QString::fromUtf8(normalised.data(), static_cast<qsizetype>(normalised.size())),
                      QUrl::TolerantMode);
    if (!parsed.isValid()) {
        return std::nullopt;
    }
    auto host = HostOf(parsed, split->host);
    const int written = parsed.port();
    const auto port = written < 0 ? WellKnownPort(split->scheme)
                                  : std::optional<std::uint16_t>(static_cast<std::uint16_t>(written));
    if (!host || !port || *port == 0) {
        return std::nullopt;
    }
    return ProbeTarget{std::move(*host), *port};
}

}  // namespace vedodud
