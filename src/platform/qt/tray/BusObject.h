// An object the program serves on the session bus, declared as one table of its methods and
// properties. Every call is checked against that table before anything runs: a wrong signature, an
// unknown member, property or interface gets the matching error, and every call gets an answer at
// once. Signals are fire-and-forget, so no call ever waits on the peer.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <vector>

namespace vedodud::qt {

// What a method answers: its out arguments, or an error by name.
struct BusReply {
    BusReply() = default;
    BusReply(QList<QVariant> out) : arguments(std::move(out)) {}
    static BusReply Error(QString name, QString text) {
        BusReply reply;
        reply.error = std::move(name);
        reply.text = std::move(text);
        return reply;
    }

    QList<QVariant> arguments;
    QString error;
    QString text;
};

struct BusMethod {
    QString name;
    QString in;   // the signature a call must have
    QString out;  // the reply's, for the introspection data
    std::function<BusReply(const QList<QVariant>& arguments)> run;
};

struct BusProperty {
    QString name;
    QString type;
    std::function<QVariant()> read;  // every property is read-only
};

struct BusSignal {
    QString name;
    QString type;
};

struct BusInterface {
    QString name;
    std::vector<BusMethod> methods;
    std::vector<BusProperty> properties;
    std::vector<BusSignal> signals_;
};

namespace bus_error {
inline const QString kInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
inline const QString kUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
inline const QString kUnknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
inline const QString kUnknownProperty = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");
inline const QString kPropertyReadOnly = QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly");
}  // namespace bus_error

class BusObject : public QDBusVirtualObject {
public:
    BusObject(QDBusConnection bus, QString path, BusInterface interface);
    ~BusObject() override;

    // Takes the object off the bus; it then answers nothing more.
    void Unregister();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;
    // The answer to a call, as it goes out on the bus.
    BusReply Answer(const QDBusMessage& message) const;
    void EmitSignal(const QString& name, const QList<QVariant>& arguments = {});

private:
    BusReply Properties(const QDBusMessage& message) const;
    const BusProperty* Property(const QString& name) const;

    QDBusConnection bus_;
    QString path_;
    BusInterface interface_;
    bool registered_ = false;
};

}  // namespace vedodud::qt
