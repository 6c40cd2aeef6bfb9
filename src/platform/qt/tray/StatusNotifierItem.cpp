#include "platform/qt/tray/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QGuiApplication>
#include <QtEndian>
#include <algorithm>

#include "platform/qt/tray/BusCalls.h"

namespace vedodud::qt {

namespace {

const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
// Hosts scale the nearest of a small size, for the panel, and a medium one, as Qt's own tray
// offers. Nothing larger: every read of the icon would carry it, and a caller may read it in a loop.
constexpr int kSmallSize = 22;
constexpr int kLargestSize = 64;
// The theme icon the package installs, which hosts that prefer names draw crisp at any size.
const QString kIconName = QStringLiteral("vedodud");

// Where the uninstalled program's build lays its icons out as a theme beside it; installed, the
// name alone finds the package's.
QString IconThemePathBesideProgram() {
    const QString path = QCoreApplication::applicationDirPath() + QStringLiteral("/icons");
    const bool present = QFileInfo::exists(path + QStringLiteral("/hicolor/scalable/apps/") + kIconName +
                                           QStringLiteral(".svg"));
    return present ? path : QString();
}

QString NextConnectionName() {
    static int count = 0;
    return QStringLiteral("vedodud-tray-item-%1").arg(++count);
}

QByteArray NetworkOrderArgb(const QImage& image) {
    QByteArray argb(static_cast<qsizetype>(image.width()) * image.height() * 4, Qt::Uninitialized);
    auto* out = reinterpret_cast<quint32*>(argb.data());
    for (int y = 0; y < image.height(); ++y) {
        const auto* line = reinterpret_cast<const quint32*>(image.constScanLine(y));
        for (int x = 0; x < image.width(); ++x) *out++ = qToBigEndian(line[x]);
    }
    return argb;
}

}  // namespace

DBusIconPixmaps IconPixmaps(const QIcon& icon) {
    DBusIconPixmaps pixmaps;
    if (icon.isNull()) return pixmaps;
    const qreal ratio = qGuiApp ? qGuiApp->devicePixelRatio() : 1.0;
    const int small = qRound(kSmallSize * ratio), largest = qRound(kLargestSize * ratio);
    // The largest size the icon has in each range, else the range's top, scaled from what it has.
    int sizes[] = {0, 0};
    for (const QSize size : icon.availableSizes()) {
        const int side = std::max(size.width(), size.height());
        if (side > largest) continue;
        int& pick = sizes[side <= small ? 0 : 1];
        pick = std::max(pick, side);
    }
    if (!sizes[0]) sizes[0] = small;
    if (!sizes[1]) sizes[1] = largest;
    for (const int size : sizes) {
        const QImage image =
            icon.pixmap(QSize(size, size), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        // An icon gives its nearest size for one it lacks: each size is offered once.
        const bool known = std::any_of(pixmaps.begin(), pixmaps.end(), [&image](const DBusIconPixmap& p) {
            return p.width == image.width() && p.height == image.height();
        });
        if (image.isNull() || known || std::max(image.width(), image.height()) > largest) continue;
        pixmaps << DBusIconPixmap{image.width(), image.height(), NetworkOrderArgb(image)};
    }
    return pixmaps;
}

StatusNotifierItem::StatusNotifierItem()
    : connectionName_(NextConnectionName()),
      // Connecting asks only the bus daemon, which always answers, never a panel.
      bus_(QDBusConnection::connectToBus(QDBusConnection::SessionBus, connectionName_)) {
    RegisterDBusTypes();
    if (!bus_.isConnected()) return;
    menu_ = std::make_unique<DBusMenuExporter>(bus_, kMenuPath);
    object_ = std::make_unique<BusObject>(bus_, kItemPath, Interface());
    QDBusMessage registration = WatcherCall(QStringLiteral("RegisterStatusNotifierItem"));
    registration << bus_.baseService();
    registration.setAutoStartService(false);
    bus_.send(registration);  // a watcher that never answers costs nothing
}

StatusNotifierItem::~StatusNotifierItem() {
    Close();
}

void StatusNotifierItem::Close() {
    if (object_) object_->Unregister();
    if (menu_) menu_->Unregister();
    // Closing the connection is what takes the item off every watcher: its unique name is gone.
    // At once, not when the item is freed: that may wait for a nested event loop to end.
    bus_ = QDBusConnection(QString());
    QDBusConnection::disconnectFromBus(connectionName_);
}

BusInterface StatusNotifierItem::Interface() {
    auto constant = [](QVariant value) { return [value] { return value; }; };
    auto activation = [this](Activation reason) {
        return [this, reason](const QList<QVariant>&) {
            Activate(reason);
            return BusReply{};
        };
    };
    auto ignored = [](const QList<QVariant>&) { return BusReply{}; };
    const DBusIconPixmaps none;
    const QString s = QStringLiteral("s"), pixmaps = QStringLiteral("a(iiay)");
    return {
        QStringLiteral("org.kde.StatusNotifierItem"),
        {{QStringLiteral("ContextMenu"), QStringLiteral("ii"), {}, activation(Activation::ContextMenu)},
         {QStringLiteral("Activate"), QStringLiteral("ii"), {}, activation(Activation::Click)},
         {QStringLiteral("SecondaryActivate"), QStringLiteral("ii"), {}, activation(Activation::MiddleClick)},
         {QStringLiteral("Scroll"), QStringLiteral("is"), {}, ignored},
         {QStringLiteral("ProvideXdgActivationToken"), s, {}, ignored}},
        {{QStringLiteral("Category"), s, constant(QStringLiteral("ApplicationStatus"))},
         {QStringLiteral("Id"), s, [] { return QVariant(QCoreApplication::applicationName()); }},
         {QStringLiteral("Title"), s, [] { return QVariant(QGuiApplication::applicationDisplayName()); }},
         {QStringLiteral("Status"), s, constant(QStringLiteral("Active"))},
         {QStringLiteral("WindowId"), QStringLiteral("i"), constant(0)},
         {QStringLiteral("IconThemePath"), s, constant(IconThemePathBesideProgram())},
         {QStringLiteral("Menu"), QStringLiteral("o"),
          constant(QVariant::fromValue(QDBusObjectPath(kMenuPath)))},
         {QStringLiteral("ItemIsMenu"), QStringLiteral("b"), constant(false)},
         {QStringLiteral("IconName"), s, constant(kIconName)},
         {QStringLiteral("IconPixmap"), pixmaps, [this] { return QVariant::fromValue(pixmaps_); }},
         {QStringLiteral("OverlayIconName"), s, constant(QString())},
         {QStringLiteral("OverlayIconPixmap"), pixmaps, constant(QVariant::fromValue(none))},
         {QStringLiteral("AttentionIconName"), s, constant(QString())},
         {QStringLiteral("AttentionIconPixmap"), pixmaps, constant(QVariant::fromValue(none))},
         {QStringLiteral("AttentionMovieName"), s, constant(QString())},
         {QStringLiteral("ToolTip"), QStringLiteral("(sa(iiay)ss)"),
          [this, none] {
              return QVariant::fromValue(DBusToolTip{QString(), none, tip_, QString()});
          }}},
        {{QStringLiteral("NewTitle"), {}},
         {QStringLiteral("NewIcon"), {}},
         {QStringLiteral("NewAttentionIcon"), {}},
         {QStringLiteral("NewOverlayIcon"), {}},
         {QStringLiteral("NewToolTip"), {}},
         {QStringLiteral("NewStatus"), s}}};
}

void StatusNotifierItem::SetIcon(const QIcon& icon) {
    pixmaps_ = IconPixmaps(icon);
    if (object_) object_->EmitSignal(QStringLiteral("NewIcon"));
}

void StatusNotifierItem::SetToolTip(const QString& tip) {
    tip_ = tip;
    if (object_) object_->EmitSignal(QStringLiteral("NewToolTip"));
}

void StatusNotifierItem::SetMenu(QMenu* menu, std::function<void()> aboutToShow) {
    if (menu_) menu_->SetMenu(menu, std::move(aboutToShow));
}

void StatusNotifierItem::Retire() {
    activated = nullptr;
    Close();
    deleteLater();
}

}  // namespace vedodud::qt
