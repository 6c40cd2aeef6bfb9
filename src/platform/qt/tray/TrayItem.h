// One icon as a notification area shows it: docked in an XEmbed tray, or a StatusNotifierItem that
// a host on the session bus shows.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QString>
#include <functional>

namespace vedodud::qt {

class TrayItem {
public:
    // What the user did to the item, by a click of their own or through a host that acts for them.
    enum class Activation {
        Click,        // the primary button
        DoubleClick,  // the primary button, twice
        MiddleClick,
        ContextMenu,  // the secondary button, or a host asking for the item's menu
    };

    virtual void SetIcon(const QIcon& icon) = 0;
    virtual void SetToolTip(const QString& tip) = 0;
    // Whether hosts show a menu the item exports rather than asking the program for its own.
    virtual bool ExportsMenu() const = 0;
    // The menu exported to the host; `aboutToShow` runs, synchronously, before the host reads it.
    virtual void SetMenu(QMenu* menu, std::function<void()> aboutToShow) = 0;
    // Looks whether the tray has dropped the item (it died, or never took it), and says so: the
    // item must then be made anew. May ask the display server, and remembers what it found.
    virtual bool CheckWhetherLost() { return false; }
    // Takes the item off the notification area now; it is freed once control is back in the event
    // loop, since this may run inside the item's own click.
    virtual void Retire() = 0;

    // Called from the event loop when the user clicks the item or a host acts for the user.
    std::function<void(Activation)> activated;
    // Called from the event loop when the tray lets go of the item of its own accord.
    std::function<void()> dropped;

protected:
    ~TrayItem() = default;
    void Activate(Activation reason) {
        if (activated) activated(reason);
    }
};

struct RetireItem {
    void operator()(TrayItem* item) const {
        if (item) item->Retire();
    }
};

}  // namespace vedodud::qt
