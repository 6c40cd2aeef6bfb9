// URL text as typed into Text1 -> narrow code page -> the probe's reading of host and port.
// The input is tried as narrow bytes and as UTF-16 text through both scripted code pages.
// Nothing here touches the network: names are never looked up, literals are only parsed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/tcpprobe/HostLookup.h"
#include "platform/tcpprobe/ProbeTarget.h"
#include "scripted/ScriptedServices.h"

namespace {

using vedodud::WString;
using Encoding = vedodud::scripted::ScriptedCodePage::Encoding;

void Expect(bool holds) {
    if (!holds) std::abort();
}

void CheckTarget(std::string_view url) {
    const auto target = vedodud::ParseProbeTarget(url);
    if (!target) return;
    // Only plausible URLs get through, and what comes out is safe to hand to the resolver.
    Expect(!url.empty() && url.size() <= vedodud::kMaxUrlLength);
    Expect(url.find('\0') == std::string_view::npos);
    Expect(target->port != 0);
    Expect(!target->host.empty());
    for (const char c : target->host) {
        const auto byte = static_cast<unsigned char>(c);
        Expect(byte > 0x20 && byte < 0x7f);
    }
    // A literal is turned into addresses without any lookup (AI_NUMERICHOST).
    if (const auto addresses = vedodud::NumericHostAddress(target->host, target->port)) {
        Expect(!addresses->empty());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    CheckTarget(bytes);

    WString typed;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        typed += static_cast<char16_t>(data[i] | (data[i + 1] << 8));
    }
    for (const Encoding encoding : {Encoding::Utf8, Encoding::Latin1}) {
        vedodud::scripted::ScriptedCodePage codePage;
        codePage.encoding = encoding;
        CheckTarget(codePage.ToAnsi(typed));
    }
    return 0;
}
