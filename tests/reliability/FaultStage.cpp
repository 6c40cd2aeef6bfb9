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
    }
    return std::nullopt;
}

}  // namespace vedodud::reliability
