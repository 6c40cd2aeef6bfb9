#include "platform/qt/tray/StatusNotifierItem.h"

#include <QCoreApplication>
#include <QDBusObjectPath>
#include <QGuiApplication>
#include <QtEndian>
#include <algorithm>

#include "platform/qt/tray/BusCalls.h"

namespace vedodud::qt {

namespace {

const QString kItemPath = QStringLiteral("/StatusNotifierItem");
const QString kMenuPath = QStringLiteral("/MenuBar");
// Sizes for an icon that does not say which it has; hosts scale the nearest.
constexpr int kFallbackSizes[] = {16, 22, 32, 48};
// Larger ones only make every read of the icon heavier: no panel shows them.
constexpr int kLargestSize = 256;

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
    QList<int> sizes;
    for (const QSize size : icon.availableSizes())
        if (size.width() > 0 && size.width() <= kLargestSize) sizes << size.width();
    if (sizes.isEmpty()) sizes = QList<int>(std::begin(kFallbackSizes), std::end(kFallbackSizes));
    std::sort(sizes.begin(), sizes.end());
    for (const int size : sizes) {
        const QImage image = icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
        // An icon gives its nearest size for one it lacks: each size is offered once.
        const bool known = std::any_of(pixmaps.begin(), pixmaps.end(), [&image](const DBusIconPixmap& p) {
            return p.width == image.width() && p.height == image.height();
        });
        if (image.isNull() || known) continue;
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
    return {QStringLiteral("org.kde.StatusNotifierItem"),
            {{QStringLiteral("ContextMenu"), QStringLiteral("ii"), {}, activation(QSystemTrayIcon::Context)},
             {QStringLiteral("Activate"), QStringLiteral("ii"), {}, activation(QSystemTrayIcon::Trigger)},
             {QStringLiteral("SecondaryActivate"),
              QStringLiteral("ii"),
              {},
              activation(QSystemTrayIcon::MiddleClick)},
             {QStringLiteral("Scroll"), QStringLiteral("is"), {}, ignored},
             {QStringLiteral("ProvideXdgActivationToken"), s, {}, ignored}},
            {{QStringLiteral("Category"), s, constant(QStringLiteral("ApplicationStatus"))},
             {QStringLiteral("Id"), s, [] { return QVariant(QCoreApplication::applicationName()); }},
             {QStringLiteral("Title"), s, [] { return QVariant(QGuiApplication::applicationDisplayName()); }},
             {QStringLiteral("Status"), s, constant(QStringLiteral("Active"))},
             {QStringLiteral("WindowId"), QStringLiteral("i"), constant(0)},
             {QStringLiteral("IconThemePath"), s, constant(QString())},
             {QStringLiteral("Menu"), QStringLiteral("o"),
              constant(QVariant::fromValue(QDBusObjectPath(kMenuPath)))},
             {QStringLiteral("ItemIsMenu"), QStringLiteral("b"), constant(false)},
             {QStringLiteral("IconName"), s, constant(QString())},
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
