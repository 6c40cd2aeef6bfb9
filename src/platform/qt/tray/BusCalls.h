// The calls the tray makes on the session bus: to the bus daemon and to the StatusNotifierWatcher,
// never waited for.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QString>
#include <memory>

namespace vedodud::qt {

inline const QString kWatcherService = QStringLiteral("org.kde.StatusNotifierWatcher");
inline const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");

// A method of the bus daemon itself: it always answers, but the program still does not wait for it.
inline QDBusMessage DaemonCall(const QString& method, const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(QStringLiteral("org.freedesktop.DBus"),
                                                       QStringLiteral("/org/freedesktop/DBus"),
                                                       QStringLiteral("org.freedesktop.DBus"), method);
    call.setArguments(arguments);
    return call;
}

// A method of the watcher, or of its org.freedesktop.DBus.Properties when `interface` says so.
inline QDBusMessage WatcherCall(const QString& method, const QString& interface = kWatcherService) {
    return QDBusMessage::createMethodCall(kWatcherService, kWatcherPath, interface, method);
}

// Runs `done` with the reply when `call` finishes, unless its owner (`alive`) has gone by then.
template <class Done>
void OnReply(const QDBusPendingCall& call, const std::shared_ptr<bool>& alive, Done done) {
    auto* watcher = new QDBusPendingCallWatcher(call);
    std::weak_ptr<bool> weak = alive;
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [weak, done](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         if (weak.lock()) done(finished->reply());
                     });
}

}  // namespace vedodud::qt
