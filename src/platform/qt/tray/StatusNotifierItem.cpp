#include "platform/qt/tray/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QTimer>
#include <QtEndian>

#include "platform/qt/tray/BusCalls.h"
#include "platform/qt/tray/DBusTypes.h"

namespace vedodud::qt {

namespace {

const QString kInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString kIntrospection = QString::fromLatin1(R"xml(<interface name="org.kde.StatusNotifierItem">
<property name="Category" type="s" access="read"/><property name="Id" type="s" access="read"/>
<property name="Title" type="s" access="read"/><property name="Status" type="s" access="read"/>
<property name="WindowId" type="i" access="read"/><property name="IconThemePath" type="s" access="read"/>
<property name="Menu" type="o" access="read"/><property name="ItemIsMenu" type="b" access="read"/>
<property name="IconName" type="s" access="read"/><property name="IconPixmap" type="a(iiay)" access="read"/>
<property name="OverlayIconName" type="s" access="read"/>
<property name="OverlayIconPixmap" type="a(iiay)" access="read"/>
<property name="AttentionIconName" type="s" access="read"/>
<property name="AttentionIconPixmap" type="a(iiay)" access="read"/>
<property name="AttentionMovieName" type="s" access="read"/>
<property name="ToolTip" type="(sa(iiay)ss)" access="read"/>
<method name="ContextMenu"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
<method name="Activate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
<method name="SecondaryActivate"><arg name="x" type="i" direction="in"/><arg name="y" type="i" direction="in"/></method>
<method name="Scroll"><arg name="delta" type="i" direction="in"/><arg name="orientation" type="s" direction="in"/></method>
<signal name="NewTitle"/><signal name="NewIcon"/><signal name="NewAttentionIcon"/><signal name="NewOverlayIcon"/>
<signal name="NewToolTip"/><signal name="NewStatus"><arg name="status" type="s"/></signal>
</interface>)xml");
const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
// The sizes hosts pick from; they scale the nearest.
constexpr int kPixmapSizes[] = {16, 22, 32, 48};

int NextItemNumber() {
    static int count = 0;
    return ++count;
}

DBusIconPixmaps Pixmaps(const QIcon& icon) {
    DBusIconPixmaps pixmaps;
    if (icon.isNull()) return pixmaps;
    for (const int size : kPixmapSizes) {
        const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        if (image.isNull()) continue;
        QByteArray argb(static_cast<qsizetype>(image.width()) * image.height() * 4, Qt::Uninitialized);
        auto* out = reinterpret_cast<quint32*>(argb.data());
        for (int y = 0; y < image.height(); ++y) {
            const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
            for (int x = 0; x < image.width(); ++x) *out++ = qToBigEndian(line[x]);
        }
        pixmaps << DBusIconPixmap{image.width(), image.height(), argb};
    }
    return pixmaps;
}

}  // namespace

// Each item has a name of its own on the bus, so that releasing it tells the watcher it is gone.
// The first item takes the paths hosts look at; others, should there be more, paths of their own.
StatusNotifierItem::StatusNotifierItem(QDBusConnection bus)
    : StatusNotifierItem(std::move(bus), NextItemNumber()) {}

StatusNotifierItem::StatusNotifierItem(QDBusConnection bus, int number)
    : BusObject(bus, number == 1 ? kItemPath : kItemPath + QString::number(number), kInterface,
                kIntrospection),
      serviceName_(QStringLiteral("org.kde.StatusNotifierItem-%1-%2")
                       .arg(QCoreApplication::applicationPid())
                       .arg(number)),
      menu_(std::make_unique<DBusMenuExporter>(
          bus, number == 1 ? kMenuPath : kMenuPath + QString::number(number))) {
    RegisterDBusTypes();
    OnReply(bus_.asyncCall(DaemonCall(QStringLiteral("RequestName"), {serviceName_, 4u /* do not queue */})),
            alive_, [this](const QDBusMessage&) { RegisterWithWatcher(); });
}

StatusNotifierItem::~StatusNotifierItem() {
    Unregister();
    menu_.reset();
    bus_.send(DaemonCall(QStringLiteral("ReleaseName"), {serviceName_}));
}

void StatusNotifierItem::RegisterWithWatcher() {
    QDBusMessage registration = WatcherCall(QStringLiteral("RegisterStatusNotifierItem"));
    // The path alone for an item off the usual path: the watcher then takes the sender for the service.
    registration << (Path() == kItemPath ? serviceName_ : Path());
    registration.setAutoStartService(false);
    bus_.send(registration);  // a watcher that never answers costs nothing
}

void StatusNotifierItem::SetIcon(const QIcon& icon) {
    icon_ = icon;
    EmitSignal(QStringLiteral("NewIcon"));
}

void StatusNotifierItem::SetToolTip(const QString& tip) {
    tip_ = tip;
    EmitSignal(QStringLiteral("NewToolTip"));
}

void StatusNotifierItem::SetMenu(QMenu* menu, std::function<void()> aboutToShow) {
    menu_->SetMenu(menu, std::move(aboutToShow));
}

void StatusNotifierItem::Retire() {
    activated = nullptr;
    Unregister();
    menu_->Unregister();
    deleteLater();
}

QVariantMap StatusNotifierItem::Properties() const {
    const DBusIconPixmaps none;
    return {{QStringLiteral("Category"), QStringLiteral("ApplicationStatus")},
            {QStringLiteral("Id"), QCoreApplication::applicationName()},
            {QStringLiteral("Title"), QGuiApplication::applicationDisplayName()},
            {QStringLiteral("Status"), QStringLiteral("Active")},
            {QStringLiteral("WindowId"), 0},
            {QStringLiteral("IconThemePath"), QString()},
            {QStringLiteral("Menu"), QVariant::fromValue(QDBusObjectPath(menu_->Path()))},
            {QStringLiteral("ItemIsMenu"), false},
            {QStringLiteral("IconName"), QString()},
            {QStringLiteral("IconPixmap"), QVariant::fromValue(Pixmaps(icon_))},
            {QStringLiteral("OverlayIconName"), QString()},
            {QStringLiteral("OverlayIconPixmap"), QVariant::fromValue(none)},
            {QStringLiteral("AttentionIconName"), QString()},
            {QStringLiteral("AttentionIconPixmap"), QVariant::fromValue(none)},
            {QStringLiteral("AttentionMovieName"), QString()},
            {QStringLiteral("ToolTip"), QVariant::fromValue(DBusToolTip{QString(), none, tip_, QString()})}};
}

bool StatusNotifierItem::Call(const QDBusMessage& message, QList<QVariant>&) {
    const QString method = message.member();
    if (method == QStringLiteral("ContextMenu")) {
        Activate(QSystemTrayIcon::Context);  // a host that cannot show the exported menu
    } else if (method == QStringLiteral("Activate")) {
        Activate(QSystemTrayIcon::Trigger);
    } else if (method == QStringLiteral("SecondaryActivate")) {
        Activate(QSystemTrayIcon::MiddleClick);
    } else if (method != QStringLiteral("Scroll") && method != QStringLiteral("ProvideXdgActivationToken")) {
        return false;
    }
    return true;
}

}  // namespace vedodud::qt
