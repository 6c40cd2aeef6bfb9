// A long run: thousands of ticks of the real probe against a server that goes up and down every
// tick, with the window shown from the tray and minimised back now and then. Nothing may leak:
// memory (LeakSanitizer in the sanitizer build), descriptors, or resident size.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ConnectLog.h"
#include "FaultServer.h"
#include "PollRig.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// A small quarantine, so that freed memory held back by the sanitizer does not pass for growth.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=8";
}
#endif

namespace vedodud::reliability {
namespace {

using namespace std::chrono_literals;

constexpr int kWarmUpTicks = 200;
constexpr int kSoakTicks = 5000;
constexpr int kTicksPerWindowCycle = 25;
// Generous: the scripted platform keeps a record of every message box and tray call it saw.
constexpr long kMaxResidentGrowthKb = 32 * 1024;

std::size_t OpenDescriptors() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

long ResidentKb() {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

TEST(Soak, FlappingServerWithWindowCyclesLeavesNothingBehind) {
    FaultServer server(ServerFault::None);
    ASSERT_TRUE(server.valid());
    PollRig rig(1000ms);
    const std::string url = server.Url();
    rig.screen().Type(WString(url.begin(), url.end()));
    rig.screen().SetCheck(1);
    const auto tick = [&](int n) {
        const bool up = n % 2 == 0;
        if (!server.Switch(up ? ServerFault::None : ServerFault::Refused)) return false;
        rig.Tick();
        return rig.Loaded() && rig.screen().Light() == (up ? STATUS_ONLINE_COLOR : STATUS_OFFLINE_COLOR);
    };
    for (int n = 0; n < kWarmUpTicks; ++n) ASSERT_TRUE(tick(n)) << "warm-up tick " << n;
    const std::size_t descriptorsBefore = OpenDescriptors();
    const long residentBefore = ResidentKb();
    const std::size_t boxesBefore = rig.forms().messageBoxes.size();
    const auto start = std::chrono::steady_clock::now();

    ConnectRecording connects;
    int wrongLights = 0;
    int windowCycles = 0;
    for (int n = 0; n < kSoakTicks; ++n) {
        if (!tick(n)) ++wrongLights;
        ASSERT_TRUE(rig.Loaded()) << "the form went away at tick " << n;
        if (n % kTicksPerWindowCycle == 0) {
            // Show from the tray, then minimise back; every fourth time close the menu without a choice.
            const bool choose = (n / kTicksPerWindowCycle) % 4 != 3;
            rig.forms().menuChoices.push_back(choose ? std::optional(MenuId::mnuTrayDoStuff) : std::nullopt);
            rig.real().shell.RightClick(rig.hWnd());
            ASSERT_EQ(rig.screen().IsVisible(), choose);
            ASSERT_EQ(rig.real().shell.Icon(rig.hWnd()) == nullptr, choose);
            rig.screen().ClickMinimize();
            ASSERT_FALSE(rig.screen().IsVisible());
            ASSERT_NE(rig.real().shell.Icon(rig.hWnd()), nullptr);
            ++windowCycles;
        }
    }
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_EQ(wrongLights, 0);
    EXPECT_EQ(connects.Count(), static_cast<std::size_t>(kSoakTicks)) << "one connection attempt per tick";
    EXPECT_EQ(rig.forms().messageBoxes.size() - boxesBefore, static_cast<std::size_t>(kSoakTicks / 2));
    EXPECT_EQ(rig.forms().mostMessageBoxesOpen, 1);
    EXPECT_EQ(windowCycles, kSoakTicks / kTicksPerWindowCycle);
    EXPECT_TRUE(rig.real().forms.fatalErrors.empty());
    EXPECT_EQ(OpenDescriptors(), descriptorsBefore);
    EXPECT_LT(ResidentKb() - residentBefore, kMaxResidentGrowthKb)
        << "resident size went from " << residentBefore << " kB to " << ResidentKb() << " kB";
    EXPECT_LT(took, 150s);
#if defined(__SANITIZE_ADDRESS__)
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "LeakSanitizer found leaks (see above)";
#endif
    std::cout << "soak: " << kSoakTicks << " ticks in "
              << std::chrono::duration_cast<std::chrono::milliseconds>(took).count() << " ms, resident "
              << residentBefore << " -> " << ResidentKb() << " kB\n";
}

}  // namespace
}  // namespace vedodud::reliability
