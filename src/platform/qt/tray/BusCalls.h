// The calls the tray makes on the session bus: to the bus daemon and to the StatusNotifierWatcher,
// never waited for.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QObject>
#include <QString>

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

// Runs `done` with the reply when `call` finishes, unless `context` has gone by then: the owner's
// context object, as for every callback of the tray.
template <class Done>
void OnReply(const QDBusPendingCall& call, QObject* context, Done done) {
    auto* watcher = new QDBusPendingCallWatcher(call, context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [done](QDBusPendingCallWatcher* finished) {
                         finished->deleteLater();
                         done(finished->reply());
                     });
}

}  // namespace vedodud::qt
