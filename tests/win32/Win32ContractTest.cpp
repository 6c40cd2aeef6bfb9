// The backend contracts on the Win32 backend, with Wine's shell and user32 behind it.
// clang-format off
#include "platform/win32/Handles.h"
// clang-format on

#include <algorithm>
#include <set>

#include "ModalLoop.h"
#include "TrayArea.h"
#include "contract/FocusAndMenuContract.h"
#include "contract/MessageBoxContract.h"
#include "contract/TrayIconContract.h"
#include "contract/WindowContract.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FormWindow.h"
#include "platform/win32/Win32FormsToolkit.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32WindowManager.h"

namespace vedodud::win32 {
namespace {

using contract::ShownBox;
using contract::ShownMenu;

constexpr UINT kTimeoutMs = 5000;

WString TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return FromWide(text);
}

// The visible window of this thread with that class: a message box or an open popup menu.
HWND OpenWindowOfClass(const wchar_t* className) {
    struct Search {
        const wchar_t* className;
        HWND found;
    } search{className, nullptr};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND window, LPARAM data) -> BOOL CALLBACK {
            auto* s = reinterpret_cast<Search*>(data);
            wchar_t name[32] = {};
            GetClassNameW(window, name, 32);
            if (IsWindowVisible(window) && wcscmp(name, s->className) == 0) s->found = window;
            return s->found == nullptr;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Win32Backend {
    Win32FormsToolkit forms;
    Win32WindowManager windows;
    Win32Shell shell;
    Win32CodePage codePage;
    // Icons some earlier program left in the tray are none of this test's.
    const std::vector<HWND> before = TrayIconWindows();

    void Settle() { forms.DispatchWaiting(); }

    std::vector<HWND> Icons() {
        std::vector<HWND> icons = TrayIconWindows();
        std::erase_if(icons,
                      [this](HWND icon) { return std::count(before.begin(), before.end(), icon) > 0; });
        return icons;
    }
    std::vector<WString> ShownTips() {
        std::vector<WString> tips;
        for (HWND icon : Icons()) tips.push_back(FromWide(TrayIconTip(icon)));
        std::sort(tips.begin(), tips.end());
        return tips;
    }
    void RightClickIcon() {
        const std::vector<HWND> icons = Icons();
        ASSERT_EQ(icons.size(), 1u);
        // Sent, not posted: explorer tells the icon's window before the call returns.
        for (UINT button : {WM_RBUTTONDOWN, WM_RBUTTONUP})
            SendMessageTimeoutW(icons.front(), button, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, nullptr);
    }
    void AnswerNextMessageBox(ShownBox& seen) {
        WhenModalLoopRuns([&seen] {
            HWND box = OpenWindowOfClass(L"#32770");
            if (!box) return false;
            seen = {true, TextOf(box), TextOf(GetDlgItem(box, 0xFFFF)), {}};
            for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
                wchar_t name[32] = {};
                GetClassNameW(child, name, 32);
                WString caption = TextOf(child);
                std::erase(caption, u'&');
                if (_wcsicmp(name, L"Button") == 0 && IsWindowVisible(child)) seen.buttons.push_back(caption);
            }
            SendMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            return true;
        });
    }

    static Win32FormWindow& Window(FormWindow& form) { return static_cast<Win32FormWindow&>(form); }
    std::optional<ControlId> Focused(FormWindow& form) {
        const HWND focus = GetFocus();
        for (const ControlLayout& control : Form1Layout().controls)
            if (focus && Window(form).ControlHandle(control.id) == focus) return control.id;
        return std::nullopt;
    }
    void PressTab(FormWindow&) {
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_TAB, 0);
        PostMessageW(GetFocus(), WM_KEYUP, VK_TAB, 0);
        Settle();
    }
    void AnswerNextMenu(ShownMenu& seen, char key) {
        WhenModalLoopRuns([&seen, key] {
            HWND menuWindow = OpenWindowOfClass(L"#32768");
            if (!menuWindow) return false;
            seen.opened = true;
            const auto menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
            for (int item = 0; item < GetMenuItemCount(menu); ++item) {
                wchar_t caption[64] = {};
                MENUITEMINFOW info{};
                info.cbSize = sizeof info;
                info.fMask = MIIM_FTYPE | MIIM_STRING;
                info.dwTypeData = caption;
                info.cch = 64;
                GetMenuItemInfoW(menu, static_cast<UINT>(item), TRUE, &info);
                seen.items.push_back(info.fType & MFT_SEPARATOR ? u"-" : FromWide(caption));
            }
            if (key == contract::kEscape) {
                EndMenu();
            } else {
                PostMessageW(menuWindow, WM_CHAR, static_cast<WPARAM>(key), 0);
            }
            return true;
        });
    }
};

}  // namespace
}  // namespace vedodud::win32

namespace vedodud::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowContract, win32::Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, TrayIconContract, win32::Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, MessageBoxContract, win32::Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FocusAndMenuContract, win32::Win32Backend);
}  // namespace vedodud::contract
