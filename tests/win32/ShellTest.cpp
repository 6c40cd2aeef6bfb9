// Shell_NotifyIconA with the 88-byte record, and the icons brought back for a new taskbar.
#include <gtest/gtest.h>

#include <vector>

#include "app/Identity.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32FormsToolkit.h"
#include "platform/win32/Win32Shell.h"
#include "support/IconRecord.h"
#include "ui/Form1Layout.h"

namespace vedodud::win32 {
namespace {

NotifyIconDataA Record(Long hWnd, Long uID, Long uFlags, Long hIcon, const char* tip) {
    return MakeRecord({88, hWnd, uID, uFlags, 2025, hIcon}, tip);
}

struct Call {
    Long message;
    NotifyIconDataA record;
    bool operator==(const Call&) const = default;
};

TEST(TaskbarRestart, AddsEveryShownIconAgainWithItsTip) {
    std::vector<Call> calls;
    Win32Shell shell([&](Long message, NotifyIconDataA& record) -> Long {
        calls.push_back({message, record});
        return 1;
    });
    NotifyIconDataA withTipAdd = Record(0x100, 0, NIF_MESSAGE | NIF_ICON, 0x55, "");
    NotifyIconDataA tip = Record(0x100, 0, NIF_TIP, 0x55, "Shoutcast/Dezorav Ovozeri");
    NotifyIconDataA plainAdd = Record(0x200, 0, NIF_MESSAGE | NIF_ICON, 0x66, "");
    NotifyIconDataA gone = Record(0x300, 0, NIF_MESSAGE | NIF_ICON, 0x77, "");
    NotifyIconDataA goneDelete = Record(0x300, 0, 0, 0x77, "");
    shell.Shell_NotifyIconA(NIM_ADD, withTipAdd);
    shell.Shell_NotifyIconA(NIM_MODIFY, tip);
    shell.Shell_NotifyIconA(NIM_ADD, plainAdd);
    shell.Shell_NotifyIconA(NIM_ADD, gone);
    shell.Shell_NotifyIconA(NIM_DELETE, goneDelete);
    calls.clear();

    shell.TaskbarCreated();
    EXPECT_EQ(calls, (std::vector<Call>{{NIM_ADD, withTipAdd}, {NIM_MODIFY, tip}, {NIM_ADD, plainAdd}}));
}

struct NullEvents : FormEvents {
    void TimerTick(ControlId) override {}
    void Click(ControlId) override {}
    void MenuClick(MenuId) override {}
    void CloseRequested() override {}
};

TEST(TaskbarRestart, TheFormPassesTheBroadcastToTheShell) {
    int announced = 0;
    Win32FormsToolkit forms([&] { ++announced; });
    forms.Start(kIdentity);
    NullEvents events;
    auto form = forms.CreateForm(Form1Layout(), events);
    SendMessageA(ToHwnd(form->hWnd()), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(announced, 1);
}

TEST(RealShell, TakesTheRecordAsItStands) {
    Win32FormsToolkit forms;
    forms.Start(kIdentity);
    NullEvents events;
    auto form = forms.CreateForm(Form1Layout(), events);
    NotifyIconDataA add = Record(form->hWnd(), 5, NIF_MESSAGE | NIF_ICON, form->IconHandle(), "");
    NotifyIconDataA tip = Record(form->hWnd(), 5, NIF_TIP, form->IconHandle(), "tip");
    NotifyIconDataA otherId = Record(form->hWnd(), 6, 0, 0, "");
    NotifyIconDataA remove = Record(form->hWnd(), 5, 0, 0, "");
    EXPECT_NE(CallShellNotifyIconA(NIM_ADD, add), 0);
    EXPECT_NE(CallShellNotifyIconA(NIM_MODIFY, tip), 0);
    EXPECT_EQ(CallShellNotifyIconA(NIM_DELETE, otherId), 0) << "uID is read from its own place";
    EXPECT_NE(CallShellNotifyIconA(NIM_DELETE, remove), 0);
    EXPECT_EQ(CallShellNotifyIconA(NIM_DELETE, remove), 0) << "the icon is gone";
}

}  // namespace
}  // namespace vedodud::win32
