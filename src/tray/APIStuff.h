// The tray module: the form's icon in the notification area, its tooltip, and the hook in
// front of the form's window procedure that turns a right-click on the icon into a menu.
#pragma once

#include <memory>
#include <string_view>

#include "platform/Platform.h"
#include "tray/NotifyIconData.h"
#include "tray/TrayForm.h"

namespace vedodud {

inline constexpr Long TRAY_CALLBACK_MSG = 2025;

// The module's private state, readable so the program's behaviour can be checked.
struct TrayModuleState {
    NotifyIconData TrayIconData;
    std::shared_ptr<TrayForm> HookedForm;  // set while a window is hooked
    std::shared_ptr<const Menu> TrayMenu;  // kept until the next AddTrayIcon
    Long OldWndProc = 0;                   // the procedure the window had before the hook
};

class APIStuff {
public:
    explicit APIStuff(Platform& platform);
    APIStuff(const APIStuff&) = delete;
    APIStuff& operator=(const APIStuff&) = delete;

    void AddTrayIcon(const std::shared_ptr<TrayForm>& frm, const std::shared_ptr<const Menu>& mnu);
    void SetTrayTip(std::u16string_view strTip);
    void RemoveTrayIcon();
    Long TrayWndProc(Long hWnd, Long uMsg, Long wParam, Long lParam);

    const TrayModuleState& State() const { return state_; }
    // The procedure value under which TrayWndProc is installed.
    Long TrayWndProcAddress();

private:
    void NotifyShell(Long message);

    Platform& platform_;
    TrayModuleState state_;
    Long trayWndProcAddress_ = 0;
};

}  // namespace vedodud
