// The backend contracts on the Win32 backend, with Wine's shell and user32 behind it.
#include <algorithm>

#include "ModalLoop.h"
#include "TrayArea.h"
#include "contract/BoundaryContracts.h"
#include "contract/FormContract.h"
#include "platform/win32/Handles.h"
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

struct ClassSearch {
    const wchar_t* className;
    HWND found;
};

BOOL CALLBACK FindVisibleOfClass(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ClassSearch*>(data);
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (IsWindowVisible(window) && _wcsicmp(name, search->className) == 0) search->found = window;
    return search->found == nullptr;
}

// The visible window of this thread with that class: a message box or an open popup menu.
HWND OpenWindowOfClass(const wchar_t* className) {
    ClassSearch search{className, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindVisibleOfClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

struct Win32Backend {
    Win32FormsToolkit forms;
    Win32WindowManager windows;
    Win32Shell shell;
    Win32CodePage codePage;
    // Icons some earlier program left in the tray are none of this test's.
    const std::vector<HWND> before = TrayIconWindows();

    void Settle() { DispatchWaiting(forms); }

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
    static HWND Control(FormWindow& form, ControlId id) { return Window(form).ControlHandle(id); }
    const int dpi = [] {
        HDC screen = GetDC(nullptr);
        const int dotsPerInch = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
        return dotsPerInch;
    }();
    int Pixels(int twips) const { return MulDiv(twips, dpi, kTwipsPerInch); }
    // The layout's name of the form or of one of its controls.
    static std::string NameOf(FormWindow& form, HWND window) {
        for (const ControlLayout& control : Form1Layout().controls)
            if (window && window == Control(form, control.id)) return std::string(control.name);
        return window == Window(form).Handle() ? std::string(Form1Layout().name) : "?";
    }
    contract::Placement Placed(FormWindow& form, ControlId id) {
        const HWND control = Control(form, id), parent = GetParent(control);
        RECT box;
        GetWindowRect(control, &box);
        POINT origin{box.left, box.top};
        ScreenToClient(parent, &origin);
        return {NameOf(form, parent), origin.x, origin.y, box.right - box.left, box.bottom - box.top};
    }
    contract::Placement ClientArea(FormWindow& form) {
        RECT client;
        GetClientRect(Window(form).Handle(), &client);
        POINT origin{0, 0};
        ClientToScreen(Window(form).Handle(), &origin);
        return {"", origin.x, origin.y, client.right, client.bottom};
    }
    WString Caption(FormWindow& form, std::optional<ControlId> id) {
        return TextOf(id ? Control(form, *id) : Window(form).Handle());
    }
    void Type(FormWindow& form, ControlId id, const WString& text) {
        SetWindowTextW(Control(form, id), ToWide(text).c_str());
    }
    void Click(FormWindow& form, ControlId id) { SendMessageW(Control(form, id), BM_CLICK, 0, 0); }
    void PressCloseBox(FormWindow& form) { SendMessageW(Window(form).Handle(), WM_CLOSE, 0, 0); }
    std::optional<ControlId> Focused(FormWindow& form) {
        return contract::ControlNamed(NameOf(form, GetFocus()));
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
INSTANTIATE_BOUNDARY_CONTRACTS(Win32, win32::Win32Backend);
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, FormContract, win32::Win32Backend);
}  // namespace vedodud::contract
