// WinINet's verdict time (through the program's Win32Internet, with its budget) beside a raw
// loopback connect() done by this program, under Wine. Talks only to loopback servers it starts.
// usage: wininet_bench [fast runs] [slow runs]
// Prints the table rows, then "summary <name> <value>" lines for the script that writes the report.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

// clang-format off
#include "platform/win32/Win32Internet.h"
// After the backend, whose boundary headers must come before any Windows header.
#include "LoopbackServer.h"
#include "Stats.h"
// clang-format on

namespace vedodud::bench {
namespace {

using win32::test::AcceptingServer;
using win32::test::ClosedPort;
using win32::test::FullBacklogServer;

const auto kBudget = kProbeBudget;

// One non-blocking connect to 127.0.0.1, bounded by the check's budget, closed at once.
bool RawConnect(int port) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    u_long nonBlocking = 1;
    ioctlsocket(s, FIONBIO, &nonBlocking);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(port));
    bool connected = connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    if (!connected && WSAGetLastError() == WSAEWOULDBLOCK) {
        fd_set writable, failed;
        FD_ZERO(&writable);
        FD_ZERO(&failed);
        FD_SET(s, &writable);
        FD_SET(s, &failed);
        const long ms = static_cast<long>(kBudget.count());
        timeval wait{ms / 1000, (ms % 1000) * 1000};
        connected = select(0, nullptr, &writable, &failed, &wait) > 0 && FD_ISSET(s, &writable);
    }
    closesocket(s);
    return connected;
}

std::string Url(int port) {
    return "http://127.0.0.1:" + std::to_string(port) + "/";
}

struct Case {
    const char* name;
    const char* key;
    int port;         // where the raw connect goes
    std::string url;  // what the check is given
    int runs;
    bool fresh;  // a new Win32Internet per run: a check given up on stays pending
};

void Measure(const Case& c) {
    Stats raw, checked;
    int rawConnected = 0, reachable = 0;
    win32::Win32Internet shared;
    for (int i = 0; i < c.runs; ++i) {
        auto start = Clock::now();
        rawConnected += RawConnect(c.port);
        raw.Add(Clock::now() - start);
        win32::Win32Internet own;
        win32::Win32Internet& internet = c.fresh ? own : shared;
        start = Clock::now();
        reachable += internet.InternetCheckConnectionA(c.url, FLAG_ICC_FORCE_CONNECTION, 0) != 0;
        checked.Add(Clock::now() - start);
    }
    std::printf("| %s | %d | %s | %s | %.2f | %+.3f ms | %d / %d |\n", c.name, c.runs, raw.Row().c_str(),
                checked.Row().c_str(), checked.Median() / raw.Median(), checked.Median() - raw.Median(),
                reachable, rawConnected);
    std::printf("summary %s_difference_ms %.3f\n", c.key, checked.Median() - raw.Median());
    std::printf("summary %s_longest_ms %.3f\n", c.key, checked.Max());
    std::fflush(stdout);
}

}  // namespace
}  // namespace vedodud::bench

int main(int argc, char** argv) {
    using namespace vedodud::bench;
    const int fast = argc > 1 ? std::atoi(argv[1]) : 100;
    const int slow = argc > 2 ? std::atoi(argv[2]) : 3;
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) return 1;
    std::printf("summary budget_ms %lld\n", static_cast<long long>(kBudget.count()));
    {
        AcceptingServer listener;
        Measure({"reachable (listener)", "reachable", listener.Port(), Url(listener.Port()), fast, false});
        Measure({"hostless input (`notaurl`)", "hostless", listener.Port(), "notaurl", fast, false});
    }
    const int closed = ClosedPort();
    Measure({"refused (closed port)", "refused", closed, Url(closed), fast, false});
    {
        FullBacklogServer blackhole;
        Measure(
            {"blackhole (full backlog)", "blackhole", blackhole.Port(), Url(blackhole.Port()), slow, true});
    }
    std::fflush(stdout);
    // Checks given up on may still sit in WinINet; they must not hold the exit.
    ExitProcess(0);
}
