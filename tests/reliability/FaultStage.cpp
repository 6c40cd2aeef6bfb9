#include "FaultStage.h"

#include "platform/tcpprobe/HostLookup.h"

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
    // Two servers on one port behind one name, which the resolver must list ::1 first, as it does.
    const auto twoAddresses = [&](ServerFault v6, ServerFault v4) -> std::optional<std::string> {
        const AddressList found = lookups ? SystemNameLookup(kTwoAddressName, 80) : AddressList{};
        if (found.size() != 2 || found[0].storage.ss_family != AF_INET6 || v6_.port() != v4_.port() ||
            !v6_.Switch(v6) || !v4_.Switch(v4))
            return std::nullopt;
        return "http://" + std::string(kTwoAddressName) + ":" + port() + "/";
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
            return twoAddresses(ServerFault::Blackhole, ServerFault::None);
        case Fault::LiveIpv6DeadIpv4:
            return twoAddresses(ServerFault::None, ServerFault::Blackhole);
        case Fault::BothDead:
            return twoAddresses(ServerFault::Blackhole, ServerFault::Blackhole);
        case Fault::RefusedThenLive:
            return twoAddresses(ServerFault::Refused, ServerFault::None);
    }
    return std::nullopt;
}

std::string FaultStage::WhyNotStaged(Fault fault) const {
    const bool named = fault == Fault::NamedUp || fault == Fault::NoSuchName ||
                       fault == Fault::ResolverSilent || fault == Fault::DeadIpv6LiveIpv4 ||
                       fault == Fault::LiveIpv6DeadIpv4 || fault == Fault::BothDead ||
                       fault == Fault::RefusedThenLive;
    if (named && !InPrivateNetwork()) return NoPrivateNetwork();
    if (named && !(resolver_ && resolver_->valid()))
        return "the loopback resolver cannot listen on 127.0.0.1:53";
    if (fault != Fault::Ipv6Up && !named) return "the loopback server cannot play this fault";
    if (!v6_.valid()) return "no IPv6 loopback (::1) on this machine";
    return "the name does not lead to ::1 then 127.0.0.1 on one port";
}

}  // namespace vedodud::reliability
