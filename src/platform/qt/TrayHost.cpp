#include "platform/qt/TrayHost.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QSystemTrayIcon>

namespace vedodud::qt {

namespace {
// A watcher that does not answer must not freeze the window for long.
constexpr int kBusTimeoutMs = 500;
}  // namespace

bool StatusNotifierHostRegistered() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return false;
    QDBusMessage get = QDBusMessage::createMethodCall(
        QStringLiteral("org.kde.StatusNotifierWatcher"), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher")
        << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusMessage reply = bus.call(get, QDBus::Block, kBusTimeoutMs);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) return false;
    return reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

bool DesktopTrayHost::Available() {
    const bool statusNotifierHost = StatusNotifierHostRegistered();
    if (!qtChoseStatusNotifier_) {
        // Only X11 has a tray without one; elsewhere Qt must not look before a host is there, or it
        // would settle on having no tray for the rest of the run.
        const bool x11 = QGuiApplication::platformName() == QStringLiteral("xcb");
        if (!statusNotifierHost && !x11) return false;
        qtChoseStatusNotifier_ = statusNotifierHost;
        // Qt's first look, asking what was just asked, so that its choice is the one recorded.
        (void)QSystemTrayIcon::isSystemTrayAvailable();
    }
    if (*qtChoseStatusNotifier_) return statusNotifierHost;
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool DesktopTrayHost::ShowsExportedMenus() {
    return qtChoseStatusNotifier_.value_or(false);
}

}  // namespace vedodud::qt
