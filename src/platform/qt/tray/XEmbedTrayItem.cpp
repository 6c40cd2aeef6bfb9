#include "platform/qt/tray/XEmbedTrayItem.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QWindow>
#include <cstdlib>
#include <memory>
#include <string>
#include <string_view>

namespace vedodud::qt {

namespace {

constexpr std::uint32_t kRequestDock = 0;
constexpr std::uint32_t kXEmbedMapped = 1;
// What the icon asks of the tray; most trays set their own size.
constexpr int kInitialSize = 22;
// WM_NORMAL_HINTS as X lays it out (XSizeHints): 18 numbers, the first of them flags that say
// which of the others are set. The icon sets only its minimum size.
constexpr std::size_t kSizeHintsLength = 18;
constexpr std::uint32_t kMinSizeHint = 1u << 4;  // PMinSize: the minimum width and height are set
constexpr std::size_t kMinWidthAt = 5;
constexpr std::size_t kMinHeightAt = 6;
// How long a tray may take to embed an icon it was asked to dock.
constexpr qint64 kDockWaitMs = 3000;
constexpr int kEmbedPollMs = 20;

// What xcb hands over to be freed with free(): the X server's replies and errors, a parsed name.
struct FreeWithFree {
    void operator()(void* memory) const { std::free(memory); }
};
template <class Reply>
using XcbOwned = std::unique_ptr<Reply, FreeWithFree>;

xcb_connection_t* X11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
    const XcbOwned<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The screen the program's windows are on: the one the display name chose, as for Qt's connection.
const xcb_screen_t* ProgramScreen(xcb_connection_t* connection, int* number = nullptr) {
    int chosen = 0;
    char* host = nullptr;
    int display = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &chosen)) chosen = 0;
    const XcbOwned<char> hostName(host);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(connection));
    int index = 0;
    for (; index < chosen && screens.rem > 1; ++index) xcb_screen_next(&screens);
    if (number) *number = index;
    return screens.data;
}

// The tray selection of that screen; a tray announces itself with it, among other managers.
xcb_atom_t TraySelection(xcb_connection_t* connection) {
    int number = 0;
    ProgramScreen(connection, &number);
    static const xcb_atom_t selection = Atom(connection, "_NET_SYSTEM_TRAY_S" + std::to_string(number));
    return selection;
}

int WindowDepth(xcb_connection_t* connection, xcb_window_t window) {
    const XcbOwned<xcb_get_geometry_reply_t> reply(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    return reply ? reply->depth : 0;
}

// The depth of the visual the tray asks its icons to use, or 0 when it names none.
int TrayVisualDepth(xcb_connection_t* connection, xcb_window_t tray) {
    static const xcb_atom_t property = Atom(connection, "_NET_SYSTEM_TRAY_VISUAL");
    const XcbOwned<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, tray, property, XCB_ATOM_VISUALID, 0, 1), nullptr));
    xcb_visualid_t visual = 0;
    if (reply && reply->format == 32 && xcb_get_property_value_length(reply.get()) == 4)
        visual = *static_cast<const xcb_visualid_t*>(xcb_get_property_value(reply.get()));
    if (visual == 0) return 0;
    for (auto depths = xcb_screen_allowed_depths_iterator(ProgramScreen(connection)); depths.rem;
         xcb_depth_next(&depths))
        for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem;
             xcb_visualtype_next(&visuals))
            if (visuals.data->visual_id == visual) return depths.data->depth;
    return 0;
}

