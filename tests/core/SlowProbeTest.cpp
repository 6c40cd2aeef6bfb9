// What a user does while a probe waits for its verdict. The backends handle events during that
// wait, so each action here happens inside the probe call. The site goes down in that tick with
// the alert ticked, so each row also says whether the alert still comes.
#include "ProgramFixture.h"

namespace vedodud::scripted {
namespace {

enum class Action { Minimize, DoStuff, CloseFromTray, CloseBox, Type, SecondTick, TickWhileMenuOpen };

struct SlowProbeCase {
    const char* name;
    bool restoredFirst;  // "&Do Stuff..." before the tick, so the window is shown
    Action action;
    // The end state.
    bool loaded;
    bool visible;
    bool iconPresent;
    std::size_t alerts;
    int exitStatus;  // what the message loop would end with
    friend void PrintTo(const SlowProbeCase& c, std::ostream* out) { *out << c.name; }
};

constexpr char16_t kTyped[] = u"http://127.0.0.1:9/typed";

class SlowProbe : public ProgramFixture, public ::testing::WithParamInterface<SlowProbeCase> {
protected:
    void Choose(std::optional<MenuId> item) {
        platform_.forms.menuChoices = {item};
        platform_.shell.RightClick(hWnd());
    }
    void Act(Action action) {
        switch (action) {
            case Action::Minimize:
                screen()->ClickMinimize();
                break;
            case Action::DoStuff:
                Choose(MenuId::mnuTrayDoStuff);
                break;
            case Action::CloseFromTray:
                Choose(MenuId::mnuTrayClose);
                break;
            case Action::CloseBox:
                screen()->PressCloseBox();
                break;
            case Action::Type:
                screen()->Type(kTyped);
                break;
            case Action::SecondTick:
                Tick();
                break;
            case Action::TickWhileMenuOpen:
                platform_.forms.whileMenuOpen = [this] { Tick(); };
                Choose(std::nullopt);
                break;
        }
    }
};

TEST_P(SlowProbe, EndsInTheExpectedState) {
    const SlowProbeCase& c = GetParam();
    if (c.restoredFirst) Choose(MenuId::mnuTrayDoStuff);
    screen()->SetCheck(1);
    platform_.internet.defaultAnswer = false;
    bool acted = false;
    platform_.internet.whileProbing = [&] {
        if (!std::exchange(acted, true)) Act(c.action);
    };

    Tick();

    EXPECT_EQ(platform_.internet.calls.size(), 1u) << "a tick during the wait must be dropped";
    EXPECT_TRUE(platform_.forms.fatalErrors.empty()) << platform_.forms.fatalErrors.front();
    EXPECT_EQ(form_->IsLoaded(), c.loaded);
    EXPECT_EQ(icon() != nullptr, c.iconPresent);
    EXPECT_EQ(platform_.forms.messageBoxes.size(), c.alerts);
    EXPECT_LE(platform_.forms.mostMessageBoxesOpen, 1);
    EXPECT_EQ(platform_.forms.Run(), c.exitStatus);
    if (!c.loaded) {
        EXPECT_EQ(platform_.shell.IconCount(), 0u);
        EXPECT_FALSE(platform_.windows.Exists(hWnd()));
        return;
    }
    EXPECT_EQ(screen()->IsVisible(), c.visible);
    EXPECT_EQ(screen()->Light(), STATUS_OFFLINE_COLOR);
    Tick();
    ASSERT_EQ(platform_.internet.calls.size(), 2u) << "ticking goes on after the wait";
    if (c.action == Action::Type) {
        EXPECT_EQ(platform_.internet.calls[1].url, "http://127.0.0.1:9/typed");
    }
}

INSTANTIATE_TEST_SUITE_P(
    UserActions, SlowProbe,
    ::testing::Values(SlowProbeCase{"Minimize", true, Action::Minimize, true, false, true, 1, kStillRunning},
                      SlowProbeCase{"DoStuff", false, Action::DoStuff, true, true, false, 1, kStillRunning},
                      SlowProbeCase{"CloseFromTray", false, Action::CloseFromTray, false, false, false, 0, 0},
                      SlowProbeCase{"CloseBox", true, Action::CloseBox, false, false, false, 0, 0},
                      SlowProbeCase{"Typing", true, Action::Type, true, true, false, 1, kStillRunning},
                      SlowProbeCase{"SecondTick", false, Action::SecondTick, true, false, true, 1,
                                    kStillRunning},
                      SlowProbeCase{"TickWhileMenuOpen", false, Action::TickWhileMenuOpen, true, false, true,
                                    1, kStillRunning}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace vedodud::scripted
