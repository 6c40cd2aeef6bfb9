// The probe against loopback servers the tests start: what counts as reachable, what never gets a
// connection attempt, and that a hanging name lookup cannot hold the caller past the budget.
#include <gtest/gtest.h>
#include <netinet/in.h>

#include <ostream>
#include <thread>
#include <utility>

#include "LoopbackServer.h"
#include "ScriptedLookup.h"
#include "platform/iconv/IconvCodePage.h"
#include "platform/tcpprobe/TcpProbe.h"

namespace vedodud {
namespace {

using namespace std::chrono_literals;
using test::LoopbackPort;
using test::ScriptedLookup;

IconvCodePage utf8{"UTF-8"};

std::string WithPort(std::string url, std::uint16_t port) {
    if (const auto at = url.find("{port}"); at != std::string::npos) {
        url.replace(at, 6, std::to_string(port));
    }
    return url;
}

struct Verdict {
    Long answer;
    std::chrono::steady_clock::duration took;
};

Verdict Probe(TcpProbe& probe, const std::string& url, Long flags = FLAG_ICC_FORCE_CONNECTION) {
    const auto start = std::chrono::steady_clock::now();
    const Long answer = probe.InternetCheckConnectionA(url, flags, 0);
    return {answer, std::chrono::steady_clock::now() - start};
}

struct ReachableCase {
    const char* name;
    int family;
    const char* url;
    friend void PrintTo(const ReachableCase& reachable, std::ostream* out) { *out << reachable.name; }
};

class ReachableTest : public testing::TestWithParam<ReachableCase> {};

TEST_P(ReachableTest, ConnectsOnceAndSendsNothing) {
    LoopbackPort listener(GetParam().family, true);
    if (!listener.valid()) GTEST_SKIP() << "no loopback for this address family here";
    TcpProbe probe(utf8);

    const Verdict verdict = Probe(probe, WithPort(GetParam().url, listener.port()));

    EXPECT_EQ(verdict.answer, 1);
    EXPECT_LT(verdict.took, 2500ms) << "waited for something after the connection was made";
    const auto traffic = listener.Drain(2s);
    EXPECT_EQ(traffic.connections, 1);
    EXPECT_EQ(traffic.bytesReceived, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Listeners, ReachableTest,
    testing::Values(ReachableCase{"Http", AF_INET, "http://127.0.0.1:{port}/"},
                    ReachableCase{"HttpsToPlainTcp", AF_INET, "https://127.0.0.1:{port}/"},
                    ReachableCase{"FtpToSilentServer", AF_INET, "ftp://127.0.0.1:{port}/pub/"},
                    ReachableCase{"UserInfo", AF_INET, "http://user:pw@127.0.0.1:{port}/"},
                    ReachableCase{"Localhost", AF_INET, "http://localhost:{port}/"},
                    ReachableCase{"OtherSchemeWithPort", AF_INET, "telnet://127.0.0.1:{port}"},
                    ReachableCase{"Ipv6Literal", AF_INET6, "http://[::1]:{port}/"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(UnreachableTest, RefusedPortAnswersAtOnce) {
    LoopbackPort closed(AF_INET, false);
    ASSERT_TRUE(closed.valid());
    TcpProbe probe(utf8);

    const Verdict verdict = Probe(probe, WithPort("http://127.0.0.1:{port}/", closed.port()));

    EXPECT_EQ(verdict.answer, 0);
    EXPECT_LT(verdict.took, 2500ms) << "a refusal should not wait for the budget";
}

TEST(UnreachableTest, DroppedSynAnswersWithinBudget) {
    LoopbackPort listener(AF_INET, true, 0);
    ASSERT_TRUE(listener.valid());
    ASSERT_TRUE(listener.FillAcceptQueue());
    TcpProbe probe(utf8, 1s);

    const Verdict verdict = Probe(probe, WithPort("http://127.0.0.1:{port}/", listener.port()));

    EXPECT_EQ(verdict.answer, 0);
    EXPECT_LT(verdict.took, 4s);
}

TEST(UnreachableTest, WithoutForceFlagNothingIsTried) {
    LoopbackPort listener(AF_INET, true);
    ASSERT_TRUE(listener.valid());
    ScriptedLookup lookup;
    TcpProbe probe(utf8, kProbeBudget, lookup.AnsweringWith(listener.port()));

    EXPECT_EQ(Probe(probe, WithPort("http://localhost:{port}/", listener.port()), 0).answer, 0);
    EXPECT_EQ(lookup.calls(), 0);
    EXPECT_EQ(listener.Drain(200ms).connections, 0);
}

struct RejectedCase {
    std::string name;
    std::string url;
    friend void PrintTo(const RejectedCase& rejected, std::ostream* out) { *out << rejected.name; }
};

std::vector<RejectedCase> RejectedInputs() {
    using namespace std::string_literals;
    return {
        {"Empty", ""},
        {"NotAUrl", "notaurl"},
        {"NoScheme", "example.com"},
        {"NoSchemeWithPort", "localhost:{port}"},
        {"File", "file:///etc/passwd"},
        {"FileOnLocalhost", "file://localhost/etc/passwd"},
        {"Mailto", "mailto:x@localhost"},
        {"MailtoWithSlashes", "mailto://x@localhost"},
        {"Javascript", "javascript:alert(1)"},
        {"Data", "data:text/plain,hi"},
        {"NulAfterUrl", "http://localhost:{port}/\0x"s},
        {"NulInHost", "http://local\0host:{port}/"s},
        {"TabInHost", "http://local\thost:{port}/"},
        {"ControlInPath", "http://localhost:{port}/\x01"},
        {"DeleteInPath", "http://localhost:{port}/\x7f"},
        {"MegabyteOfText", std::string(1 << 20, 'a')},
        {"MegabyteUrl", "http://localhost:{port}/" + std::string(1 << 20, 'a')},
        {"OverlongHost", "http://" + std::string(300, 'a') + ":{port}/"},
        {"PortZero", "http://localhost:0/"},
        {"Port65536", "http://localhost:65536/"},
        {"Port99999", "http://localhost:99999/"},
        {"SchemeWithoutDefaultPort", "gopher://localhost/"},
        {"UnknownSchemeWithoutPort", "foo://localhost/"},
        // A bracketed host is an address literal; one that does not parse is no name to look up.
        {"ZoneOfNoInterface", "http://[fe80::1%25nosuchif0]:{port}/"},
        {"ZoneNotAscii", "http://[fe80::1%25eth0\xfd]:{port}/"},
    };
}

class RejectedInputTest : public testing::TestWithParam<RejectedCase> {};

TEST_P(RejectedInputTest, AnswersZeroWithoutLookupOrConnection) {
    LoopbackPort listener(AF_INET, true);
    ASSERT_TRUE(listener.valid());
    ScriptedLookup lookup;
    TcpProbe probe(utf8, kProbeBudget, lookup.AnsweringWith(listener.port()));

    const Verdict verdict = Probe(probe, WithPort(GetParam().url, listener.port()));

    EXPECT_EQ(verdict.answer, 0);
    EXPECT_EQ(lookup.calls(), 0);
    EXPECT_EQ(listener.Drain(200ms).connections, 0);
    EXPECT_LT(verdict.took, 2500ms);
}

INSTANTIATE_TEST_SUITE_P(Inputs, RejectedInputTest, testing::ValuesIn(RejectedInputs()),
                         [](const auto& info) { return info.param.name; });

TEST(NameLookupTest, GetsPunycodeNameAndUrlPort) {
    LoopbackPort listener(AF_INET, true);
    ASSERT_TRUE(listener.valid());
    ScriptedLookup lookup;
    TcpProbe probe(utf8, kProbeBudget, lookup.AnsweringWith(listener.port()));

    const std::string url = WithPort(
        "http://b\xc3\xbc"
        "cher.example:{port}/",
        listener.port());

    EXPECT_EQ(Probe(probe, url).answer, 1);
    EXPECT_EQ(lookup.lastAsked(), std::make_pair(std::string("xn--bcher-kva.example"), listener.port()));
    EXPECT_EQ(listener.Drain(2s).connections, 1);
}

TEST(NameLookupTest, HangingLookupIsAbandonedAtBudgetAndCannotPileUp) {
    LoopbackPort listener(AF_INET, true);
    ASSERT_TRUE(listener.valid());
    ScriptedLookup lookup(/*held=*/true);
    TcpProbe probe(utf8, 300ms, lookup.AnsweringWith(listener.port()));
    const std::string url = WithPort("http://hanging.example:{port}/", listener.port());

    for (int i = 0; i < kMaxPendingLookups; ++i) {
        const Verdict verdict = Probe(probe, url);
        EXPECT_EQ(verdict.answer, 0);
        EXPECT_LT(verdict.took, 3s);
    }
    EXPECT_EQ(Probe(probe, url).answer, 0);
    EXPECT_EQ(lookup.calls(), kMaxPendingLookups) << "a lookup started past the limit";
    EXPECT_EQ(probe.PendingProbes(), kMaxPendingLookups);

    lookup.Release();
    for (int i = 0; i < 500 && probe.PendingProbes() > 0; ++i) std::this_thread::sleep_for(10ms);
    ASSERT_EQ(probe.PendingProbes(), 0);

    EXPECT_EQ(Probe(probe, url).answer, 1);
    // The given-up lookups' late answers were never used to connect.
    EXPECT_EQ(listener.Drain(2s).connections, 1);
}

}  // namespace
}  // namespace vedodud
