// An object the program serves on the session bus, written against raw messages so that no call
// ever waits on the peer: replies go out at once, and signals are fire-and-forget.
#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariantMap>

namespace vedodud::qt {

class BusObject : public QDBusVirtualObject {
public:
    BusObject(QDBusConnection bus, QString path, QString interface, QString introspection);
    ~BusObject() override;

    const QString& Path() const { return path_; }
    // Whether the object could be put on the bus at its path.
    bool Registered() const { return registered_; }
    // Takes the object off the bus; it then answers nothing more.
    void Unregister();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

protected:
    // Every property of the interface, read when a peer asks.
    virtual QVariantMap Properties() const = 0;
    // A method call of the interface; returns the reply's arguments, or false for an unknown method.
    virtual bool Call(const QDBusMessage& message, QList<QVariant>& reply) = 0;
    void EmitSignal(const QString& name, const QList<QVariant>& arguments = {});

    QDBusConnection bus_;

private:
    QString path_;
    QString interface_;
    QString introspection_;
    bool registered_ = false;
};

}  // namespace vedodud::qt
