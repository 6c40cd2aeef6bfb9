// The faults a probe can meet, each staged on loopback servers (and, inside the private network,
// a loopback resolver), with what the probe should answer.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "FaultServer.h"
#include "PrivateNetwork.h"

namespace vedodud::reliability {

enum class Fault {
    Up,                // listener on 127.0.0.1
    Ipv6Up,            // listener on ::1, named by a bracketed literal
    NamedUp,           // listener reached through a name from the hosts file
    Refused,           // closed port
    Blackhole,         // full accept queue
    Reset,             // accepts, then resets
    Silent,            // accepts and never speaks
    NoSuchName,        // the resolver answers that the name does not exist
    ResolverSilent,    // the resolver never answers
    DeadIpv6LiveIpv4,  // a name for ::1 with a full accept queue, then 127.0.0.1 listening
    LiveIpv6DeadIpv4,  // a name for ::1 listening, then 127.0.0.1 with a full accept queue
    BothDead,          // a name for ::1, then 127.0.0.1, both with a full accept queue
    RefusedThenLive,   // a name for ::1 closed, then 127.0.0.1 listening
};

struct FaultCase {
    Fault fault;
    const char* name;
    bool reachable;
    int connects;  // connection attempts one probe makes
    friend void PrintTo(const FaultCase& c, std::ostream* out) { *out << c.name; }
};

class FaultStage {
public:
    FaultStage();

    // Puts the fault in place and returns the URL that meets it; empty when it cannot be staged here
    // (no IPv6 loopback, or no private network for name lookups).
    std::optional<std::string> Stage(Fault fault);
    // Why Stage(fault) gave nothing, in one line.
    std::string WhyNotStaged(Fault fault) const;

    FaultServer& v4() { return v4_; }
    LoopbackResolver* resolver() { return resolver_.get(); }

private:
    FaultServer v4_{ServerFault::None};
    FaultServer v6_{ServerFault::None, AF_INET6, v4_.port()};
    std::unique_ptr<LoopbackResolver> resolver_;
};

}  // namespace vedodud::reliability