// Sends the tray the request to dock the window; false when the tray has gone since it was seen,
// and then the icon must try the next one.
bool SendDockRequest(xcb_connection_t* connection, xcb_window_t window, xcb_window_t tray) {
    static const xcb_atom_t opcode = Atom(connection, "_NET_SYSTEM_TRAY_OPCODE");
    xcb_client_message_event_t dock{};
    dock.response_type = XCB_CLIENT_MESSAGE;
    dock.format = 32;
    dock.window = tray;
    dock.type = opcode;
    dock.data.data32[0] = XCB_CURRENT_TIME;
    dock.data.data32[1] = kRequestDock;
    dock.data.data32[2] = window;
    const XcbOwned<xcb_generic_error_t> error(
        xcb_request_check(connection, xcb_send_event_checked(connection, 0, tray, XCB_EVENT_MASK_NO_EVENT,
                                                             reinterpret_cast<const char*>(&dock))));
    return !error;
}

// Tells the window's size and its XEmbed state, then asks the tray to dock it.
bool RequestDock(xcb_connection_t* connection, xcb_window_t window, xcb_window_t tray) {
    // Trays that size icons by request (GtkSocket) read the minimum size from the normal hints
    // as they take the icon, which may be before Qt writes its own when it shows the window.
    std::uint32_t hints[kSizeHintsLength] = {kMinSizeHint};
    hints[kMinWidthAt] = hints[kMinHeightAt] = kInitialSize;
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                        XCB_ATOM_WM_SIZE_HINTS, 32, kSizeHintsLength, hints);
    static const xcb_atom_t info = Atom(connection, "_XEMBED_INFO");
    const std::uint32_t version_and_flags[] = {0, kXEmbedMapped};
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, info, info, 32, 2, version_and_flags);
    return SendDockRequest(connection, window, tray);
}

}  // namespace

std::uint32_t XEmbedTrayWindow() {
    xcb_connection_t* connection = X11Connection();
    if (!connection) return 0;
    const xcb_atom_t selection = TraySelection(connection);
    const XcbOwned<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr));
    return reply ? reply->owner : 0;
}

XEmbedTrayWatch::XEmbedTrayWatch(std::function<void()> trayCame, std::function<void()> trayWent)
    : trayCame_(std::move(trayCame)), trayWent_(std::move(trayWent)) {
    xcb_connection_t* connection = X11Connection();
    if (!connection) return;
    managerAtom_ = Atom(connection, "MANAGER");
    traySelection_ = TraySelection(connection);
    // Added to what Qt already hears of the root window: both are this one connection's mask.
    const xcb_window_t root = ProgramScreen(connection)->root;
    const XcbOwned<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root), nullptr));
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
    qApp->installNativeEventFilter(this);
}

XEmbedTrayWatch::~XEmbedTrayWatch() {
    if (managerAtom_ != 0 && qApp) qApp->removeNativeEventFilter(this);
}

