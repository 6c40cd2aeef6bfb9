// Form1 as the Win32 toolkit builds it from the layout, and the toolkit's events and loop.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Form1WindowFixture.h"
#include "ModalLoop.h"
#include "platform/RuntimeError.h"

namespace vedodud::win32 {
namespace {

TEST_F(Form1Window, IsAHiddenFixedToolWindowOfTheLayoutsSize) {
    EXPECT_FALSE(IsWindowVisible(hwnd_));
    EXPECT_FALSE(form_->Visible());
    char caption[64] = {};
    GetWindowTextA(hwnd_, caption, sizeof caption);
    EXPECT_STREQ(caption, "Quillet - Dezorav Ovozeri");
    const LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
    EXPECT_TRUE(GetWindowLongA(hwnd_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    RECT client;
    GetClientRect(hwnd_, &client);
    EXPECT_EQ(client.right, Pixels(7530));
    EXPECT_EQ(client.bottom, Pixels(2820));
    EXPECT_NE(form_->IconHandle(), 0);
}

TEST_F(Form1Window, ControlsStandWhereTheLayoutPutsThem) {
    struct Expected {
        ControlId id;
        const wchar_t* className;
        const wchar_t* text;
    };
    for (const Expected& e :
         {Expected{ControlId::Text1, L"Edit", L"http://example.com/"},
          Expected{ControlId::Frame1, L"Button", L"Status"},
          Expected{ControlId::Check1, L"Button", L"Display Message Box When site goes offline"},
          Expected{ControlId::Command3, L"Button", L"Minimize"},
          Expected{ControlId::Label1, L"Static", L"Url to Check"}}) {
        HWND control = Control(e.id);
        ASSERT_NE(control, nullptr);
        wchar_t className[32] = {};
        GetClassNameW(control, className, 32);
        EXPECT_EQ(_wcsicmp(className, e.className), 0) << Form1Layout().Control(e.id).name;
        EXPECT_EQ(TextOf(control), e.text);
    }
    for (const ControlLayout& layout : Form1Layout().controls) {
        if (layout.kind == ControlKind::Timer) continue;
        HWND control = Control(layout.id);
        RECT bounds;
        GetWindowRect(control, &bounds);
        POINT origin{bounds.left, bounds.top};
        ScreenToClient(GetParent(control), &origin);
        EXPECT_EQ(origin.x, Pixels(layout.left)) << layout.name;
        EXPECT_EQ(origin.y, Pixels(layout.top)) << layout.name;
        EXPECT_EQ(bounds.right - bounds.left, Pixels(layout.width)) << layout.name;
        EXPECT_EQ(bounds.bottom - bounds.top, Pixels(layout.height)) << layout.name;
    }
    EXPECT_EQ(GetParent(Control(ControlId::Shape1)), Control(ControlId::Frame1));
    RECT logoInside;
    GetClientRect(Control(ControlId::Picture1), &logoInside);
    EXPECT_EQ(logoInside.right, Pixels(Form1Layout().Control(ControlId::Picture1).width))
        << "the logo's box is flat: no border, no bevel";
}

TEST_F(Form1Window, ValuesReadAndWriteThroughTheControls) {
    EXPECT_EQ(form_->Text(ControlId::Text1), u"http://example.com/");
    SetWindowTextW(Control(ControlId::Text1), L"http://127.0.0.1:9/\u00e9");
    EXPECT_EQ(form_->Text(ControlId::Text1), u"http://127.0.0.1:9/\u00e9");
    EXPECT_EQ(form_->FillColor(ControlId::Shape1), STATUS_ONLINE_COLOR);
    form_->SetFillColor(ControlId::Shape1, STATUS_OFFLINE_COLOR);
    EXPECT_EQ(form_->FillColor(ControlId::Shape1), STATUS_OFFLINE_COLOR);
    EXPECT_EQ(form_->Value(ControlId::Check1), 0);
    SendMessageW(Control(ControlId::Check1), BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(form_->Value(ControlId::Check1), 1);
    EXPECT_THROW(form_->Text(ControlId::Check1), RuntimeError) << "a check box has no text to read";
}

TEST_F(Form1Window, FirstShowPlacesTheClientArea) {
    form_->SetVisible(true);
    EXPECT_TRUE(form_->Visible());
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);
    EXPECT_EQ(origin.x, Pixels(1620));
    EXPECT_EQ(origin.y, MulDiv(1410, dpi_, 1440));
    form_->SetVisible(false);
    EXPECT_FALSE(IsWindowVisible(hwnd_));
}

TEST_F(Form1Window, ButtonAndCloseBoxRaiseEventsAndTheWindowStays) {
    SendMessageW(Control(ControlId::Command3), BM_CLICK, 0, 0);
    SendMessageA(hwnd_, WM_CLOSE, 0, 0);
    EXPECT_EQ(events_.log, (std::vector<std::string>{"click:Command3", "close"}));
    EXPECT_TRUE(IsWindow(hwnd_)) << "the program, not the toolkit, unloads the form";
}

TEST_F(Form1Window, TimersTickAndUnloadEndsTheLoop) {
    FormLayout fast = Form1Layout();
    for (ControlLayout& control : fast.controls)
        if (control.kind == ControlKind::Timer) control.intervalMs = 50;
    RecordingEvents events;
    auto form = forms_.CreateForm(fast, events);
    form_->Unload();
    events.onClose = [&] { form->Unload(); };
    // The fast form closes itself after a few ticks; Run() then returns with no form left.
    WhenModalLoopRuns([] { return PostMessageA(FindWindowA("VedodudForm", nullptr), WM_CLOSE, 0, 0) != 0; },
                      400);
    EXPECT_EQ(forms_.Run(), 0);
    EXPECT_GE(std::count(events.log.begin(), events.log.end(), "tick"), 3);
    ASSERT_FALSE(events.log.empty());
    EXPECT_EQ(events.log.back(), "close");
}

TEST_F(Form1Window, RunEndsWhenAMessageFromOutsideUnloadsTheForm) {
    // The shell's tray callback arrives as a message sent from another process; such messages
    // are handled inside GetMessage, so the loop must be woken to see that no form is left.
    events_.onClose = [&] { form_->Unload(); };
    std::atomic<bool> rescued{false};
    std::thread sender([&] {
        Sleep(200);
        SendMessageA(hwnd_, WM_CLOSE, 0, 0);
        // Should Run() not return by itself, end it so the test fails instead of hanging.
        for (int wait = 0; wait < 50 && !forms_done_; ++wait) Sleep(100);
        if (!forms_done_) {
            rescued = true;
            PostThreadMessageA(main_thread_, WM_QUIT, 0, 0);
        }
    });
    EXPECT_EQ(forms_.Run(), 0);
    forms_done_ = true;
    sender.join();
    EXPECT_FALSE(rescued);
    EXPECT_FALSE(IsWindow(hwnd_));
}

TEST_F(Form1Window, FatalErrorMakesRunReturnNonZeroAndTakesTheWindowDown) {
    WhenModalLoopRuns([] {
        HWND box = FindWindowA("#32770", "Dezorav Ovozeri");
        return box && PostMessageA(box, WM_COMMAND, IDOK, 0);
    });
    forms_.ReportFatalError("Object required");
    EXPECT_EQ(forms_.Run(), 1);
    EXPECT_FALSE(IsWindow(hwnd_));
}

}  // namespace
}  // namespace vedodud::win32
