// The whole program from start to end: Started, Restored, Minimised to tray, Ended.
#include <gtest/gtest.h>

#include "app/Program.h"
#include "scripted/ScriptedPlatform.h"
#include "tray/APIStuff.h"
#include "ui/Form1Layout.h"

namespace vedodud::scripted {
namespace {

class Scenario : public ::testing::Test {
protected:
    // Runs the program with `user` acting while it dispatches; returns its exit status.
    int Run(std::function<void()> user) {
        p_.forms.script = std::move(user);
        return RunProgram(p_.platform);
    }
    ScriptedForm& form() { return *p_.forms.Form(); }
    Long hWnd() { return p_.forms.AnyForm()->Handle(); }
    const TrayIcon* icon() { return p_.shell.Icon(hWnd()); }
    ScriptedPlatform p_;
};

struct State {
    bool visible;
    bool iconPresent;
    std::optional<std::string> tip;
};

void ExpectState(ScriptedForm& form, const TrayIcon* icon, const State& expected, const char* where) {
    SCOPED_TRACE(where);
    EXPECT_EQ(form.IsVisible(), expected.visible);
    EXPECT_EQ(icon != nullptr, expected.iconPresent);
    if (icon && expected.iconPresent) {
        EXPECT_EQ(icon->tip, expected.tip);
    }
}

TEST_F(Scenario, StartedRestoredMinimisedAndBack) {
    const int status = Run([&] {
        ExpectState(form(), icon(), {false, true, "Shoutcast/Dezorav Ovozeri"}, "Started");
        p_.forms.Advance(10000);
        EXPECT_EQ(p_.internet.calls.size(), 1u) << "the poll runs from the start";

        form().Type(u"http://127.0.0.1:9/");
        form().SetCheck(1);
        p_.internet.defaultAnswer = false;
        p_.forms.Advance(10000);
        ASSERT_EQ(p_.forms.messageBoxes.size(), 1u);
        EXPECT_FALSE(p_.forms.messageBoxes[0].formVisible) << "the alert comes up while hidden";

        p_.forms.menuChoices = {MenuId::mnuTrayDoStuff};
        p_.shell.RightClick(hWnd());
        ExpectState(form(), icon(), {true, false, {}}, "Restored");
        EXPECT_EQ(form().Light(), STATUS_OFFLINE_COLOR);

        form().ClickMinimize();
        ExpectState(form(), icon(), {false, true, std::nullopt}, "Minimised to tray");

        p_.forms.menuChoices = {MenuId::mnuTrayDoStuff};
        p_.shell.RightClick(hWnd());
        form().ClickMinimize();
        // Hiding and showing keep the text, the check box and the light, and the poll goes on.
        EXPECT_EQ(form().Text(ControlId::Text1), u"http://127.0.0.1:9/");
        EXPECT_EQ(form().Value(ControlId::Check1), 1);
        EXPECT_EQ(form().Light(), STATUS_OFFLINE_COLOR);
        p_.forms.Advance(10000);
        EXPECT_EQ(p_.internet.calls.size(), 3u);
        EXPECT_EQ(p_.forms.popups.size(), 2u);
    });
    EXPECT_EQ(status, kStillRunning);
    EXPECT_EQ(p_.forms.startCount, 1);
}

struct EndCase {
    const char* name;
    bool restoreFirst;
    bool minimiseAgain;
    bool useCloseBox;
};

class Ending : public Scenario, public ::testing::WithParamInterface<EndCase> {};

TEST_P(Ending, EndsWithStatusZeroAndNoIconLeft) {
    const EndCase& c = GetParam();
    Long window = 0;
    const int status = Run([&] {
        window = hWnd();
        if (c.restoreFirst) {
            p_.forms.menuChoices = {MenuId::mnuTrayDoStuff};
            p_.shell.RightClick(window);
        }
        if (c.minimiseAgain) form().ClickMinimize();
        if (c.useCloseBox) {
            form().PressCloseBox();
        } else {
            p_.forms.menuChoices = {MenuId::mnuTrayClose};
            EXPECT_EQ(p_.shell.RightClick(window), 0);
        }
        EXPECT_EQ(p_.forms.Form(), nullptr);
        p_.forms.Advance(60000);
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(p_.shell.IconCount(), 0u);
    EXPECT_FALSE(p_.windows.Exists(window));
    EXPECT_TRUE(p_.windows.posted.empty());
    EXPECT_TRUE(p_.forms.fatalErrors.empty());
    EXPECT_TRUE(p_.internet.calls.empty()) << "no tick after the end";
}

INSTANTIATE_TEST_SUITE_P(Program, Ending,
                         ::testing::Values(EndCase{"CloseFromStarted", false, false, false},
                                           EndCase{"CloseFromMinimised", true, true, false},
                                           EndCase{"CloseBoxWhenRestored", true, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Scenario, AFailureAtLoadIsReportedAndEndsNonZero) {
    p_.forms.failingCalls = {"hWnd"};
    EXPECT_NE(Run([] {}), 0);
    EXPECT_EQ(p_.forms.fatalErrors.size(), 1u);
}

}  // namespace
}  // namespace vedodud::scripted
