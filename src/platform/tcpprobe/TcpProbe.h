// The reachability probe on Linux: Qt Core reads the URL, one plain TCP connect gives the answer.
#pragma once

#include <chrono>

#include "platform/CodePage.h"
#include "platform/Internet.h"
#include "platform/common/BoundedWorker.h"
#include "platform/tcpprobe/HostLookup.h"

namespace vedodud {

// Name lookups given up on that may still be running before further names are refused outright.
// An address typed as such needs no lookup and is not held up by them.
inline constexpr int kMaxPendingLookups = 2;

class TcpProbe final : public Internet {
public:
    // The URL is read in `codePage`, the platform's, in which the program wrote it. A budget above
    // kProbeBudget is cut to it. The lookup is replaceable so tests never need DNS. Lookup and
    // connect run on a worker thread; `wait` is how the calling thread spends the time until the
    // answer: blocked by default, handling its events in the desktop program.
    explicit TcpProbe(CodePage& codePage, std::chrono::milliseconds budget = kProbeBudget,
                      NameLookup lookup = SystemNameLookup, WorkerWait wait = BlockUntilAnswered);

    // 1 when a TCP connection to the URL's host and port can be made within the budget, else 0.
    // Without FLAG_ICC_FORCE_CONNECTION there is no cached knowledge to consult, so the answer is 0,
    // as Windows answers when it cannot tell. dwReserved is ignored.
    Long InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long dwReserved) override;

    // Probes started and not yet finished, including those given up on.
    int PendingProbes() const { return namedHosts_.Pending() + addresses_.Pending(); }

private:
    CodePage& codePage_;
    std::chrono::milliseconds budget_;
    NameLookup lookup_;
    WorkerWait wait_;
    // A connect ends by itself at the deadline; a lookup may hang, so names have their own limit.
    BoundedWorker namedHosts_{kMaxPendingLookups};
    BoundedWorker addresses_{kMaxPendingLookups};
};

}  // namespace vedodud
