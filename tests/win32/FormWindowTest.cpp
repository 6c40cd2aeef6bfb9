// What only the Win32 toolkit shows: window styles and control classes, a loop that messages from
// other processes must wake, and the end after a fatal error.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "Form1WindowFixture.h"
#include "ModalLoop.h"
#include "platform/RuntimeError.h"

namespace vedodud::win32 {
namespace {

TEST_F(Form1Window, IsAFixedToolWindowOfStandardControls) {
    const LONG style = GetWindowLongA(hwnd_, GWL_STYLE);
    EXPECT_TRUE(GetWindowLongA(hwnd_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    struct Expected {
        ControlId id;
        const wchar_t* className;
    };
    for (const Expected& e :
         {Expected{ControlId::Text1, L"Edit"}, Expected{ControlId::Frame1, L"Button"},
          Expected{ControlId::Check1, L"Button"}, Expected{ControlId::Command3, L"Button"},
          Expected{ControlId::Label1, L"Static"}}) {
        wchar_t className[32] = {};
        GetClassNameW(Control(e.id), className, 32);
        EXPECT_EQ(_wcsicmp(className, e.className), 0) << Form1Layout().Control(e.id).name;
    }
    RECT logoInside;
    GetClientRect(Control(ControlId::Picture1), &logoInside);
    EXPECT_EQ(logoInside.right, Pixels(Form1Layout().Control(ControlId::Picture1).width))
        << "the logo's box is flat: no border, no bevel";
}

TEST_F(Form1Window, RunEndsWhenAMessageFromOutsideUnloadsTheForm) {
    // The shell's tray callback arrives as a message sent from another process; such messages
    // are handled inside GetMessage, so the loop must be woken to see that no form is left.
    events_.onClose = [&] { form_->Unload(); };
    const DWORD mainThread = GetCurrentThreadId();
    std::atomic<bool> formsDone{false}, rescued{false};
    std::thread sender([&] {
        Sleep(200);
        SendMessageA(hwnd_, WM_CLOSE, 0, 0);
        // Should Run() not return by itself, end it so the test fails instead of hanging.
        for (int wait = 0; wait < 50 && !formsDone; ++wait) Sleep(100);
        if (!formsDone) {
            rescued = true;
            PostThreadMessageA(mainThread, WM_QUIT, 0, 0);
        }
    });
    EXPECT_EQ(forms_.Run(), 0);
    formsDone = true;
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