void XEmbedTrayWatch::Follow(std::uint32_t trayWindow) {
    xcb_connection_t* connection = X11Connection();
    if (!connection || trayWindow == followed_) return;
    followed_ = trayWindow;
    if (trayWindow == 0) return;
    const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, trayWindow, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

bool XEmbedTrayWatch::nativeEventFilter(const QByteArray& eventType, void* native, qintptr*) {
    if (eventType != "xcb_generic_event_t" || managerAtom_ == 0) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(native);
    const int type = event->response_type & ~0x80;
    std::function<void()>* call = nullptr;
    // Other managers (clipboard, window manager, the trays of other screens) announce themselves alike.
    const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
    if (type == XCB_CLIENT_MESSAGE && message->format == 32 && message->type == managerAtom_ &&
        message->data.data32[1] == traySelection_)
        call = &trayCame_;
    if (type == XCB_DESTROY_NOTIFY && followed_ != 0 &&
        reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == followed_) {
        followed_ = 0;
        call = &trayWent_;
    }
    if (call) QTimer::singleShot(0, &context_, *call);
    return false;
}

XEmbedTrayItem::XEmbedTrayItem(std::uint32_t trayWindow, std::function<void(bool taken)> answered)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint),
      answered_(std::move(answered)) {
    setObjectName(QStringLiteral("TrayIcon"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMinimumSize(kInitialSize, kInitialSize);
    resize(kInitialSize, kInitialSize);
    move(-kInitialSize * 4, -kInitialSize * 4);  // off screen in the moment before the tray takes it
    xcb_connection_t* connection = X11Connection();
    // A tray that names a visual with alpha composites its icons over the panel: Qt then gives the
    // window such a visual (with its own colormap), and paints it premultiplied.
    if (connection && TrayVisualDepth(connection, trayWindow) == 32)
        setAttribute(Qt::WA_TranslucentBackground);
    const auto window = static_cast<xcb_window_t>(winId());
    windowHandle()->installEventFilter(this);
    if (connection && testAttribute(Qt::WA_TranslucentBackground) && WindowDepth(connection, window) == 32)
        backdrop_ = Backdrop::Translucent;
    sinceRequest_.start();
    lost_ = !connection || !RequestDock(connection, window, trayWindow);
    // Shown only once the tray has taken it: a tray that embeds a window already mapped on the
    // desktop may size it from nothing (trayer's GtkSocket makes it one pixel wide).
    showWhenEmbedded_.setInterval(kEmbedPollMs);
    QObject::connect(&showWhenEmbedded_, &QTimer::timeout, this, [this] { CheckEmbedding(); });
    if (!lost_) showWhenEmbedded_.start();
}

void XEmbedTrayItem::CheckEmbedding() {
    const bool lost = CheckWhetherLost();
    if (!lost && !embedded_ && sinceRequest_.elapsed() <= kDockWaitMs) return;  // still waiting
    showWhenEmbedded_.stop();
    if (answered_) answered_(embedded_);
    if (!lost && embedded_) {
        ShowMappedByTray();
        return;
    }
    lost_ = true;
    if (dropped) dropped();
}

void XEmbedTrayItem::ShowMappedByTray() {
    // The tray maps the icon as it takes it; Qt, which has not yet shown it, notes with an
    // "internal error" that it is mapped already. That is expected here, and said to no one.
    static QtMessageHandler forward = nullptr;
    forward =
        qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
            if (forward && !text.contains(QStringLiteral("called on mapped window")))
                forward(type, context, text);
        });
    show();
    qInstallMessageHandler(forward);
}

void XEmbedTrayItem::SetIcon(const QIcon& icon) {
    icon_ = icon;
    update();
}

void XEmbedTrayItem::Retire() {
    activated = nullptr;
    dropped = nullptr;
    answered_ = nullptr;
    showWhenEmbedded_.stop();
    hide();
    // The tray may have mapped it before Qt did, and then Qt's hide() knows nothing to undo.
    if (xcb_connection_t* connection = X11Connection()) {
        xcb_unmap_window(connection, static_cast<xcb_window_t>(winId()));
        xcb_flush(connection);
    }
    deleteLater();
}

void XEmbedTrayItem::TakeBackdropFrom(std::uint32_t parent) {
    xcb_connection_t* connection = X11Connection();
    if (!connection || backdrop_ == Backdrop::Translucent) return;
    // Only a window of its parent's depth may take the parent's background.
    const auto window = static_cast<xcb_window_t>(winId());
    const int depth = WindowDepth(connection, window);
    if (depth == 0 || depth != WindowDepth(connection, parent)) return;
    const std::uint32_t parentRelative = XCB_BACK_PIXMAP_PARENT_RELATIVE;
    const XcbOwned<xcb_generic_error_t> error(xcb_request_check(
        connection,
        xcb_change_window_attributes_checked(connection, window, XCB_CW_BACK_PIXMAP, &parentRelative)));
    if (!error) backdrop_ = Backdrop::Parent;
    update();
}

