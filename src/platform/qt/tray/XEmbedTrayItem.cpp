#include "platform/qt/tray/XEmbedTrayItem.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <cstdlib>
#include <string_view>

namespace vedodud::qt {

namespace {

constexpr std::uint32_t kRequestDock = 0;
constexpr std::uint32_t kXEmbedMapped = 1;
// What the icon asks of the tray; most trays set their own size.
constexpr int kInitialSize = 22;
constexpr std::uint32_t kMinSizeHint = 16;
// How long a tray may take to embed an icon it was asked to dock.
constexpr qint64 kDockWaitMs = 3000;
constexpr int kEmbedPollMs = 20;

xcb_connection_t* X11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, std::string_view name) {
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(name.size()), name.data()), nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    std::free(reply);
    return atom;
}

}  // namespace

std::uint32_t XEmbedTrayWindow() {
    xcb_connection_t* connection = X11Connection();
    if (!connection) return 0;
    static const xcb_atom_t selection = Atom(connection, "_NET_SYSTEM_TRAY_S0");
    xcb_get_selection_owner_reply_t* reply =
        xcb_get_selection_owner_reply(connection, xcb_get_selection_owner(connection, selection), nullptr);
    const std::uint32_t owner = reply ? reply->owner : 0;
    std::free(reply);
    return owner;
}

XEmbedTrayWatch::XEmbedTrayWatch(std::function<void()> trayCame, std::function<void()> trayWent)
    : trayCame_(std::move(trayCame)), trayWent_(std::move(trayWent)) {
    xcb_connection_t* connection = X11Connection();
    if (!connection) return;
    managerAtom_ = Atom(connection, "MANAGER");
    // Added to what Qt already hears of the root window: both are this one connection's mask.
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, root), nullptr);
    const std::uint32_t mask =
        (attributes ? attributes->your_event_mask : 0) | XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    std::free(attributes);
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

bool XEmbedTrayWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) {
    if (eventType != "xcb_generic_event_t" || managerAtom_ == 0) return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const int type = event->response_type & ~0x80;
    std::function<void()>* call = nullptr;
    if (type == XCB_CLIENT_MESSAGE &&
        reinterpret_cast<const xcb_client_message_event_t*>(event)->type == managerAtom_)
        call = &trayCame_;
    if (type == XCB_DESTROY_NOTIFY && followed_ != 0 &&
        reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == followed_) {
        followed_ = 0;
        call = &trayWent_;
    }
    if (call) QTimer::singleShot(0, &context_, *call);
    return false;
}

XEmbedTrayItem::XEmbedTrayItem(std::uint32_t trayWindow)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::X11BypassWindowManagerHint) {
    setObjectName(QStringLiteral("TrayIcon"));
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setMinimumSize(kInitialSize, kInitialSize);
    resize(kInitialSize, kInitialSize);
    move(-kInitialSize * 4, -kInitialSize * 4);  // off screen in the moment before the tray takes it
    const auto window = static_cast<xcb_window_t>(winId());
    xcb_connection_t* connection = X11Connection();
    if (connection) {
        // Trays that size icons by request (GtkSocket) read the minimum size from the normal hints
        // as they take the icon, which may be before Qt writes its own when it shows the window.
        std::uint32_t hints[18] = {kMinSizeHint};
        hints[5] = hints[6] = kInitialSize;
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS,
                            XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
        static const xcb_atom_t info = Atom(connection, "_XEMBED_INFO");
        static const xcb_atom_t opcode = Atom(connection, "_NET_SYSTEM_TRAY_OPCODE");
        const std::uint32_t version_and_flags[] = {0, kXEmbedMapped};
        xcb_change_property(connection, XCB_PROP_MODE_REPLACE, window, info, info, 32, 2, version_and_flags);
        xcb_client_message_event_t dock{};
        dock.response_type = XCB_CLIENT_MESSAGE;
        dock.format = 32;
        dock.window = trayWindow;
        dock.type = opcode;
        dock.data.data32[0] = XCB_CURRENT_TIME;
        dock.data.data32[1] = kRequestDock;
        dock.data.data32[2] = window;
        sinceRequest_.start();
        // Checked: the tray may have gone since it was seen, and then the icon must try the next one.
        xcb_generic_error_t* error = xcb_request_check(
            connection, xcb_send_event_checked(connection, 0, trayWindow, XCB_EVENT_MASK_NO_EVENT,
                                               reinterpret_cast<const char*>(&dock)));
        lost_ = error != nullptr;
        std::free(error);
    } else {
        lost_ = true;
    }
    // Shown only once the tray has taken it: a tray that embeds a window already mapped on the
    // desktop may size it from nothing (trayer's GtkSocket makes it one pixel wide).
    showWhenEmbedded_.setInterval(kEmbedPollMs);
    QObject::connect(&showWhenEmbedded_, &QTimer::timeout, this, [this] {
        if (Lost()) {
            showWhenEmbedded_.stop();
            if (dropped) dropped();
            return;
        }
        if (!embedded_) return;
        showWhenEmbedded_.stop();
        ShowMappedByTray();
    });
    if (!lost_) showWhenEmbedded_.start();
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
    showWhenEmbedded_.stop();
    hide();
    // The tray may have mapped it before Qt did, and then Qt's hide() knows nothing to undo.
    if (xcb_connection_t* connection = X11Connection()) {
        xcb_unmap_window(connection, static_cast<xcb_window_t>(winId()));
        xcb_flush(connection);
    }
    deleteLater();
}

void XEmbedTrayItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    icon_.paint(&painter, rect());
}

void XEmbedTrayItem::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) Activate(QSystemTrayIcon::Context);
    if (event->button() == Qt::LeftButton) Activate(QSystemTrayIcon::Trigger);
    if (event->button() == Qt::MiddleButton) Activate(QSystemTrayIcon::MiddleClick);
}

void XEmbedTrayItem::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) Activate(QSystemTrayIcon::DoubleClick);
}

bool XEmbedTrayItem::Lost() {
    // A tray that dies hands its icons back to the root window, and one that never takes the icon
    // is no better: either way the icon must be made anew for the next tray.
    if (lost_) return true;
    xcb_connection_t* connection = X11Connection();
    if (!connection) return lost_ = true;
    xcb_query_tree_reply_t* tree = xcb_query_tree_reply(
        connection, xcb_query_tree(connection, static_cast<xcb_window_t>(winId())), nullptr);
    const bool onRoot = !tree || tree->parent == tree->root;
    std::free(tree);
    if (!onRoot) {
        embedded_ = true;
    } else if (embedded_ || sinceRequest_.elapsed() > kDockWaitMs) {
        lost_ = true;
    }
    return lost_;
}

}  // namespace vedodud::qt
