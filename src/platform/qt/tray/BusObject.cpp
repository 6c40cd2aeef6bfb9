#include "platform/qt/tray/BusObject.h"

#include <QDBusVariant>

namespace vedodud::qt {

namespace {
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");
}  // namespace

BusObject::BusObject(QDBusConnection bus, QString path, QString interface, QString introspection)
    : bus_(std::move(bus)),
      path_(std::move(path)),
      interface_(std::move(interface)),
      introspection_(std::move(introspection)) {
    registered_ = bus_.registerVirtualObject(path_, this);
}

BusObject::~BusObject() {
    Unregister();
}

void BusObject::Unregister() {
    if (!registered_) return;
    registered_ = false;
    bus_.unregisterObject(path_);
}

QString BusObject::introspect(const QString&) const {
    return introspection_;
}

bool BusObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (!registered_ || message.path() != path_) return false;
    QList<QVariant> reply;
    bool known = false;
    const QList<QVariant> arguments = message.arguments();
    if (message.interface() == kIntrospectable && message.member() == QStringLiteral("Introspect")) {
        reply << QStringLiteral("<node>%1</node>").arg(introspection_);
        known = true;
    } else if (message.interface() == kProperties && !arguments.isEmpty() &&
               arguments.constFirst().toString() == interface_) {
        const QVariantMap properties = Properties();
        if (message.member() == QStringLiteral("GetAll")) {
            reply << properties;
            known = true;
        } else if (message.member() == QStringLiteral("Get") && arguments.size() == 2 &&
                   properties.contains(arguments.at(1).toString())) {
            reply << QVariant::fromValue(QDBusVariant(properties.value(arguments.at(1).toString())));
            known = true;
        }
    } else if (message.interface() == interface_ || message.interface().isEmpty()) {
        known = Call(message, reply);
    }
    if (!known) {
        connection.send(message.createErrorReply(
            QDBusError::UnknownMethod,
            QStringLiteral("No such method or property: %1.%2").arg(message.interface(), message.member())));
        return true;
    }
    if (!message.isReplyRequired() || message.isDelayedReply()) return true;
    connection.send(message.createReply(reply));
    return true;
}

void BusObject::EmitSignal(const QString& name, const QList<QVariant>& arguments) {
    if (!registered_) return;
    QDBusMessage signal = QDBusMessage::createSignal(path_, interface_, name);
    signal.setArguments(arguments);
    bus_.send(signal);
}

}  // namespace vedodud::qt
