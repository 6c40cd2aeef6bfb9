#include "platform/qt/QtShell.h"

#include <algorithm>
#include <string>

#include "platform/common/DebugLog.h"
#include "platform/common/NotifyIconRecord.h"
#include "platform/qt/Rendering.h"

namespace vedodud::qt {

namespace {

// How often to look for a notification area while an icon waits for one.
constexpr int kHostWatchMs = 1000;

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
    if (!object) return;
    if (auto* trayIcon = qobject_cast<QSystemTrayIcon*>(object)) trayIcon->hide();
    object->deleteLater();
}

std::vector<Long> MouseMessagesFor(QSystemTrayIcon::ActivationReason reason) {
    switch (reason) {
        case QSystemTrayIcon::Context:
            return {WM_RBUTTONDOWN, WM_RBUTTONUP};
        case QSystemTrayIcon::Trigger:
            return {WM_LBUTTONDOWN, WM_LBUTTONUP};
        case QSystemTrayIcon::DoubleClick:
            return {WM_LBUTTONDBLCLK};
        case QSystemTrayIcon::MiddleClick:
            return {WM_MBUTTONDOWN, WM_MBUTTONUP};
        case QSystemTrayIcon::Unknown:
            break;
    }
    return {};
}

QtShell::QtShell(WindowTable& table, CodePage& codePage, TrayHost& host)
    : table_(table), codePage_(codePage), host_(host), alive_(std::make_shared<bool>(true)) {
    // A destroyed window leaves no icon behind, whoever forgot to delete it.
    std::weak_ptr<bool> alive = alive_;
    table_.OnWindowRemoved([this, alive](Long hWnd) {
        if (alive.lock()) DropIconsOf(hWnd);
    });
    hostWatch_.setInterval(kHostWatchMs);
    QObject::connect(&hostWatch_, &QTimer::timeout, &hostWatch_, [this] { ShowWaitingIcons(); });
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
    // The caller ignores the answer, as Windows programs do; the log is the only trace.
    if (result == 0 && DebugLogEnabled())
        DebugLog("shell", "operation " + std::to_string(dwMessage) + " refused for icon (" +
                              std::to_string(record.hWnd) + ", " + std::to_string(record.uID) +
                              "), record of " + std::to_string(record.cbSize) + " bytes");
    return result;
}

Long QtShell::Add(const Record& record) {
    if (!table_.IsWindow(record.hWnd) || icons_.contains(record.key())) return 0;
    const Key key = record.key();
    Icon& icon = icons_.emplace(key, Icon{}).first->second;
    Apply(icon, record);
    if (host_.Available()) {
        Show(key, icon);
    } else {
        hostWatch_.start();  // the panel may still be starting, or restarting
    }
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
        if (icon.trayIcon) icon.trayIcon->setIcon(icon.image);
    }
    if (record.uFlags & NIF_TIP) {
        icon.tip = ToQString(codePage_.FromAnsi(record.tip));
        if (icon.trayIcon) icon.trayIcon->setToolTip(icon.tip);
    }
}

void QtShell::Show(Key key, Icon& icon) {
    icon.trayIcon.reset(new QSystemTrayIcon());
    QSystemTrayIcon* trayIcon = icon.trayIcon.get();
    QObject::connect(trayIcon, &QSystemTrayIcon::activated, trayIcon,
                     [this, key](QSystemTrayIcon::ActivationReason reason) { Activated(key, reason); });
    // An XEmbed tray gets no menu: Qt would pop it up itself, and the window decides what a click
    // means. A host that shows menus itself gets one, which the window fills when it is opened.
    if (host_.ShowsExportedMenus()) {
        icon.hostMenu.reset(new QMenu());
        QObject::connect(icon.hostMenu.get(), &QMenu::aboutToShow, trayIcon,
                         [this, key] { HostOpensMenu(key); });
        trayIcon->setContextMenu(icon.hostMenu.get());
        // Hosts read the menu as soon as the item registers and may show it without announcing
        // it (xfce4-panel 4.18 never does for the top level): have the window fill it now, the
        // way a right-click would; LayoutUpdated tells a host that has already read it.
        std::weak_ptr<bool> alive = alive_;
        table_.Later([this, alive, key] {
            if (alive.lock()) HostOpensMenu(key);
        });
    }
    trayIcon->setIcon(icon.image);
    trayIcon->setToolTip(icon.tip);
    trayIcon->show();
}

void QtShell::ShowWaitingIcons() {
    const bool waiting =
        std::any_of(icons_.begin(), icons_.end(), [](const auto& e) { return !e.second.trayIcon; });
    if (waiting && !host_.Available()) return;
    hostWatch_.stop();
    for (auto& [key, icon] : icons_)
        if (!icon.trayIcon) Show(key, icon);
}

void QtShell::Activated(Key key, QSystemTrayIcon::ActivationReason reason) {
    // Queued: the handler may pop up a menu or delete this very icon, which must not happen
    // inside the icon's own mouse handling.
    std::weak_ptr<bool> alive = alive_;
    table_.Later([this, alive, key, reason] {
        if (alive.lock()) SendMouseMessages(key, reason);
    });
}

void QtShell::HostOpensMenu(Key key) {
    const auto found = icons_.find(key);
    if (found == icons_.end() || !found->second.hostMenu) return;
    // A right-click as the window knows it, now, not later: the host reads the menu as soon as
    // this returns. The window's popup fills the host's menu; the choice comes back later.
    const HostMenuScope scope(table_, key.first, found->second.hostMenu.get());
    SendMouseMessages(key, QSystemTrayIcon::Context);
}

void QtShell::SendMouseMessages(Key key, QSystemTrayIcon::ActivationReason reason) {
    for (const Long mouseMessage : MouseMessagesFor(reason)) {
        const auto found = icons_.find(key);
        if (found == icons_.end() || !found->second.notifies) return;
        table_.SendGuarded(key.first, found->second.callbackMessage, key.second, mouseMessage);
    }
}

void QtShell::DropIconsOf(Long hWnd) {
    std::erase_if(icons_, [hWnd](const auto& entry) { return entry.first.first == hWnd; });
}

QSystemTrayIcon* QtShell::TrayIcon(Long hWnd, Long uID) const {
    const auto found = icons_.find({hWnd, uID});
    return found == icons_.end() ? nullptr : found->second.trayIcon.get();
}

std::vector<QSystemTrayIcon*> QtShell::TrayIcons() const {
    std::vector<QSystemTrayIcon*> shown;
    for (const auto& [key, icon] : icons_)
        if (icon.trayIcon) shown.push_back(icon.trayIcon.get());
    return shown;
}

QMenu* QtShell::HostMenu(Long hWnd, Long uID) const {
    const auto found = icons_.find({hWnd, uID});
    return found == icons_.end() ? nullptr : found->second.hostMenu.get();
}

}  // namespace vedodud::qt
