// The status light and the offline alert, tick by tick.
#include "ProgramFixture.h"

namespace vedodud::scripted {
namespace {

constexpr Colour kGreen = STATUS_ONLINE_COLOR;
constexpr Colour kRed = STATUS_OFFLINE_COLOR;

struct TickCase {
    const char* name;
    Colour lightBefore;
    bool reachable;
    std::int16_t check;
    bool alert;
    Colour lightAfter;
};

class TransitionTable : public ProgramFixture, public ::testing::WithParamInterface<TickCase> {};

TEST_P(TransitionTable, OneTickFollowsTheTable) {
    const TickCase& c = GetParam();
    form_->SetShape1FillColor(c.lightBefore);
    screen()->SetCheck(c.check);
    platform_.internet.answers = {c.reachable};
    Colour lightWhileBoxOpen = 0;
    platform_.forms.whileMessageBoxOpen = [&](const MessageBoxRecord&) {
        lightWhileBoxOpen = screen()->Light();
    };

    Tick();

    ASSERT_EQ(platform_.internet.calls.size(), 1u);
    EXPECT_EQ(platform_.forms.messageBoxes.size(), c.alert ? 1u : 0u);
    EXPECT_EQ(screen()->Light(), c.lightAfter);
    if (c.alert) {
        EXPECT_EQ(lightWhileBoxOpen, kGreen) << "the light turns red only after the box is dismissed";
        const MessageBoxRecord& box = platform_.forms.messageBoxes[0];
        EXPECT_EQ(box.prompt, u"You're Website has gone offline!");
        EXPECT_EQ(box.buttons, 0);
        EXPECT_EQ(box.title, "Dezorav Ovozeri");
    }
}

INSTANTIATE_TEST_SUITE_P(Poll, TransitionTable,
                         ::testing::Values(TickCase{"GreenUp", kGreen, true, 1, false, kGreen},
                                           TickCase{"GreenDownTicked", kGreen, false, 1, true, kRed},
                                           TickCase{"GreenDownUnticked", kGreen, false, 0, false, kRed},
                                           TickCase{"GreenDownGreyed", kGreen, false, 2, false, kRed},
                                           TickCase{"RedUp", kRed, true, 1, false, kGreen},
                                           TickCase{"RedDownTicked", kRed, false, 1, false, kRed},
                                           // Anything but the exact online colour counts as not online.
                                           TickCase{"OtherColourDownTicked", 0x0000C001, false, 1, false,
                                                    kRed},
                                           TickCase{"OtherColourUp", 0x00123456, true, 1, false, kGreen}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramFixture, FirstProbeComesOnePeriodAfterLoad) {
    platform_.forms.Advance(kTick - 1);
    EXPECT_TRUE(platform_.internet.calls.empty());
    EXPECT_EQ(screen()->Light(), kGreen);
    platform_.forms.Advance(1);
    ASSERT_EQ(platform_.internet.calls.size(), 1u);
    EXPECT_EQ(platform_.internet.calls[0].url, "http://example.com/");
    EXPECT_EQ(platform_.internet.calls[0].flags, FLAG_ICC_FORCE_CONNECTION);
    EXPECT_EQ(platform_.internet.calls[0].reserved, 0);
}

TEST_F(ProgramFixture, AlertOncePerGreenToRedChange) {
    screen()->SetCheck(1);
    // up, down, down, down, up, down, down
    platform_.internet.answers = {true, false, false, false, true, false, false};
    std::vector<Colour> lights;
    for (int i = 0; i < 7; ++i) {
        Tick();
        lights.push_back(screen()->Light());
    }
    EXPECT_EQ(platform_.forms.messageBoxes.size(), 2u);
    EXPECT_EQ(lights, (std::vector<Colour>{kGreen, kRed, kRed, kRed, kGreen, kRed, kRed}));
}

TEST_F(ProgramFixture, TickingTheBoxWhileRedWaitsForARecovery) {
    platform_.internet.answers = {false, false, true, false};
    Tick();
    screen()->SetCheck(1);
    Tick();
    EXPECT_TRUE(platform_.forms.messageBoxes.empty());
    Tick();
    Tick();
    EXPECT_EQ(platform_.forms.messageBoxes.size(), 1u);
}

TEST_F(ProgramFixture, EachTickProbesTheTextAsItStandsThen) {
    screen()->Type(u"http://127.0.0.1:8080/caf\u00e9");
    Tick();
    screen()->Type(u"");
    platform_.internet.answers = {false};
    Tick();
    ASSERT_EQ(platform_.internet.calls.size(), 2u);
    EXPECT_EQ(platform_.internet.calls[0].url, "http://127.0.0.1:8080/caf\xc3\xa9");
    EXPECT_EQ(platform_.internet.calls[1].url, "");
    EXPECT_EQ(screen()->Light(), kRed);
}

// A user away from the desk must come back to one box, not one per tick.
TEST_F(ProgramFixture, TicksWhileTheAlertIsOpenAreSkipped) {
    screen()->SetCheck(1);
    platform_.internet.defaultAnswer = false;
    platform_.forms.whileMessageBoxOpen = [&](const MessageBoxRecord&) {
        platform_.forms.Advance(6 * kTick);
    };
    Tick();
    EXPECT_EQ(platform_.forms.mostMessageBoxesOpen, 1);
    EXPECT_EQ(platform_.forms.messageBoxes.size(), 1u);
    EXPECT_EQ(platform_.internet.calls.size(), 1u);
    EXPECT_EQ(screen()->Light(), kRed);
    Tick();
    EXPECT_EQ(platform_.internet.calls.size(), 2u) << "ticking resumes once the box is gone";
}

// "&Close" from the tray while the alert is up: the tick must not touch the dead form.
TEST_F(ProgramFixture, ClosingWhileTheAlertIsOpenEndsQuietly) {
    screen()->SetCheck(1);
    platform_.internet.defaultAnswer = false;
    platform_.forms.menuChoices = {MenuId::mnuTrayClose};
    platform_.forms.whileMessageBoxOpen = [&](const MessageBoxRecord&) {
        platform_.shell.RightClick(hWnd());
    };
    Tick();
    EXPECT_EQ(screen(), nullptr);
    EXPECT_TRUE(platform_.forms.fatalErrors.empty()) << platform_.forms.fatalErrors.front();
    EXPECT_EQ(platform_.shell.IconCount(), 0u);
    EXPECT_FALSE(form_->IsLoaded());
}

TEST_F(ProgramFixture, AFailingToolkitCallInTheTickIsReportedAndEndsTheProgram) {
    platform_.forms.failingCalls = {"Text"};
    Tick();
    ASSERT_EQ(platform_.forms.fatalErrors.size(), 1u);
    EXPECT_TRUE(platform_.internet.calls.empty());
    EXPECT_EQ(platform_.forms.Run(), 1);
}

}  // namespace
}  // namespace vedodud::scripted
