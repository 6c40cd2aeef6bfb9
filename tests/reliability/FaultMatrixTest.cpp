// The probe and the whole poll against every way a site can fail: the verdict comes inside the
// budget, the light and the alert follow the transition table, and no alert box ever stacks.
#include <gtest/gtest.h>

#include "ConnectLog.h"
#include "FaultStage.h"
#include "PollRig.h"

namespace vedodud::reliability {
namespace {

using namespace std::chrono_literals;

constexpr auto kBudget = 1000ms;
// Generous: the verdict must come with the budget, not with some system time-out much later.
constexpr auto kVerdictBound = kBudget + 1500ms;

const FaultCase kFaults[] = {
    {Fault::Up, "Up", true, 1},
    {Fault::Ipv6Up, "Ipv6Up", true, 1},
    {Fault::NamedUp, "NamedUp", true, 1},
    {Fault::Refused, "Refused", false, 1},
    {Fault::Blackhole, "Blackhole", false, 1},
    {Fault::Reset, "AcceptsThenResets", true, 1},
    {Fault::Silent, "AcceptsNeverSpeaks", true, 1},
    {Fault::NoSuchName, "NoSuchName", false, 0},
    {Fault::ResolverSilent, "ResolverNeverAnswers", false, 0},
    {Fault::DeadIpv6LiveIpv4, "DeadIpv6LiveIpv4", true, 2},
    {Fault::LiveIpv6DeadIpv4, "LiveIpv6DeadIpv4", true, 1},
    {Fault::BothDead, "BothAddressesDead", false, 2},
    {Fault::RefusedThenLive, "RefusedThenLive", true, 2},
};

bool OnlyLoopbackAt(const std::vector<ConnectAttempt>& attempts, std::uint16_t port) {
    for (const ConnectAttempt& attempt : attempts) {
        if ((attempt.address != "127.0.0.1" && attempt.address != "::1") || attempt.port != port)
            return false;
    }
    return true;
}

std::uint16_t PortOf(const std::string& url) {
    return static_cast<std::uint16_t>(std::stoi(url.substr(url.rfind(':') + 1)));
}

class ProbeFaults : public testing::TestWithParam<FaultCase> {};

TEST_P(ProbeFaults, AnswersWithinBudgetWithOneAttempt) {
    const FaultCase& c = GetParam();
    FaultStage stage;
    const auto url = stage.Stage(c.fault);
    if (!url) GTEST_SKIP() << stage.WhyNotStaged(c.fault);
    scripted::ScriptedCodePage codePage;
    TcpProbe probe(codePage, kBudget);
    // A reset races the probe's look at the socket; repeat to give the race a chance to show.
    const int repeats = c.fault == Fault::Reset ? 50 : 2;

    for (int i = 0; i < repeats; ++i) {
        ConnectRecording connects;
        const auto start = std::chrono::steady_clock::now();
        const Long answer = probe.InternetCheckConnectionA(*url, FLAG_ICC_FORCE_CONNECTION, 0);
        const auto took = std::chrono::steady_clock::now() - start;

        EXPECT_EQ(answer, c.reachable ? 1 : 0) << "probe " << i;
        EXPECT_LT(took, kVerdictBound) << "probe " << i;
        EXPECT_EQ(connects.Count(), static_cast<std::size_t>(c.connects)) << "probe " << i;
        EXPECT_TRUE(OnlyLoopbackAt(connects.Attempts(), PortOf(*url)));
        if (HasFailure()) break;
    }
    if (stage.resolver() && (c.fault == Fault::NoSuchName || c.fault == Fault::ResolverSilent)) {
        EXPECT_GT(stage.resolver()->Queries(), 0) << "the lookup never reached the loopback resolver";
    }
    EXPECT_TRUE(ProbesSettle(probe));
}

INSTANTIATE_TEST_SUITE_P(Matrix, ProbeFaults, testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

class PollFaults : public testing::TestWithParam<FaultCase> {};

// Up, then two ticks of the fault with the alert enabled, then up again. While the alert box is
// open, further periods pass: their ticks must not probe nor open a second box.
TEST_P(PollFaults, LightAndAlertFollowTheTable) {
    const FaultCase& c = GetParam();
    FaultStage stage;
    const auto up = stage.Stage(Fault::Up);
    ASSERT_TRUE(up);
    PollRig rig(kBudget);
    rig.screen().SetCheck(1);
    std::size_t probesWhileBoxOpen = 0;
    std::optional<ConnectRecording> connects;
    rig.forms().whileMessageBoxOpen = [&](const scripted::MessageBoxRecord&) {
        const std::size_t before = connects->Count();
        rig.forms().Advance(3 * kTickMs);
        probesWhileBoxOpen += connects->Count() - before;
    };
    rig.screen().Type(WString(up->begin(), up->end()));
    connects.emplace();
    EXPECT_LT(rig.Tick(), kVerdictBound);
    ASSERT_EQ(rig.screen().Light(), STATUS_ONLINE_COLOR);

    const auto faulty = stage.Stage(c.fault);
    if (!faulty) GTEST_SKIP() << stage.WhyNotStaged(c.fault);
    rig.screen().Type(WString(faulty->begin(), faulty->end()));
    connects.emplace();
    const Colour expected = c.reachable ? STATUS_ONLINE_COLOR : STATUS_OFFLINE_COLOR;
    for (int tick = 0; tick < 2; ++tick) {
        EXPECT_LT(rig.Tick(), kVerdictBound + 100ms) << "tick " << tick;
        EXPECT_EQ(rig.screen().Light(), expected) << "tick " << tick;
        EXPECT_EQ(rig.forms().messageBoxes.size(), c.reachable ? 0u : 1u) << "tick " << tick;
    }
    EXPECT_EQ(connects->Count(), 2u * c.connects);
    EXPECT_TRUE(OnlyLoopbackAt(connects->Attempts(), PortOf(*faulty)));

    ASSERT_TRUE(stage.Stage(Fault::Up));
    rig.screen().Type(WString(up->begin(), up->end()));
    rig.Tick();
    EXPECT_EQ(rig.screen().Light(), STATUS_ONLINE_COLOR);
    EXPECT_EQ(probesWhileBoxOpen, 0u);
    EXPECT_LE(rig.forms().mostMessageBoxesOpen, 1);
    EXPECT_TRUE(ProbesSettle(rig.real().internet));
}

INSTANTIATE_TEST_SUITE_P(Matrix, PollFaults, testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// Up and down on alternate ticks: one alert per drop, each dismissed before the next tick.
TEST(FlappingServer, OneAlertPerDropAndLightFollowsEveryTick) {
    FaultServer server(ServerFault::None);
    ASSERT_TRUE(server.valid());
    PollRig rig(kBudget);
    const std::string url = server.Url();
    rig.screen().Type(WString(url.begin(), url.end()));
    rig.screen().SetCheck(1);
    constexpr int kTicks = 20;

    for (int tick = 0; tick < kTicks; ++tick) {
        const bool up = tick % 2 == 0;
        ASSERT_TRUE(server.Switch(up ? ServerFault::None : ServerFault::Refused));
        EXPECT_LT(rig.Tick(), kVerdictBound);
        EXPECT_EQ(rig.screen().Light(), up ? STATUS_ONLINE_COLOR : STATUS_OFFLINE_COLOR) << "tick " << tick;
    }
    EXPECT_EQ(rig.forms().messageBoxes.size(), static_cast<std::size_t>(kTicks / 2));
    EXPECT_EQ(rig.forms().mostMessageBoxesOpen, 1);
}

}  // namespace
}  // namespace vedodud::reliability
