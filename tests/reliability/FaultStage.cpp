#include "FaultStage.h"

namespace vedodud::reliability {

FaultStage::FaultStage() {
    if (InPrivateNetwork()) resolver_ = std::make_unique<LoopbackResolver>();
}

std::optional<std::string> FaultStage::Stage(Fault fault) {
    const auto port = [&] { return std::to_string(v4_.port()); };
    const bool lookups = resolver_ && resolver_->valid();
    switch (fault) {
        case Fault::Up:
            if (!v4_.Switch(ServerFault::None)) return std::nullopt;
            return v4_.Url();
        case Fault::Ipv6Up:
            if (!v6_.valid()) return std::nullopt;
            return v6_.Url();
        case Fault::Refused:
            if (!v4_.Switch(ServerFault::Refused)) return std::nullopt;
            return v4_.Url();
        case Fault::Blackhole:
            if (!v4_.Switch(ServerFault::Blackhole)) return std::nullopt;
            return v4_.Url();
        case Fault::Reset:
            if (!v4_.Switch(ServerFault::Reset)) return std::nullopt;
            return v4_.Url();
        case Fault::Silent:
            if (!v4_.Switch(ServerFault::Silent)) return std::nullopt;
            return v4_.Url();
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
