// The tray's bus objects as any caller on the session bus sees them: each call, well-formed or not,
// gets its reply or the error that names what was wrong, and a flood of calls changes nothing.
// Runs on a private session bus (dbus-run-session).
#include <gtest/gtest.h>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTest>

#include "platform/qt/tray/NotificationArea.h"
#include "platform/qt/tray/StatusNotifierItem.h"

namespace vedodud::qt {

// (isvu): a menu event as a host sends it.
struct MenuEvent {
    int id = 0;
    QString kind;
    QDBusVariant data;
    uint timestamp = 0;
};
QDBusArgument& operator<<(QDBusArgument& a, const MenuEvent& e) {
    a.beginStructure();
    a << e.id << e.kind << e.data << e.timestamp;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MenuEvent& e) {
    a.beginStructure();
    a >> e.id >> e.kind >> e.data >> e.timestamp;
    a.endStructure();
    return a;
}

}  // namespace vedodud::qt

Q_DECLARE_METATYPE(vedodud::qt::MenuEvent)

namespace vedodud::qt {
namespace {

const QString kItem = QStringLiteral("/StatusNotifierItem"), kMenu = QStringLiteral("/MenuBar");
const QString kItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenuInterface = QStringLiteral("com.canonical.dbusmenu");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QIcon IconOfSizes(const QList<int>& sizes) {
    QIcon icon;
    for (const int size : sizes) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter(&pixmap).fillRect(1, 1, size - 2, size - 2, Qt::red);
        icon.addPixmap(pixmap);
    }
    return icon;
}

template <class T>
QVariant Marshalled(const T& value) {
    return QVariant::fromValue(value);
}
// (ia{sv}) where (isvu) belongs: a malformed event.
const QVariant kMalformedEvents = Marshalled(DBusMenuItems{{1, {}}});

int OpenDescriptors() {
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::System).size());
}

class TrayBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        qDBusRegisterMetaType<MenuEvent>();
        qDBusRegisterMetaType<QList<MenuEvent>>();
        ASSERT_TRUE(caller.isConnected()) << "needs a session bus";
        ASSERT_TRUE(item->Connected());
        QObject::connect(menu.addAction(QStringLiteral("&Do Stuff...")), &QAction::triggered,
                         [this] { ++doStuffChosen; });
        menu.addSeparator();
        menu.addAction(QStringLiteral("&Close"));
        item->SetMenu(&menu, [] {});
        item->activated = [this](TrayItem::Activation reason) { activations.push_back(reason); };
        item->SetIcon(IconOfSizes({16, 32, 48}));
    }

    QDBusMessage Call(const QString& path, const QString& interface, const QString& method,
                      const QList<QVariant>& arguments) {
        QDBusMessage call = QDBusMessage::createMethodCall(item->ServiceName(), path, interface, method);
        call.setArguments(arguments);
        return caller.call(call, QDBus::BlockWithGui, 5000);
    }

    QDBusConnection caller = QDBusConnection::sessionBus();
    QMenu menu;
    std::unique_ptr<StatusNotifierItem, RetireItem> item{new StatusNotifierItem()};
    std::vector<TrayItem::Activation> activations;
    int doStuffChosen = 0;
};

