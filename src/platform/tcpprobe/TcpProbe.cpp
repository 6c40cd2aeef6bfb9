#include "platform/tcpprobe/TcpProbe.h"

#include <QString>
#include <algorithm>

#include "platform/tcpprobe/ProbeTarget.h"
#include "platform/tcpprobe/TcpConnect.h"

namespace vedodud {

namespace {

// The parser reads UTF-8; the program writes the URL in its code page.
std::string ToUtf8(CodePage& codePage, const std::string& narrow) {
    return QString::fromStdU16String(codePage.FromAnsi(narrow)).toStdString();
}

}  // namespace

TcpProbe::TcpProbe(CodePage& codePage, std::chrono::milliseconds budget, NameLookup lookup, WorkerWait wait)
    : codePage_(codePage),
      budget_(std::clamp(budget, std::chrono::milliseconds::zero(), kProbeBudget)),
      lookup_(std::move(lookup)),
      wait_(std::move(wait)) {}

Long TcpProbe::InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long /*dwReserved*/) {
    if ((dwFlags & FLAG_ICC_FORCE_CONNECTION) == 0) {
        return 0;
    }
    const auto deadline = WorkerClock::now() + budget_;
    const auto target = ParseProbeTarget(ToUtf8(codePage_, lpszUrl));
    if (!target) {
        return 0;
    }
    auto literal = NumericHostAddress(target->host, target->port);
    // A host with a colon came in brackets: an IPv6 literal. If it is no valid address (say, its
    // zone names no interface here), it is no name for the resolver either.
    if (!literal && target->host.find(':') != std::string::npos) {
        return 0;
    }
    // The worker owns copies of all it uses: once given up on, it needs nothing of this object.
    BoundedWorker& worker = literal ? addresses_ : namedHosts_;
    const auto answer =
        worker.Start([lookup = lookup_, target = *target, literal = std::move(literal), deadline] {
            AddressList addresses;
            if (literal) {
                addresses = *literal;
            } else {
                try {
                    addresses = lookup(target.host, target.port);
                } catch (...) {
                    // A lookup that throws found nothing.
                }
            }
            return ConnectsBefore(addresses, deadline);
        });
    if (!answer || !wait_(*answer, deadline)) {
        return 0;
    }
    return answer->Take() ? 1 : 0;
}

}  // namespace vedodud
