// Probe verdict time beside a raw loopback connect(), and the longest a tick waits for its verdict.
// Runs inside a private network (loopback only) so that its name lookups cannot leave the machine.
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "FaultServer.h"
#include "PollRig.h"
#include "PrivateNetwork.h"
#include "Stats.h"

namespace vedodud::bench {
namespace {

using namespace std::chrono_literals;
using reliability::FaultServer;
using reliability::ServerFault;

constexpr int kFastRuns = 200;
constexpr int kSlowRuns = 3;
constexpr int kDualStackRuns = 20;

// What the benchmark compares against: one non-blocking connect to 127.0.0.1, bounded by the
// probe's budget, closed at once.
bool RawConnect(std::uint16_t port, std::chrono::milliseconds budget) {
    const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    bool connected = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (!connected && errno == EINPROGRESS) {
        pollfd watched{fd, POLLOUT, 0};
        int error = 0;
        socklen_t length = sizeof error;
        connected = poll(&watched, 1, static_cast<int>(budget.count())) == 1 &&
                    getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0;
    }
    close(fd);
    return connected;
}

struct VerdictCase {
    const char* name;
    ServerFault fault;
    bool hostless;
    int runs;
};

// Figures the targets are judged by, "name value" per line, for the script that writes the report.
std::FILE* summary = nullptr;

void Summarise(const char* name, double value) {
    if (summary) std::fprintf(summary, "%s %.3f\n", name, value);
}

// A name whose first address, ::1, drops every SYN and whose second, 127.0.0.1, listens: a broken
// IPv6 path to a dual-stack site. The probe's lookup answers both, IPv6 first, as getaddrinfo does.
void DeadIpv6LiveIpv4() {
    const char* name = "dead IPv6, then live IPv4";
    FaultServer live(ServerFault::None);
    FaultServer dead(ServerFault::Blackhole, AF_INET6);
    if (!live.valid() || !dead.valid()) {
        std::printf("| %s | - | could not stage | | | |\n", name);
        return;
    }
    AddressList addresses = *NumericHostAddress("::1", dead.port());
    const AddressList v4 = *NumericHostAddress("127.0.0.1", live.port());
    addresses.insert(addresses.end(), v4.begin(), v4.end());
    // The full budget, as in the rows above; the lookup needs no DNS.
    scripted::ScriptedCodePage codePage;
    TcpProbe probe(codePage, kProbeBudget,
                   [addresses](const std::string&, std::uint16_t) { return addresses; });
    Stats raw, probed;
    int reachable = 0;
    for (int i = 0; i < kDualStackRuns; ++i) {
        auto start = Clock::now();
        RawConnect(live.port(), kProbeBudget);
        raw.Add(Clock::now() - start);
        start = Clock::now();
        reachable +=
            probe.InternetCheckConnectionA("http://dual-stack.bench.test/", FLAG_ICC_FORCE_CONNECTION, 0);
        probed.Add(Clock::now() - start);
    }
    std::printf("| %s (reachable in %d of %d) | %d | %s | %s | %.2f | %+.3f ms |\n", name, reachable,
                kDualStackRuns, kDualStackRuns, raw.Row().c_str(), probed.Row().c_str(),
                probed.Median() / raw.Median(), probed.Median() - raw.Median());
    Summarise("dual_stack_difference_ms", probed.Median() - raw.Median());
    Summarise("dual_stack_reachable", reachable);
    std::fflush(stdout);
}

void ProbeVerdicts() {
    std::printf("## 1. Probe verdict time beside a raw loopback connect()\n\n");
    std::printf(
        "Budget %lld ms. Times in ms, min / median / max over the runs; both measured "
        "alternately in the same loop. Hostless input is compared with a raw connect to a "
        "listening port. The last row's name has two addresses, ::1 where every SYN is dropped, "
        "then 127.0.0.1 listening; its raw connect goes to the live one.\n\n",
        static_cast<long long>(kProbeBudget.count()));
    std::printf("| Case | Runs | Raw connect() | Probe | Median ratio | Median difference |\n");
    std::printf("|---|---|---|---|---|---|\n");
    const VerdictCase cases[] = {
        {"reachable (listener)", ServerFault::None, false, kFastRuns},
        {"refused (closed port)", ServerFault::Refused, false, kFastRuns},
        {"blackhole (full backlog)", ServerFault::Blackhole, false, kSlowRuns},
        {"hostless input (`notaurl`)", ServerFault::None, true, kFastRuns},
    };
    scripted::ScriptedCodePage codePage;
    TcpProbe probe(codePage);
    for (const VerdictCase& c : cases) {
        FaultServer server(c.fault);
        if (!server.valid()) {
            std::printf("| %s | - | could not stage | | | |\n", c.name);
            continue;
        }
        const std::string url = c.hostless ? "notaurl" : server.Url();
        Stats raw, probed;
        for (int i = 0; i < c.runs; ++i) {
            auto start = Clock::now();
            RawConnect(server.port(), kProbeBudget);
            raw.Add(Clock::now() - start);
            start = Clock::now();
            probe.InternetCheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0);
            probed.Add(Clock::now() - start);
        }
        std::printf("| %s | %d | %s | %s | %.2f | %+.3f ms |\n", c.name, c.runs, raw.Row().c_str(),
                    probed.Row().c_str(), probed.Median() / raw.Median(), probed.Median() - raw.Median());
        if (c.fault == ServerFault::None && !c.hostless) {
            Summarise("reachable_difference_ms", probed.Median() - raw.Median());
        }
        std::fflush(stdout);
    }
    DeadIpv6LiveIpv4();
    std::printf("\n");
}

// Each tick of Form1 on the scripted forms toolkit with the real probe, at its full budget.
Stats TickTimes(const std::string& url, int ticks) {
    reliability::PollRig rig(kProbeBudget);
    rig.screen().Type(WString(url.begin(), url.end()));
    Stats times;
    for (int i = 0; i < ticks; ++i) times.Add(rig.Tick());
    reliability::ProbesSettle(rig.real().internet, 60s);
    return times;
}

void UiBlock(bool privateNetwork) {
    std::printf("## 2. Longest wait for a verdict per tick\n\n");
    std::printf(
        "How long one `Timer1_Timer` waits for the probe's verdict (Form1 on the scripted forms "
        "toolkit, which blocks while it waits; real probe, budget %lld ms), ms, min / median / max "
        "over the ticks. The desktop programs handle their events during this wait (section 5).\n\n",
        static_cast<long long>(kProbeBudget.count()));
    std::printf("| Case | Ticks | Tick time | Longest tick |\n|---|---|---|---|\n");
    {
        FaultServer server(ServerFault::Blackhole);
        const Stats ticks = TickTimes(server.Url(), kSlowRuns);
        std::printf("| blackhole (full backlog) | %zu | %s | %.1f |\n", ticks.ms.size(), ticks.Row().c_str(),
                    ticks.Max());
        Summarise("blackhole_longest_tick_ms", ticks.Max());
        std::fflush(stdout);
    }
    if (!privateNetwork) {
        std::printf("| name lookup that never answers | - | not measured: no private network here | |\n");
    } else {
        reliability::LoopbackResolver resolver;
        resolver.SetMode(reliability::LoopbackResolver::Mode::Swallow);
        FaultServer server(ServerFault::None);
        const int ticks = kMaxPendingLookups + 2;
        const Stats times =
            TickTimes("http://unanswered.bench.test:" + std::to_string(server.port()) + "/", ticks);
        std::printf("| name lookup that never answers | %zu | %s | %.1f |\n", times.ms.size(),
                    times.Row().c_str(), times.Max());
        Summarise("lookup_longest_tick_ms", times.Max());
        std::printf(
            "\nThe resolver swallowed %d queries. After %d abandoned lookups are still pending, "
            "further names are refused at once, so later ticks are short.\n",
            resolver.Queries(), kMaxPendingLookups);
    }
    std::printf("\n");
}

}  // namespace
}  // namespace vedodud::bench

// usage: probe_bench [summary file]
int main(int argc, char** argv) {
    if (argc > 1) vedodud::bench::summary = std::fopen(argv[1], "w");
    vedodud::bench::Summarise("budget_ms", static_cast<double>(vedodud::kProbeBudget.count()));
    // The system resolver's own defaults (5 s per try, two tries), so the probe's budget is what ends
    // a lookup that never answers.
    const std::string why = vedodud::reliability::EnterPrivateNetwork("");
    if (!why.empty()) std::fprintf(stderr, "probe_bench: no private network (%s)\n", why.c_str());
    vedodud::bench::ProbeVerdicts();
    vedodud::bench::UiBlock(why.empty());
    if (vedodud::bench::summary) std::fclose(vedodud::bench::summary);
    return 0;
}