QImage XEmbedTrayItem::ParentBackground() {
    xcb_connection_t* connection = X11Connection();
    if (!connection) return {};
    const auto window = static_cast<xcb_window_t>(winId());
    const qreal ratio = devicePixelRatioF();
    const QSize pixels = (QSizeF(size()) * ratio).toSize();
    // The server paints the tray's background into the window, which is read back before Qt's
    // image of the icon replaces it.
    xcb_clear_area(connection, 0, window, 0, 0, static_cast<uint16_t>(pixels.width()),
                   static_cast<uint16_t>(pixels.height()));
    xcb_generic_error_t* error = nullptr;  // not viewable (yet): nothing to read
    const XcbOwned<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0,
                      static_cast<uint16_t>(pixels.width()), static_cast<uint16_t>(pixels.height()), ~0u),
        &error));
    const XcbOwned<xcb_generic_error_t> ignored(error);
    QImage image;
    constexpr auto kHostOrder =
        Q_BYTE_ORDER == Q_LITTLE_ENDIAN ? XCB_IMAGE_ORDER_LSB_FIRST : XCB_IMAGE_ORDER_MSB_FIRST;
    // 24 bits in 32 and the host's byte order: QImage's RGB32; anything else is painted plainly.
    if (reply && reply->depth == 24 && xcb_get_setup(connection)->image_byte_order == kHostOrder &&
        xcb_get_image_data_length(reply.get()) == pixels.width() * pixels.height() * 4) {
        image = QImage(xcb_get_image_data(reply.get()), pixels.width(), pixels.height(), pixels.width() * 4,
                       QImage::Format_RGB32)
                    .copy();
        image.setDevicePixelRatio(ratio);
    }
    return image;
}

bool XEmbedTrayItem::event(QEvent* event) {
    // Moved within the panel, the icon has another piece of the panel behind it.
    if (event->type() == QEvent::Move && backdrop_ == Backdrop::Parent) update();
    return QWidget::event(event);
}

bool XEmbedTrayItem::eventFilter(QObject* watched, QEvent* event) {
    // The panel may have painted itself anew beneath the icon.
    if (watched == windowHandle() && event->type() == QEvent::Expose && backdrop_ == Backdrop::Parent)
        update();
    return QWidget::eventFilter(watched, event);
}

void XEmbedTrayItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QImage behind = backdrop_ == Backdrop::Parent ? ParentBackground() : QImage();
    if (backdrop_ == Backdrop::Translucent) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    } else if (!behind.isNull()) {
        painter.drawImage(QPoint(0, 0), behind);
    } else {
        painter.fillRect(rect(), palette().window());
    }
    // Of the icon's sizes, the one nearest the window's, which the tray chooses.
    const QPixmap pixmap = icon_.pixmap(size(), devicePixelRatioF());
    const QSize shown = pixmap.deviceIndependentSize().toSize();
    painter.drawPixmap(QRect(QPoint((width() - shown.width()) / 2, (height() - shown.height()) / 2), shown),
                       pixmap);
}

void XEmbedTrayItem::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) Activate(Activation::ContextMenu);
    if (event->button() == Qt::LeftButton) Activate(Activation::Click);
    if (event->button() == Qt::MiddleButton) Activate(Activation::MiddleClick);
}

void XEmbedTrayItem::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Activate(Activation::DoubleClick);
}

bool XEmbedTrayItem::CheckWhetherLost() {
    // A tray that dies hands its icons back to the root window: the icon must be made anew for the
    // next tray. One that never takes the icon is found out by the wait after the request.
    if (lost_) return true;
    xcb_connection_t* connection = X11Connection();
    if (!connection) return lost_ = true;
    const XcbOwned<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(
        connection, xcb_query_tree(connection, static_cast<xcb_window_t>(winId())), nullptr));
    const bool onRoot = !tree || tree->parent == tree->root;
    const xcb_window_t parent = tree ? tree->parent : 0;
    if (!onRoot && !embedded_) {
        embedded_ = true;
        TakeBackdropFrom(parent);
    } else if (onRoot && embedded_) {
        lost_ = true;
    }
    return lost_;
}

}  // namespace vedodud::qt
