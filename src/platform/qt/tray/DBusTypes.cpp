#include "platform/qt/tray/DBusTypes.h"

#include <QDBusMetaType>

namespace vedodud::qt {

namespace {

// Each structure is its fields in order, between the structure's brackets.
template <class... Fields>
QDBusArgument& Marshal(QDBusArgument& argument, const Fields&... fields) {
    argument.beginStructure();
    (argument << ... << fields);
    argument.endStructure();
    return argument;
}

template <class... Fields>
const QDBusArgument& Unmarshal(const QDBusArgument& argument, Fields&... fields) {
    argument.beginStructure();
    (argument >> ... >> fields);
    argument.endStructure();
    return argument;
}

}  // namespace

QDBusArgument& operator<<(QDBusArgument& a, const DBusIconPixmap& p) {
    return Marshal(a, p.width, p.height, p.argb);
}
const QDBusArgument& operator>>(const QDBusArgument& a, DBusIconPixmap& p) {
    return Unmarshal(a, p.width, p.height, p.argb);
}
QDBusArgument& operator<<(QDBusArgument& a, const DBusToolTip& t) {
    return Marshal(a, t.iconName, t.icon, t.title, t.description);
}
const QDBusArgument& operator>>(const QDBusArgument& a, DBusToolTip& t) {
    return Unmarshal(a, t.iconName, t.icon, t.title, t.description);
}
QDBusArgument& operator<<(QDBusArgument& a, const DBusMenuLayout& l) {
    return Marshal(a, l.id, l.properties, l.children);
}
const QDBusArgument& operator>>(const QDBusArgument& a, DBusMenuLayout& l) {
    return Unmarshal(a, l.id, l.properties, l.children);
}
QDBusArgument& operator<<(QDBusArgument& a, const DBusMenuItem& i) {
    return Marshal(a, i.id, i.properties);
}
const QDBusArgument& operator>>(const QDBusArgument& a, DBusMenuItem& i) {
    return Unmarshal(a, i.id, i.properties);
}

void RegisterDBusTypes() {
    static const bool registered = [] {
        qDBusRegisterMetaType<DBusIconPixmap>();
        qDBusRegisterMetaType<DBusIconPixmaps>();
        qDBusRegisterMetaType<DBusToolTip>();
        qDBusRegisterMetaType<DBusMenuLayout>();
        qDBusRegisterMetaType<DBusMenuItem>();
        qDBusRegisterMetaType<DBusMenuItems>();
        return true;
    }();
    (void)registered;
}

}  // namespace vedodud::qt
