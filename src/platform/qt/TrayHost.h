// Which notification area the desktop offers: an XEmbed tray on X11, or a StatusNotifierItem host
// on the session bus (most desktops now, and the only kind a Wayland session has).
#pragma once

#include <optional>

namespace vedodud::qt {

class TrayHost {
public:
    virtual ~TrayHost() = default;

    // Whether an icon shown now would appear somewhere.
    virtual bool Available() = 0;
    // Whether icons are StatusNotifierItems. Such a host shows the menu the item exports and tells
    // the item what was chosen; it does not ask the program to pop up a menu of its own.
    virtual bool ShowsExportedMenus() = 0;
};

// The session's real host, seen the way Qt's QSystemTrayIcon sees it.
class DesktopTrayHost final : public TrayHost {
public:
    bool Available() override;
    bool ShowsExportedMenus() override;

private:
    // Qt decides once per process, at its first look, whether its icons are StatusNotifierItems.
    std::optional<bool> qtChoseStatusNotifier_;
};

// Asks the session bus whether a StatusNotifierWatcher is there with a host registered.
bool StatusNotifierHostRegistered();

}  // namespace vedodud::qt
