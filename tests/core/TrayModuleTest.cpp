// The hook in front of the window procedure and the right-click menu.
#include "ProgramFixture.h"
#include "platform/RuntimeError.h"

namespace vedodud::scripted {
namespace {

class TrayModule : public ProgramFixture {
protected:
    Long ownProcedure() { return ownProcedure_; }
    void SetUp() override {
        ProgramFixture::SetUp();
        ownProcedure_ = tray_.State().OldWndProc;
    }
    std::vector<Long> ownMessages() {
        std::vector<Long> seen;
        for (const Message& m :
             screen() ? screen()->ownProcedureLog : platform_.forms.AnyForm()->ownProcedureLog)
            seen.push_back(m.msg);
        return seen;
    }
    Long ownProcedure_ = 0;
};

TEST_F(TrayModule, LoadHooksTheWindowAndAddsTheIconWithItsTip) {
    EXPECT_EQ(platform_.windows.ProcedureOf(hWnd()), tray_.TrayWndProcAddress());
    EXPECT_NE(ownProcedure(), tray_.TrayWndProcAddress());
    ASSERT_NE(icon(), nullptr);
    EXPECT_EQ(icon()->callbackMessage, TRAY_CALLBACK_MSG);
    EXPECT_EQ(icon()->hIcon, form_->IconHandle());
    EXPECT_EQ(icon()->tip, "Shoutcast/Dezorav Ovozeri");
    EXPECT_EQ(tray_.State().HookedForm, form_);
}

// Everything but a right-button release goes to the window's own procedure, unchanged.
TEST_F(TrayModule, OtherMouseActivityPassesThrough) {
    for (Long mouse : {WM_RBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_MOUSEMOVE,
                       WM_RBUTTONDBLCLK, WM_MBUTTONUP}) {
        EXPECT_EQ(platform_.shell.Mouse(hWnd(), mouse), kOwnProcedureResult) << mouse;
        ASSERT_FALSE(screen()->ownProcedureLog.empty());
        EXPECT_EQ(screen()->ownProcedureLog.back(), (Message{hWnd(), TRAY_CALLBACK_MSG, 0, mouse}));
    }
    EXPECT_TRUE(platform_.forms.popups.empty());
    EXPECT_EQ(platform_.windows.SendMessage(hWnd(), 0x1234, 5, 6), kOwnProcedureResult);
    EXPECT_EQ(screen()->ownProcedureLog.back(), (Message{hWnd(), 0x1234, 5, 6}));
}

TEST_F(TrayModule, RightClickWithoutAChoicePostsNullAndSwallowsTheMessage) {
    const std::size_t before = screen()->ownProcedureLog.size();
    EXPECT_EQ(platform_.windows.SendMessage(hWnd(), TRAY_CALLBACK_MSG, 0, WM_RBUTTONUP), 0);
    EXPECT_EQ(platform_.forms.popups, std::vector<MenuId>{MenuId::mnuTray});
    EXPECT_EQ(platform_.windows.foregroundCalls, std::vector<Long>{hWnd()});
    EXPECT_FALSE(screen()->IsVisible()) << "bringing a hidden window forward must not show it";
    EXPECT_EQ(platform_.windows.posted, (std::vector<Message>{{hWnd(), WM_NULL, 0, 0}}));
    EXPECT_EQ(screen()->ownProcedureLog.size(), before);
    platform_.windows.DeliverPosted();
    EXPECT_EQ(screen()->ownProcedureLog.back().msg, WM_NULL);
}

TEST_F(TrayModule, DoStuffShowsTheWindowAndUnhooksIt) {
    platform_.forms.menuChoices = {MenuId::mnuTrayDoStuff};
    EXPECT_EQ(platform_.shell.RightClick(hWnd()), 0);
    EXPECT_TRUE(screen()->IsVisible());
    EXPECT_EQ(icon(), nullptr);
    EXPECT_EQ(platform_.windows.ProcedureOf(hWnd()), ownProcedure());
    EXPECT_EQ(tray_.State().HookedForm, nullptr);
    EXPECT_TRUE(platform_.windows.posted.empty());
    // Kept for the next hook.
    EXPECT_EQ(tray_.State().TrayMenu, form_->mnuTray());
    EXPECT_EQ(tray_.State().OldWndProc, ownProcedure());
}

TEST_F(TrayModule, CloseRemovesIconAndHookDuringDestruction) {
    bool iconGoneWhenOwnProcedureSawTheEnd = false;
    platform_.forms.ownProcedureSpy = [&](const Message& m) {
        if (m.msg == WM_NCDESTROY) iconGoneWhenOwnProcedureSawTheEnd = platform_.shell.IconCount() == 0;
    };
    const Long window = hWnd();
    platform_.forms.menuChoices = {MenuId::mnuTrayClose};
    EXPECT_EQ(platform_.windows.SendMessage(window, TRAY_CALLBACK_MSG, 0, WM_RBUTTONUP), 0);
    EXPECT_TRUE(iconGoneWhenOwnProcedureSawTheEnd);
    EXPECT_EQ(ownMessages().back(), WM_NCDESTROY);
    EXPECT_FALSE(platform_.windows.Exists(window));
    EXPECT_TRUE(platform_.windows.posted.empty());
    EXPECT_EQ(tray_.State().HookedForm, nullptr);
    EXPECT_TRUE(platform_.forms.fatalErrors.empty());
}

TEST_F(TrayModule, AddAfterRemoveHooksAgainWithoutATip) {
    tray_.RemoveTrayIcon();
    EXPECT_EQ(platform_.shell.IconCount(), 0u);
    tray_.AddTrayIcon(form_, form_->mnuTray());
    ASSERT_NE(icon(), nullptr);
    EXPECT_FALSE(icon()->tip.has_value());
    EXPECT_EQ(TipText(tray_.State().TrayIconData.szTip), u"Shoutcast/Dezorav Ovozeri");
    EXPECT_EQ(tray_.State().OldWndProc, ownProcedure());
    platform_.forms.menuChoices = {std::nullopt};
    platform_.shell.RightClick(hWnd());
    EXPECT_EQ(platform_.forms.popups.size(), 1u);
}

// A second hook must never save TrayWndProc as the window's own procedure.
TEST_F(TrayModule, HookingTwiceDoesNotLoop) {
    tray_.AddTrayIcon(form_, form_->mnuTray());
    EXPECT_EQ(tray_.State().OldWndProc, ownProcedure());
    EXPECT_EQ(platform_.windows.SendMessage(hWnd(), 0x0400, 0, 0), kOwnProcedureResult);
    EXPECT_FALSE(platform_.windows.loopDetected);
    EXPECT_EQ(platform_.shell.IconCount(), 1u);
    tray_.RemoveTrayIcon();
    EXPECT_EQ(platform_.windows.ProcedureOf(hWnd()), ownProcedure());
}

TEST_F(TrayModule, RemoveWithNothingHookedDoesNothing) {
    tray_.RemoveTrayIcon();
    const std::size_t calls = platform_.shell.calls.size();
    tray_.RemoveTrayIcon();
    EXPECT_EQ(platform_.shell.calls.size(), calls);
    EXPECT_EQ(platform_.windows.ProcedureOf(hWnd()), ownProcedure());
}

TEST_F(TrayModule, AFailingIconReadLeavesTheWindowHookedAndIsReported) {
    tray_.RemoveTrayIcon();
    platform_.forms.failingCalls = {"Icon"};
    EXPECT_THROW(tray_.AddTrayIcon(form_, form_->mnuTray()), RuntimeError);
    EXPECT_EQ(platform_.windows.ProcedureOf(hWnd()), tray_.TrayWndProcAddress());
    EXPECT_EQ(platform_.shell.IconCount(), 0u);
    // An error inside the hook goes to the fatal report, not through the dispatcher.
    platform_.forms.failingCalls = {"PopupMenu"};
    EXPECT_EQ(platform_.windows.SendMessage(hWnd(), TRAY_CALLBACK_MSG, 0, WM_RBUTTONUP), 0);
    EXPECT_EQ(platform_.forms.fatalErrors.size(), 1u);
}

}  // namespace
}  // namespace vedodud::scripted
