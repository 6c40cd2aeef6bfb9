// The real WinINet probe against loopback targets this test starts itself.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

// clang-format off
#include "platform/win32/Win32Internet.h"
// After the backend, whose boundary headers must come before any Windows header.
#include "LoopbackServer.h"
// clang-format on

namespace vedodud::win32 {
namespace {

struct Verdict {
    Long result;
    double seconds;
};

// A check budget short enough for tests that wait it out.
constexpr std::chrono::milliseconds kTestBudget{2000};

Verdict Probe(Win32Internet& internet, const std::string& url) {
    const auto start = std::chrono::steady_clock::now();
    const Long result = internet.InternetCheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::printf("[ probe    ] %-40s -> %ld in %.3f s\n", url.c_str(), static_cast<long>(result),
                took.count());
    return {result, took.count()};
}

Verdict Probe(const std::string& url) {
    Win32Internet internet;
    return Probe(internet, url);
}

// The server accepts on its own thread; give it a moment to count a connection.
int AcceptedSoon(const test::AcceptingServer& server) {
    for (int wait = 0; wait < 40 && server.Accepted() == 0; ++wait) Sleep(50);
    return server.Accepted();
}

std::string Url(const char* scheme, int port) {
    return std::string(scheme) + "://127.0.0.1:" + std::to_string(port) + "/";
}

TEST(WinInetProbe, ListeningServerIsReachable) {
    test::AcceptingServer server;
    const Verdict verdict = Probe(Url("http", server.Port()));
    EXPECT_NE(verdict.result, 0);
    EXPECT_GE(AcceptedSoon(server), 1) << "a forced check must really connect";
}

TEST(WinInetProbe, RefusedPortIsUnreachable) {
    const Verdict verdict = Probe(Url("http", test::ClosedPort()));
    EXPECT_EQ(verdict.result, 0);
    EXPECT_LT(verdict.seconds, 30.0);
}

// WinINet under Wine waits minutes for a host that drops connection attempts (the system's own
// connect timeout); the check gives up at its budget and leaves the attempt to finish alone.
TEST(WinInetProbe, FullBacklogIsUnreachableWithinTheBudget) {
    test::FullBacklogServer server;
    Win32Internet internet(kTestBudget);
    const Verdict verdict = Probe(internet, Url("http", server.Port()));
    EXPECT_EQ(verdict.result, 0);
    EXPECT_LT(verdict.seconds, 10.0);
    EXPECT_EQ(internet.PendingChecks(), 1) << "the abandoned check still runs";
}

// Checks given up on count against a limit; at the limit a check answers 0 without probing, so a
// dead network cannot pile up threads. A finished check leaves nothing behind.
TEST(WinInetProbe, AbandonedChecksAreLimited) {
    test::FullBacklogServer blackhole;
    test::AcceptingServer listener;
    Win32Internet internet(kTestBudget);
    const struct Step {
        const char* what;
        int port;
        bool reachable;
        int pendingAfter;
    } steps[] = {
        {"reachable, finished in time", listener.Port(), true, 0},
        {"first blackhole, abandoned", blackhole.Port(), false, 1},
        {"second blackhole, abandoned", blackhole.Port(), false, 2},
        {"reachable, but the limit is reached", listener.Port(), false, 2},
    };
    for (const Step& step : steps) {
        const int acceptedBefore = listener.Accepted();
        const Verdict verdict = Probe(internet, Url("http", step.port));
        EXPECT_EQ(verdict.result != 0, step.reachable) << step.what;
        EXPECT_LT(verdict.seconds, 10.0) << step.what;
        EXPECT_EQ(internet.PendingChecks(), step.pendingAfter) << step.what;
        if (step.port == listener.Port() && !step.reachable) {
            Sleep(200);
            EXPECT_EQ(listener.Accepted(), acceptedBefore) << step.what << ": the check must not connect";
        }
    }
}

TEST(WinInetProbe, HttpsUrlToPlainListenerChecksOnlyTheConnection) {
    test::AcceptingServer server;
    const Verdict verdict = Probe(Url("https", server.Port()));
    // The forced check opens a TCP connection to the host and port; it does no TLS handshake.
    EXPECT_NE(verdict.result, 0);
    EXPECT_GE(AcceptedSoon(server), 1);
}

TEST(WinInetProbe, MalformedOrEmptyUrlsAreUnreachable) {
    test::AcceptingServer server;
    for (const std::string& url :
         {std::string(), std::string("not a url"),
          "http://127.0.0.1:" + std::to_string(server.Port()) + std::string("\0x", 2)}) {
        EXPECT_EQ(Probe(url).result, 0) << '"' << url << '"';
    }
    Sleep(200);
    EXPECT_EQ(server.Accepted(), 0) << "a URL with a NUL must not be probed up to its NUL";
}

}  // namespace
}  // namespace vedodud::win32
