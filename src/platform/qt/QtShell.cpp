#include "platform/qt/QtShell.h"

#include <algorithm>
#include <string>

#include "platform/common/DebugLog.h"
#include "platform/common/NotifyIconRecord.h"
#include "platform/qt/ContextBound.h"
#include "platform/qt/Rendering.h"

namespace vedodud::qt {

namespace {

// While the host reads the menu, a popup menu of the icon's window fills it instead of opening.
class HostMenuScope {
public:
    HostMenuScope(WindowTable& table, Long hWnd, QMenu* menu) : table_(table), hWnd_(hWnd) {
        table_.SetHostMenu(hWnd_, menu);
    }
    ~HostMenuScope() { table_.SetHostMenu(hWnd_, nullptr); }
    HostMenuScope(const HostMenuScope&) = delete;
    HostMenuScope& operator=(const HostMenuScope&) = delete;

private:
    WindowTable& table_;
    Long hWnd_;
};

}  // namespace

struct QtShell::Record : NotifyIconFields {
    std::string tip;  // narrow, up to its NUL

    explicit Record(const NotifyIconDataA& data)
        : NotifyIconFields(DecodeRecordFields(data)), tip(DecodeRecordTip(data)) {}
    Key key() const { return {hWnd, uID}; }
};

void QtShell::DeleteLater(QObject* object) {
    if (object) object->deleteLater();
}

std::vector<Long> MouseMessagesFor(TrayItem::Activation reason) {
    switch (reason) {
        case TrayItem::Activation::ContextMenu:
            return {WM_RBUTTONDOWN, WM_RBUTTONUP};
        case TrayItem::Activation::Click:
            return {WM_LBUTTONDOWN, WM_LBUTTONUP};
        case TrayItem::Activation::DoubleClick:
            return {WM_LBUTTONDBLCLK};
        case TrayItem::Activation::MiddleClick:
            return {WM_MBUTTONDOWN, WM_MBUTTONUP};
    }
    return {};
}

QtShell::QtShell(WindowTable& table, CodePage& codePage, NotificationArea& area)
    : table_(table), codePage_(codePage), area_(area) {
    // A destroyed window leaves no icon behind, whoever forgot to delete it.
    table_.OnWindowRemoved(BoundTo(&context_, [this](Long hWnd) { DropIconsOf(hWnd); }));
    area_.OnChange(BoundTo(&context_, [this] { PlaceAll(); }));
}

QtShell::~QtShell() = default;

Long QtShell::Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) {
    const Record record(lpData);
    Long result = 0;
    if (record.cbSize == static_cast<Long>(kNotifyIconDataASize)) {
        if (dwMessage == NIM_ADD) result = Add(record);
        if (dwMessage == NIM_MODIFY) result = Modify(record);
        if (dwMessage == NIM_DELETE) result = Delete(record);
    }
    if (result == 0) LogRefusedOperation(dwMessage, record);
    return result;
}

Long QtShell::Add(const Record& record) {
    if (!table_.IsWindow(record.hWnd) || icons_.contains(record.key())) return 0;
    const Key key = record.key();
    Icon& icon = icons_.emplace(key, Icon{}).first->second;
    Apply(icon, record);
    Place(key, icon);  // or later, when the panel that is still starting is there
    return 1;
}

Long QtShell::Modify(const Record& record) {
    const auto found = icons_.find(record.key());
    if (found == icons_.end()) return 0;
    Apply(found->second, record);
    return 1;
}

Long QtShell::Delete(const Record& record) {
    return icons_.erase(record.key()) ? 1 : 0;
}

void QtShell::Apply(Icon& icon, const Record& record) {
    if (record.uFlags & NIF_MESSAGE) {
        icon.callbackMessage = record.uCallbackMessage;
        icon.notifies = true;
    }
    // Kept on the icon too, for a tray icon made later when a host arrives.
    if (record.uFlags & NIF_ICON) {
        icon.image = table_.Icon(record.hIcon);
        if (icon.item) icon.item->SetIcon(icon.image);
    }
    if (record.uFlags & NIF_TIP) {
        icon.tip = ToQString(codePage_.FromAnsi(record.tip));
        if (icon.item) icon.item->SetToolTip(icon.tip);
    }
}

