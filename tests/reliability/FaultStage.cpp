#include "FaultStage.h"

namespace vedodud::reliability {

FaultStage::FaultStage() {
    if (InPrivateNetwork()) resolver_ = std::make_unique<LoopbackResolver>();
}

std::optional<std::string> FaultStage::Stage(Fault fault) {
    const auto port = [&] { return std::to_string(v4_.port()); };
    const bool lookups = resolver_ && resolver_->valid();
    // The faults a listening server on 127.0.0.1 plays itself.
    const auto served = [&](ServerFault behaviour) -> std::optional<std::string> {
        if (!v4_.Switch(behaviour)) return std::nullopt;
        return v4_.Url();
    };
    const auto twoAddresses = [&](const char* first, ServerFault v6,
                                  ServerFault v4) -> std::optional<std::string> {
        if (v6_.port() != v4_.port() || !v6_.Switch(v6) || !v4_.Switch(v4)) return std::nullopt;
        return "http://" + std::string(first) + "-first.reliability.test:" + port() + "/";
    };
    switch (fault) {
        case Fault::Up:
            return served(ServerFault::None);
        case Fault::Ipv6Up:
            if (!v6_.valid()) return std::nullopt;
            return v6_.Url();
        case Fault::Refused:
            return served(ServerFault::Refused);
        case Fault::Blackhole:
            return served(ServerFault::Blackhole);
        case Fault::Reset:
            return served(ServerFault::Reset);
        case Fault::Silent:
            return served(ServerFault::Silent);
        case Fault::NamedUp:
            if (!lookups || !v4_.Switch(ServerFault::None)) return std::nullopt;
            return "http://" + std::string(kLoopbackName) + ":" + port() + "/";
        case Fault::NoSuchName:
            if (!lookups || !v4_.Switch(ServerFault::None)) return std::nullopt;
            resolver_->SetMode(LoopbackResolver::Mode::NoSuchName);
            return "http://no-such-host.reliability.test:" + port() + "/";
        case Fault::ResolverSilent:
            if (!lookups || !v4_.Switch(ServerFault::None)) return std::nullopt;
            resolver_->SetMode(LoopbackResolver::Mode::Swallow);
            return "http://unanswered.reliability.test:" + port() + "/";
        case Fault::DeadIpv6LiveIpv4:
            return twoAddresses("ipv6", ServerFault::Blackhole, ServerFault::None);
        case Fault::LiveIpv6DeadIpv4:
            return twoAddresses("ipv6", ServerFault::None, ServerFault::Blackhole);
        case Fault::BothDead:
            return twoAddresses("ipv6", ServerFault::Blackhole, ServerFault::Blackhole);
        case Fault::RefusedThenLive:
            return twoAddresses("ipv4", ServerFault::None, ServerFault::Refused);
    }
    return std::nullopt;
}

AddressList FaultStage::Lookup(const std::string& host, std::uint16_t port) {
    const bool ipv6First = host == "ipv6-first.reliability.test";
    if (!ipv6First && host != "ipv4-first.reliability.test") return SystemNameLookup(host, port);
    AddressList addresses = *NumericHostAddress("::1", port);
    const AddressList v4 = *NumericHostAddress("127.0.0.1", port);
    addresses.insert(ipv6First ? addresses.end() : addresses.begin(), v4.begin(), v4.end());
    return addresses;
}

}  // namespace vedodud::reliability