TEST_F(TrayBusTest, EveryCallGetsItsReplyOrTheErrorThatNamesWhatWasWrong) {
    const QString invalid = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
    const QString unknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
    const QString unknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
    const QString unknownProperty = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");
    const QString readOnly = QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly");
    const QVariant aValue = Marshalled(QDBusVariant(1));
    const QList<int> manyIds = [] {
        QList<int> ids(5000, 1);
        ids << 3 << 99 << -4 << 3;
        return ids;
    }();
    const QList<MenuEvent> clicks = [] {
        QList<MenuEvent> events(100, MenuEvent{1, QStringLiteral("clicked"), QDBusVariant(0), 0});
        events << MenuEvent{77, QStringLiteral("clicked"), QDBusVariant(0), 0};
        return events;
    }();
    struct Case {
        QString path, interface, method;
        QList<QVariant> arguments;
        QString expected;  // the error's name, or the reply's signature
    };
    const Case cases[] = {
        {kItem, kItemInterface, "Activate", {1, 2}, ""},
        {kItem, kItemInterface, "ContextMenu", {1, 2}, ""},
        {kItem, kItemInterface, "SecondaryActivate", {1, 2}, ""},
        {kItem, kItemInterface, "Scroll", {3, QStringLiteral("vertical")}, ""},
        {kItem, kItemInterface, "Activate", {QStringLiteral("x"), 2}, invalid},
        {kItem, kItemInterface, "Activate", {1}, invalid},
        {kItem, kItemInterface, "Explode", {}, unknownMethod},
        {kItem, "org.example.Other", "Activate", {1, 2}, unknownInterface},
        {kItem, kProperties, "Get", {kItemInterface, QStringLiteral("Menu")}, "v"},
        {kItem, kProperties, "Get", {kItemInterface, QStringLiteral("Nothing")}, unknownProperty},
        {kItem, kProperties, "Get", {kMenuInterface, QStringLiteral("Menu")}, unknownInterface},
        {kItem, kProperties, "Get", {kItemInterface}, invalid},
        {kItem, kProperties, "GetAll", {kItemInterface}, "a{sv}"},
        {kItem, kProperties, "Set", {kItemInterface, QStringLiteral("Id"), aValue}, readOnly},
        {kItem, kProperties, "Set", {kItemInterface, QStringLiteral("No"), aValue}, unknownProperty},
        {kItem, "org.freedesktop.DBus.Introspectable", "Introspect", {}, "s"},
        {kMenu, kMenuInterface, "GetLayout", {0, -1, QStringList()}, "u(ia{sv}av)"},
        {kMenu, kMenuInterface, "GetLayout", {42, -1, QStringList()}, invalid},
        {kMenu, kMenuInterface, "GetProperty", {1, QStringLiteral("label")}, "v"},
        {kMenu, kMenuInterface, "GetProperty", {42, QStringLiteral("label")}, invalid},
        {kMenu, kMenuInterface, "GetProperty", {1, QStringLiteral("icon-data")}, unknownProperty},
        {kMenu, kMenuInterface, "GetGroupProperties", {Marshalled(manyIds), QStringList()}, "a(ia{sv})"},
        {kMenu, kMenuInterface, "Event", {42, QStringLiteral("clicked"), aValue, 0u}, invalid},
        {kMenu, kMenuInterface, "EventGroup", {kMalformedEvents}, invalid},
        {kMenu, kMenuInterface, "EventGroup", {Marshalled(clicks)}, "ai"},
        {kMenu, kMenuInterface, "AboutToShow", {0}, "b"},
        {kMenu, kMenuInterface, "AboutToShow", {42}, invalid},
        {kMenu, kMenuInterface, "AboutToShowGroup", {Marshalled(manyIds)}, "aiai"},
        {kMenu, kProperties, "Get", {kMenuInterface, QStringLiteral("Version")}, "v"},
        {kMenu, kProperties, "GetAll", {kItemInterface}, unknownInterface},
    };
    for (const Case& c : cases) {
        const QDBusMessage reply = Call(c.path, c.interface, c.method, c.arguments);
        const QString got =
            reply.type() == QDBusMessage::ErrorMessage ? reply.errorName() : reply.signature();
        EXPECT_EQ(got, c.expected) << (c.path + " " + c.method).toStdString() << ": "
                                   << reply.errorMessage().toStdString();
    }

    // Answers bounded whatever the icon's sizes: pixels of two sizes, none above 64.
    item->SetIcon(IconOfSizes({16, 22, 24, 32, 48, 64, 128, 256, 1024}));
    const QDBusMessage all = Call(kItem, kProperties, "GetAll", {kItemInterface});
    const QDBusMessage one = Call(kItem, kProperties, "Get", {kItemInterface, QStringLiteral("IconPixmap")});
    ASSERT_EQ(all.arguments().size(), 1);
    ASSERT_EQ(one.arguments().size(), 1);
    for (const QVariant& answer : {qdbus_cast<QVariantMap>(all.arguments().at(0)).value("IconPixmap"),
                                   one.arguments().at(0).value<QDBusVariant>().variant()}) {
        const DBusIconPixmaps pixmaps = qdbus_cast<DBusIconPixmaps>(answer);
        qsizetype bytes = 0;
        for (const DBusIconPixmap& pixmap : pixmaps) {
            EXPECT_LE(std::max(pixmap.width, pixmap.height), 64);
            bytes += pixmap.argb.size();
        }
        EXPECT_EQ(pixmaps.size(), 2);
        EXPECT_LE(bytes, 20000);
    }
    const QVariantMap properties = qdbus_cast<QVariantMap>(all.arguments().at(0));
    EXPECT_EQ(properties.value("IconName").toString(), "vedodud");

    // Replies bounded by the menu: each existing id once, unknown ones named once each.
    const QDBusMessage group =
        Call(kMenu, kMenuInterface, "GetGroupProperties", {Marshalled(manyIds), QStringList()});
    DBusMenuItems items;
    group.arguments().at(0).value<QDBusArgument>() >> items;
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items.at(0).id, 1);
    EXPECT_EQ(items.at(1).id, 3);
    EXPECT_EQ(items.at(1).properties.value("label").toString(), "_Close");
    const QDBusMessage errors = Call(kMenu, kMenuInterface, "AboutToShowGroup", {Marshalled(manyIds)});
    EXPECT_EQ(qdbus_cast<QList<int>>(errors.arguments().at(1)), (QList<int>{99, -4}));

    // A hundred clicks on one entry in one call choose it once.
    QCoreApplication::processEvents();
    EXPECT_EQ(doStuffChosen, 1);
    EXPECT_EQ(activations, (std::vector<TrayItem::Activation>{TrayItem::Activation::Click,
                                                              TrayItem::Activation::ContextMenu,
                                                              TrayItem::Activation::MiddleClick}));
}

