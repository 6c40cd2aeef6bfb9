#include "platform/qt/QtShell.h"

#include <cstring>
#include <string>

#include "platform/qt/Rendering.h"

namespace vedodud::qt {

namespace {

constexpr std::size_t kTipOffset = 24;
constexpr std::size_t kTipBytes = 64;

Long ReadLong(const NotifyIconDataA& data, std::size_t offset) {
    const std::uint32_t value = std::uint32_t{data[offset]} | (std::uint32_t{data[offset + 1]} << 8) |
                                (std::uint32_t{data[offset + 2]} << 16) |
                                (std::uint32_t{data[offset + 3]} << 24);
    return static_cast<Long>(value);
}

void DeleteLater(QSystemTrayIcon* icon) {
    if (!icon) return;
    icon->hide();
    // Later: the icon may be the one whose activation led here.
    icon->deleteLater();
}

}  // namespace

struct QtShell::Record {
    Long cbSize, hWnd, uID, uFlags, uCallbackMessage, hIcon;
    std::string tip;  // narrow, up to its NUL

    explicit Record(const NotifyIconDataA& data)
        : cbSize(ReadLong(data, 0)),
          hWnd(ReadLong(data, 4)),
          uID(ReadLong(data, 8)),
          uFlags(ReadLong(data, 12)),
          uCallbackMessage(ReadLong(data, 16)),
          hIcon(ReadLong(data, 20)) {
        const char* tipStart = reinterpret_cast<const char*>(data.data() + kTipOffset);
        tip.assign(tipStart, strnlen(tipStart, kTipBytes));
    }
    Key key() const { return {hWnd, uID}; }
};

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

QtShell::QtShell(WindowTable& table, CodePage& codePage)
    : table_(table), codePage_(codePage), alive_(std::make_shared<bool>(true)) {
    // A destroyed window leaves no icon behind, whoever forgot to delete it.
    std::weak_ptr<bool> alive = alive_;
    table_.OnWindowRemoved([this, alive](Long hWnd) {
        if (alive.lock()) DropIconsOf(hWnd);
    });
}

QtShell::~QtShell() = default;

Long QtShell::Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) {
    const Record record(lpData);
    if (record.cbSize != static_cast<Long>(kNotifyIconDataASize)) return 0;
    switch (dwMessage) {
        case NIM_ADD:
            return Add(record);
        case NIM_MODIFY:
            return Modify(record);
        case NIM_DELETE:
            return Delete(record);
        default:
            return 0;
    }
}

Long QtShell::Add(const Record& record) {
    if (!table_.IsWindow(record.hWnd) || icons_.contains(record.key())) return 0;
    Icon icon{{new QSystemTrayIcon(), &DeleteLater}, 0, false};
    QSystemTrayIcon* trayIcon = icon.trayIcon.get();
    // No menu of Qt's own: the window decides what a click means.
    const Key key = record.key();
    QObject::connect(trayIcon, &QSystemTrayIcon::activated, trayIcon,
                     [this, key](QSystemTrayIcon::ActivationReason reason) { Activated(key, reason); });
    Apply(icon, record);
    trayIcon->show();
    icons_.emplace(key, std::move(icon));
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
    if (record.uFlags & NIF_ICON) icon.trayIcon->setIcon(table_.Icon(record.hIcon));
    if (record.uFlags & NIF_TIP) icon.trayIcon->setToolTip(ToQString(codePage_.FromAnsi(record.tip)));
}

void QtShell::Activated(Key key, QSystemTrayIcon::ActivationReason reason) {
    // Queued: the handler may pop up a menu or delete this very icon, which must not happen
    // inside the icon's own mouse handling.
    std::weak_ptr<bool> alive = alive_;
    table_.Later([this, alive, key, reason] {
        if (!alive.lock()) return;
        for (const Long mouseMessage : MouseMessagesFor(reason)) {
            const auto found = icons_.find(key);
            if (found == icons_.end() || !found->second.notifies) return;
            table_.SendGuarded(key.first, found->second.callbackMessage, key.second, mouseMessage);
        }
    });
}

void QtShell::DropIconsOf(Long hWnd) {
    std::erase_if(icons_, [hWnd](const auto& entry) { return entry.first.first == hWnd; });
}

QSystemTrayIcon* QtShell::TrayIcon(Long hWnd, Long uID) const {
    const auto found = icons_.find({hWnd, uID});
    return found == icons_.end() ? nullptr : found->second.trayIcon.get();
}

}  // namespace vedodud::qt
