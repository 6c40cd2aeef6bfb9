#include "tray/APIStuff.h"

#include "platform/HandlerGuard.h"
#include "platform/RuntimeError.h"

namespace vedodud {

APIStuff::APIStuff(Platform& platform) : platform_(platform) {}

Long APIStuff::TrayWndProcAddress() {
    if (trayWndProcAddress_ == 0) {
        trayWndProcAddress_ =
            platform_.windows.AddressOf([this](Long hWnd, Long uMsg, Long wParam, Long lParam) {
                return RunGuarded(platform_.forms, Long{0},
                                  [&] { return TrayWndProc(hWnd, uMsg, wParam, lParam); });
            });
    }
    return trayWndProcAddress_;
}

void APIStuff::NotifyShell(Long message) {
    NotifyIconDataA record = ToAnsiRecord(state_.TrayIconData, platform_.codePage);
    platform_.shell.Shell_NotifyIconA(message, record);
    FromAnsiRecord(record, state_.TrayIconData, platform_.codePage);
}

void APIStuff::AddTrayIcon(const std::shared_ptr<TrayForm>& frm, const std::shared_ptr<const Menu>& mnu) {
    // A second hook would save TrayWndProc as the window's own procedure and loop on itself.
    if (state_.HookedForm) RemoveTrayIcon();

    state_.HookedForm = frm;
    state_.TrayMenu = mnu;
    state_.OldWndProc = platform_.windows.SetWindowLongA(frm->hWnd(), GWL_WNDPROC, TrayWndProcAddress());

    NotifyIconData& data = state_.TrayIconData;
    data.cbSize = NOTIFYICONDATAA_V1_SIZE;
    data.uID = 0;
    data.hWnd = frm->hWnd();
    data.hIcon = frm->IconHandle();
    data.uCallbackMessage = TRAY_CALLBACK_MSG;
    data.uFlags = NIF_MESSAGE | NIF_ICON;
    NotifyShell(NIM_ADD);
}

void APIStuff::SetTrayTip(std::u16string_view strTip) {
    state_.TrayIconData.szTip = MakeTip(strTip);
    state_.TrayIconData.uFlags = NIF_TIP;
    NotifyShell(NIM_MODIFY);
}

void APIStuff::RemoveTrayIcon() {
    if (!state_.HookedForm) return;  // nothing is hooked, so there is nothing to take away
    state_.TrayIconData.uFlags = 0;
    NotifyShell(NIM_DELETE);
    platform_.windows.SetWindowLongA(state_.HookedForm->hWnd(), GWL_WNDPROC, state_.OldWndProc);
    state_.HookedForm.reset();
}

Long APIStuff::TrayWndProc(Long hWnd, Long uMsg, Long wParam, Long lParam) {
    if (uMsg == WM_NCDESTROY) {
        RemoveTrayIcon();
    } else if (uMsg == TRAY_CALLBACK_MSG && lParam == WM_RBUTTONUP && state_.HookedForm) {
        // Our own references: a menu handler may clear the module's while the menu is open.
        const std::shared_ptr<TrayForm> form = state_.HookedForm;
        const std::shared_ptr<const Menu> menu = state_.TrayMenu;
        if (!menu) throw RuntimeError("Object variable not set: no tray menu");
        platform_.windows.SetForegroundWindow(form->hWnd());
        form->PopupMenu(*menu);
        // The chosen item may have removed the icon or destroyed the window: leave it alone.
        if (!state_.HookedForm) return 0;
        // The switch to the foreground that the menu needed completes only when the window gets a
        // message; without this one the next menu from the icon shows and vanishes at once.
        platform_.windows.PostMessageA(state_.HookedForm->hWnd(), WM_NULL, 0, 0);
        return 0;
    }
    return platform_.windows.CallWindowProcA(state_.OldWndProc, hWnd, uMsg, wParam, lParam);
}

}  // namespace vedodud