TEST_F(TrayBusTest, TheIconOffersASmallAndAMediumSizeEachOnce) {
    const struct {
        QList<int> has, offered;
    } cases[] = {
        {{16, 32, 48, 1024}, {16, 48}},
        {{16, 22, 24, 32, 48, 64, 128, 256}, {22, 64}},
        {{128, 256}, {22, 64}},
        {{32}, {22, 32}},  // the small one scaled down from it
        {{16}, {16}},      // never scaled up
    };
    for (const auto& c : cases) {
        QList<int> widths;
        for (const DBusIconPixmap& pixmap : IconPixmaps(IconOfSizes(c.has))) widths << pixmap.width;
        EXPECT_EQ(widths, c.offered) << c.has.size() << " sizes from " << c.has.first();
    }
    const DBusIconPixmap& first = IconPixmaps(IconOfSizes({16})).at(0);
    EXPECT_EQ(first.argb.size(), 16 * 16 * 4);
    EXPECT_EQ(first.argb.mid(0, 4), QByteArray(4, '\0'));                       // a transparent corner
    EXPECT_EQ(first.argb.mid((16 + 1) * 4, 4), QByteArray("\xff\xff\0\0", 4));  // red, ARGB in network order
}

TEST_F(TrayBusTest, AFloodOfCallsIsAnsweredAndLeavesTheProgramAsItWas) {
    Call(kMenu, kMenuInterface, "GetLayout", {0, -1, QStringList()});  // the connection is warm
    const int descriptors = OpenDescriptors();
    constexpr int kCalls = 3000;
    int answered = 0;
    for (int i = 0; i < kCalls; ++i) {
        QDBusMessage call =
            i % 2 ? QDBusMessage::createMethodCall(item->ServiceName(), kMenu, kMenuInterface, "EventGroup")
                  : QDBusMessage::createMethodCall(item->ServiceName(), kItem, kItemInterface, "ContextMenu");
        call.setArguments(i % 2 ? QList<QVariant>{kMalformedEvents} : QList<QVariant>{i, i});
        auto* watcher = new QDBusPendingCallWatcher(caller.asyncCall(call, 20000));
        QObject::connect(watcher, &QDBusPendingCallWatcher::finished,
                         [&answered](QDBusPendingCallWatcher* done) {
                             ++answered;
                             done->deleteLater();
                         });
    }
    ASSERT_TRUE(QTest::qWaitFor([&answered] { return answered == kCalls; }, 20000)) << answered;
    EXPECT_EQ(activations.size(), static_cast<size_t>(kCalls / 2));
    EXPECT_EQ(Call(kItem, kProperties, "Get", {kItemInterface, QStringLiteral("Title")}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(Call(kMenu, kMenuInterface, "GetLayout", {0, -1, QStringList()}).signature(), "u(ia{sv}av)");
    EXPECT_EQ(menu.actions().size(), 3);
    EXPECT_EQ(OpenDescriptors(), descriptors);
    EXPECT_EQ(doStuffChosen, 0);
}

// A panel that goes away while its watcher stays, and comes back: the program hears of both.
TEST(NotificationAreaOnTheBus, AHostThatLeavesOrComesIsHeardFromTheWatcher) {
    const QString name = QStringLiteral("org.kde.StatusNotifierWatcher");
    QDBusConnection bus =
        QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("watcher"));
    bool hostThere = true;
    auto accept = [](const QList<QVariant>&) { return BusReply{}; };
    BusObject watcher(bus, QStringLiteral("/StatusNotifierWatcher"),
                      {name,
                       {{QStringLiteral("RegisterStatusNotifierItem"), QStringLiteral("s"), {}, accept}},
                       {{QStringLiteral("IsStatusNotifierHostRegistered"), QStringLiteral("b"),
                         [&hostThere] { return QVariant(hostThere); }}},
                       {{QStringLiteral("StatusNotifierHostRegistered"), {}},
                        {QStringLiteral("StatusNotifierHostUnregistered"), {}}}});
    ASSERT_TRUE(bus.registerService(name));
    DesktopNotificationArea tray;
    int changes = 0;
    tray.OnChange([&changes] { ++changes; });
    ASSERT_TRUE(QTest::qWaitFor([&tray] { return tray.Available(); }, 5000));
    for (const bool there : {false, true}) {
        hostThere = there;
        const int before = changes;
        watcher.EmitSignal(there ? QStringLiteral("StatusNotifierHostRegistered")
                                 : QStringLiteral("StatusNotifierHostUnregistered"));
        EXPECT_TRUE(QTest::qWaitFor([&tray, there] { return tray.Available() == there; }, 5000)) << there;
        EXPECT_GT(changes, before);
        EXPECT_EQ(tray.ItemKind(), TrayKind::StatusNotifier);  // the item stays for the host to come
    }
    bus.unregisterService(name);
    EXPECT_TRUE(QTest::qWaitFor([&tray] { return !tray.Available(); }, 5000));  // the watcher went
}

}  // namespace
}  // namespace vedodud::qt