void QtShell::Place(Key key, Icon& icon) {
    const TrayKind kind = area_.ItemKind();
    if (kind == TrayKind::Undecided) return;
    const std::uint64_t generation = area_.Generation(kind);
    if (icon.item && icon.kind == kind && icon.generation == generation && !icon.item->CheckWhetherLost())
        return;
    icon.item.reset();
    icon.hostMenu.reset();
    icon.kind = kind;
    icon.generation = generation;
    if (DebugLogEnabled())
        DebugLog("shell", "icon (" + std::to_string(key.first) + ", " + std::to_string(key.second) +
                              ") now " +
                              std::string(kind == TrayKind::XEmbed           ? "docked in an XEmbed tray"
                                          : kind == TrayKind::StatusNotifier ? "a StatusNotifierItem"
                                                                             : "waiting for a tray"));
    if (kind == TrayKind::None) return;
    icon.item = area_.CreateItem(kind);
    if (icon.item) Show(key, icon);
}

void QtShell::PlaceAll() {
    for (auto& [key, icon] : icons_) Place(key, icon);
}

void QtShell::Show(Key key, Icon& icon) {
    TrayItem& item = *icon.item;
    item.activated = [this, key](TrayItem::Activation reason) { Activated(key, reason); };
    item.dropped = BoundTo(&context_, [this, key] {
        const auto found = icons_.find(key);
        if (found != icons_.end()) Place(key, found->second);
    });
    // An XEmbed tray gets no menu: the window decides what a click means. A host that shows menus
    // itself gets one, which the window fills when it is opened.
    if (item.ExportsMenu()) {
        icon.hostMenu.reset(new QMenu());
        const auto hostOpensMenu = BoundTo(&context_, [this, key] { HostOpensMenu(key); });
        item.SetMenu(icon.hostMenu.get(), hostOpensMenu);
        // Hosts read the menu as soon as the item registers and may show it without announcing
        // it (xfce4-panel 4.18 never does for the top level): have the window fill it now, the
        // way a right-click would; the exported menu tells a host that has already read it.
        table_.Later(hostOpensMenu);
    }
    item.SetIcon(icon.image);
    item.SetToolTip(icon.tip);
}

void QtShell::Activated(Key key, TrayItem::Activation reason) {
    // Queued: the handler may pop up a menu or delete this very icon, which must not happen
    // inside the icon's own mouse handling. One of each kind at a time: a host that asks for the
    // menu many times at once gets one menu.
    const Activation underway{key, reason};
    if (!activationsUnderway_.insert(underway).second) return;
    table_.Later(BoundTo(&context_, [this, underway] {
        // Bound before the window's handler runs, which may end the shell itself.
        const auto done = BoundTo(&context_, [this, underway] { activationsUnderway_.erase(underway); });
        SendMouseMessages(underway.first, underway.second);
        done();
    }));
}

void QtShell::HostOpensMenu(Key key) {
    const auto found = icons_.find(key);
    if (found == icons_.end() || !found->second.hostMenu) return;
    // A right-click as the window knows it, now, not later: the host reads the menu as soon as
    // this returns. The window's popup fills the host's menu; the choice comes back later.
    const HostMenuScope scope(table_, key.first, found->second.hostMenu.get());
    SendMouseMessages(key, TrayItem::Activation::ContextMenu);
}

void QtShell::SendMouseMessages(Key key, TrayItem::Activation reason) {
    for (const Long mouseMessage : MouseMessagesFor(reason)) {
        const auto found = icons_.find(key);
        if (found == icons_.end() || !found->second.notifies) return;
        table_.SendGuarded(key.first, found->second.callbackMessage, key.second, mouseMessage);
    }
}

void QtShell::DropIconsOf(Long hWnd) {
    std::erase_if(icons_, [hWnd](const auto& entry) { return entry.first.first == hWnd; });
}

}  // namespace vedodud::qt
