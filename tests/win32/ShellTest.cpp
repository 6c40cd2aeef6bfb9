// The icons brought back for a new taskbar (Explorer restarted).
#include <gtest/gtest.h>

#include <vector>

#include "app/Identity.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32FormsToolkit.h"
#include "platform/win32/Win32Shell.h"
#include "support/IconRecord.h"
#include "support/RecordingEvents.h"
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
    // The shell takes icons of real windows only.
    const Long window =
        ToLong(CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr));
    NotifyIconDataA withTipAdd = Record(window, 1, NIF_MESSAGE | NIF_ICON, 0x55, "");
    NotifyIconDataA tip = Record(window, 1, NIF_TIP, 0x55, "Shoutcast/Dezorav Ovozeri");
    NotifyIconDataA plainAdd = Record(window, 2, NIF_MESSAGE | NIF_ICON, 0x66, "");
    NotifyIconDataA gone = Record(window, 3, NIF_MESSAGE | NIF_ICON, 0x77, "");
    NotifyIconDataA goneDelete = Record(window, 3, 0, 0x77, "");
    NotifyIconDataA refused = MakeRecord({87, window, 4, NIF_ICON, 2025, 0x88});
    shell.Shell_NotifyIconA(NIM_ADD, withTipAdd);
    shell.Shell_NotifyIconA(NIM_MODIFY, tip);
    shell.Shell_NotifyIconA(NIM_ADD, plainAdd);
    shell.Shell_NotifyIconA(NIM_ADD, gone);
    shell.Shell_NotifyIconA(NIM_DELETE, goneDelete);
    EXPECT_EQ(shell.Shell_NotifyIconA(NIM_ADD, refused), 0);
    EXPECT_EQ(calls.size(), 5u);  // the refused record never reached shell32
    calls.clear();

    shell.TaskbarCreated();
    EXPECT_EQ(calls, (std::vector<Call>{{NIM_ADD, withTipAdd}, {NIM_MODIFY, tip}, {NIM_ADD, plainAdd}}));
    DestroyWindow(ToHwnd(window));
}

TEST(TaskbarRestart, TheFormPassesTheBroadcastToTheShell) {
    int announced = 0;
    Win32FormsToolkit forms([&] { ++announced; });
    forms.Start(kIdentity);
    RecordingEvents events;
    auto form = forms.CreateForm(Form1Layout(), events);
    SendMessageA(ToHwnd(form->hWnd()), RegisterWindowMessageA("TaskbarCreated"), 0, 0);
    EXPECT_EQ(announced, 1);
}

}  // namespace
}  // namespace vedodud::win32
