// The structures StatusNotifierItem and DBusMenu hosts read, marshalled as their interfaces say.
#pragma once

#include <QByteArray>
#include <QDBusArgument>
#include <QDBusVariant>
#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace vedodud::qt {

// (iiay): one size of an icon, ARGB32 pixels in network byte order.
struct DBusIconPixmap {
    int width = 0;
    int height = 0;
    QByteArray argb;
};
using DBusIconPixmaps = QList<DBusIconPixmap>;

// (sa(iiay)ss): icon name, icon, title, description.
struct DBusToolTip {
    QString iconName;
    DBusIconPixmaps icon;
    QString title;
    QString description;
};

// (ia{sv}av): a menu entry, its properties and its children, each child such a structure again.
struct DBusMenuLayout {
    int id = 0;
    QVariantMap properties;
    QList<QDBusVariant> children;
};

// (ia{sv}): an entry's properties without its children.
struct DBusMenuItem {
    int id = 0;
    QVariantMap properties;
};
using DBusMenuItems = QList<DBusMenuItem>;

QDBusArgument& operator<<(QDBusArgument& argument, const DBusIconPixmap& pixmap);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusIconPixmap& pixmap);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusToolTip& tip);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusToolTip& tip);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuLayout& layout);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuLayout& layout);
QDBusArgument& operator<<(QDBusArgument& argument, const DBusMenuItem& item);
const QDBusArgument& operator>>(const QDBusArgument& argument, DBusMenuItem& item);

// Once per process, before any of these is sent.
void RegisterDBusTypes();

}  // namespace vedodud::qt

Q_DECLARE_METATYPE(vedodud::qt::DBusIconPixmap)
Q_DECLARE_METATYPE(vedodud::qt::DBusToolTip)
Q_DECLARE_METATYPE(vedodud::qt::DBusMenuLayout)
Q_DECLARE_METATYPE(vedodud::qt::DBusMenuItem)
