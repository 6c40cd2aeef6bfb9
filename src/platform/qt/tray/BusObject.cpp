#include "platform/qt/tray/BusObject.h"

#include <QDBusVariant>
#include <algorithm>

namespace vedodud::qt {

namespace {

const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");

// One <arg> per complete type of the signature; a signal's have no direction.
QString Arguments(const QString& signature, const char* direction = nullptr) {
    QString xml;
    int depth = 0;
    QString type;
    for (const QChar c : signature) {
        type += c;
        if (c == u'(' || c == u'{') ++depth;
        if (c == u')' || c == u'}') --depth;
        if (depth == 0 && c != u'a') {
            xml += direction ? QStringLiteral("<arg type=\"%1\" direction=\"%2\"/>")
                                   .arg(type, QLatin1String(direction))
                             : QStringLiteral("<arg type=\"%1\"/>").arg(type);
            type.clear();
        }
    }
    return xml;
}

QString Introspection(const BusInterface& interface) {
    QString xml = QStringLiteral("<interface name=\"%1\">").arg(interface.name);
    for (const BusProperty& property : interface.properties)
        xml += QStringLiteral("<property name=\"%1\" type=\"%2\" access=\"read\"/>")
                   .arg(property.name, property.type);
    for (const BusMethod& method : interface.methods)
        xml += QStringLiteral("<method name=\"%1\">%2%3</method>")
                   .arg(method.name, Arguments(method.in, "in"), Arguments(method.out, "out"));
    for (const BusSignal& signal : interface.signals_)
        xml += QStringLiteral("<signal name=\"%1\">%2</signal>").arg(signal.name, Arguments(signal.type));
    return xml + QStringLiteral("</interface>");
}

BusReply WrongSignature(const QDBusMessage& message, const QString& expected) {
    return BusReply::Error(
        bus_error::kInvalidArgs,
        QStringLiteral("%1 takes (%2), not (%3)").arg(message.member(), expected, message.signature()));
}

}  // namespace

BusObject::BusObject(QDBusConnection bus, QString path, BusInterface interface)
    : bus_(std::move(bus)), path_(std::move(path)), interface_(std::move(interface)) {
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
    return Introspection(interface_);
}

const BusProperty* BusObject::Property(const QString& name) const {
    const auto found = std::find_if(interface_.properties.begin(), interface_.properties.end(),
                                    [&name](const BusProperty& property) { return property.name == name; });
    return found == interface_.properties.end() ? nullptr : &*found;
}

BusReply BusObject::Properties(const QDBusMessage& message) const {
    static const std::pair<QString, QString> kMembers[] = {{QStringLiteral("Get"), QStringLiteral("ss")},
                                                           {QStringLiteral("GetAll"), QStringLiteral("s")},
                                                           {QStringLiteral("Set"), QStringLiteral("ssv")}};
    const auto member = std::find_if(std::begin(kMembers), std::end(kMembers), [&message](const auto& known) {
        return known.first == message.member();
    });
    if (member == std::end(kMembers))
        return BusReply::Error(bus_error::kUnknownMethod,
                               QStringLiteral("No such method: %1").arg(message.member()));
    if (message.signature() != member->second) return WrongSignature(message, member->second);
    const QList<QVariant> arguments = message.arguments();
    const QString interface = arguments.at(0).toString();
    if (!interface.isEmpty() && interface != interface_.name)  // none named: ours, the only one
        return BusReply::Error(bus_error::kUnknownInterface,
                               QStringLiteral("No such interface: %1").arg(interface));
    if (member->first == QStringLiteral("GetAll")) {
        QVariantMap all;
        for (const BusProperty& property : interface_.properties) all.insert(property.name, property.read());
        return {{all}};
    }
    const QString name = arguments.at(1).toString();
    const BusProperty* property = Property(name);
    if (!property)
        return BusReply::Error(bus_error::kUnknownProperty, QStringLiteral("No such property: %1").arg(name));
    if (member->first == QStringLiteral("Set"))
        return BusReply::Error(bus_error::kPropertyReadOnly, QStringLiteral("%1 is read-only").arg(name));
    return {{QVariant::fromValue(QDBusVariant(property->read()))}};
}

BusReply BusObject::Answer(const QDBusMessage& message) const {
    const QString interface = message.interface();
    if (interface == kIntrospectable) {
        if (message.member() != QStringLiteral("Introspect"))
            return BusReply::Error(bus_error::kUnknownMethod,
                                   QStringLiteral("No such method: %1").arg(message.member()));
        if (!message.signature().isEmpty()) return WrongSignature(message, {});
        return {{QStringLiteral("<node>%1</node>").arg(Introspection(interface_))}};
    }
    if (interface == kProperties) return Properties(message);
    if (!interface.isEmpty() && interface != interface_.name)
        return BusReply::Error(bus_error::kUnknownInterface,
                               QStringLiteral("No such interface: %1").arg(interface));
    const auto method =
        std::find_if(interface_.methods.begin(), interface_.methods.end(),
                     [&message](const BusMethod& known) { return known.name == message.member(); });
    if (method == interface_.methods.end())
        return BusReply::Error(bus_error::kUnknownMethod,
                               QStringLiteral("No such method: %1").arg(message.member()));
    if (message.signature() != method->in) return WrongSignature(message, method->in);
    return method->run(message.arguments());
}

bool BusObject::handleMessage(const QDBusMessage& message, const QDBusConnection& connection) {
    if (!registered_ || message.path() != path_) return false;
    const BusReply reply = Answer(message);
    if (!message.isReplyRequired()) return true;
    connection.send(reply.error.isEmpty() ? message.createReply(reply.arguments)
                                          : message.createErrorReply(reply.error, reply.text));
    return true;
}

void BusObject::EmitSignal(const QString& name, const QList<QVariant>& arguments) {
    if (!registered_) return;
    QDBusMessage signal = QDBusMessage::createSignal(path_, interface_.name, name);
    signal.setArguments(arguments);
    bus_.send(signal);
}

}  // namespace vedodud::qt
