#include "platform/qt/tray/DBusMenuExporter.h"

#include <QEvent>
#include <QTimer>

namespace vedodud::qt {

namespace {

const QString kInterface = QStringLiteral("com.canonical.dbusmenu");
const QString kIntrospection = QString::fromLatin1(R"xml(<interface name="com.canonical.dbusmenu">
<property name="Version" type="u" access="read"/><property name="TextDirection" type="s" access="read"/>
<property name="Status" type="s" access="read"/><property name="IconThemePath" type="as" access="read"/>
<method name="GetLayout"><arg type="i" direction="in"/><arg type="i" direction="in"/><arg type="as" direction="in"/>
<arg type="u" direction="out"/><arg type="(ia{sv}av)" direction="out"/></method>
<method name="GetGroupProperties"><arg type="ai" direction="in"/><arg type="as" direction="in"/>
<arg type="a(ia{sv})" direction="out"/></method>
<method name="GetProperty"><arg type="i" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="out"/></method>
<method name="Event"><arg type="i" direction="in"/><arg type="s" direction="in"/><arg type="v" direction="in"/>
<arg type="u" direction="in"/></method>
<method name="EventGroup"><arg type="a(isvu)" direction="in"/><arg type="ai" direction="out"/></method>
<method name="AboutToShow"><arg type="i" direction="in"/><arg type="b" direction="out"/></method>
<method name="AboutToShowGroup"><arg type="ai" direction="in"/><arg type="ai" direction="out"/>
<arg type="ai" direction="out"/></method>
<signal name="ItemsPropertiesUpdated"><arg type="a(ia{sv})"/><arg type="a(ias)"/></signal>
<signal name="LayoutUpdated"><arg type="u"/><arg type="i"/></signal>
<signal name="ItemActivationRequested"><arg type="i"/><arg type="u"/></signal>
</interface>)xml");
constexpr int kRoot = 0;

QList<int> Ids(const QVariant& argument) {
    return qdbus_cast<QList<int>>(argument);
}

}  // namespace

DBusMenuExporter::DBusMenuExporter(QDBusConnection bus, QString path)
    : BusObject(std::move(bus), std::move(path), kInterface, kIntrospection) {
    RegisterDBusTypes();
}

void DBusMenuExporter::SetMenu(QMenu* menu, std::function<void()> aboutToShow) {
    if (menu_) menu_->removeEventFilter(this);
    menu_ = menu;
    aboutToShow_ = std::move(aboutToShow);
    if (menu_) menu_->installEventFilter(this);
    LayoutChanged();
}

QString DBusMenuExporter::Label(const QString& text) {
    // Qt marks an access key with '&' and a literal one with "&&"; the host uses '_' and "__".
    QString label;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'_') {
            label += QStringLiteral("__");
        } else if (c == u'&' && i + 1 < text.size()) {
            label += text.at(i + 1) == u'&' ? QChar(u'&') : QChar(u'_');
            if (text.at(i + 1) == u'&') ++i;
        } else {
            label += c;
        }
    }
    return label;
}

QAction* DBusMenuExporter::Entry(int id) const {
    if (!menu_ || id <= kRoot) return nullptr;
    const QList<QAction*> actions = menu_->actions();
    return id <= actions.size() ? actions.at(id - 1) : nullptr;
}

QVariantMap DBusMenuExporter::EntryProperties(int id) const {
    if (id == kRoot) return {{QStringLiteral("children-display"), QStringLiteral("submenu")}};
    QAction* action = Entry(id);
    if (!action) return {};
    if (action->isSeparator()) return {{QStringLiteral("type"), QStringLiteral("separator")}};
    return {{QStringLiteral("label"), Label(action->text())},
            {QStringLiteral("enabled"), action->isEnabled()},
            {QStringLiteral("visible"), action->isVisible()}};
}

DBusMenuLayout DBusMenuExporter::Layout() const {
    DBusMenuLayout root{kRoot, EntryProperties(kRoot), {}};
    const int count = menu_ ? static_cast<int>(menu_->actions().size()) : 0;
    for (int id = 1; id <= count; ++id)
        root.children << QDBusVariant(QVariant::fromValue(DBusMenuLayout{id, EntryProperties(id), {}}));
    return root;
}

QVariantMap DBusMenuExporter::Properties() const {
    return {{QStringLiteral("Version"), 3u},
            {QStringLiteral("TextDirection"), QStringLiteral("ltr")},
            {QStringLiteral("Status"), QStringLiteral("normal")},
            {QStringLiteral("IconThemePath"), QStringList()}};
}

bool DBusMenuExporter::Call(const QDBusMessage& message, QList<QVariant>& reply) {
    const QString method = message.member();
    const QList<QVariant> arguments = message.arguments();
    if (method == QStringLiteral("GetLayout") && arguments.size() == 3) {
        const int parent = arguments.at(0).toInt();
        DBusMenuLayout layout =
            parent == kRoot ? Layout() : DBusMenuLayout{parent, EntryProperties(parent), {}};
        if (arguments.at(1).toInt() == 0) layout.children.clear();
        reply << revision_ << QVariant::fromValue(layout);
    } else if (method == QStringLiteral("GetGroupProperties") && arguments.size() == 2) {
        QList<int> ids = Ids(arguments.at(0));
        if (ids.isEmpty())
            for (int id = 0; id <= (menu_ ? menu_->actions().size() : 0); ++id) ids << id;
        DBusMenuItems items;
        for (int id : ids) items << DBusMenuItem{id, EntryProperties(id)};
        reply << QVariant::fromValue(items);
    } else if (method == QStringLiteral("GetProperty") && arguments.size() == 2) {
        const QVariantMap properties = EntryProperties(arguments.at(0).toInt());
        reply << QVariant::fromValue(QDBusVariant(properties.value(arguments.at(1).toString())));
    } else if (method == QStringLiteral("Event") && arguments.size() == 4) {
        if (arguments.at(1).toString() == QStringLiteral("clicked")) Clicked(arguments.at(0).toInt());
    } else if (method == QStringLiteral("EventGroup") && arguments.size() == 1) {
        const QDBusArgument events = arguments.at(0).value<QDBusArgument>();
        QList<int> unknown;
        events.beginArray();
        while (!events.atEnd()) {
            int id = 0;
            QString kind;
            QDBusVariant data;
            uint timestamp = 0;
            events.beginStructure();
            events >> id >> kind >> data >> timestamp;
            events.endStructure();
            if (id != kRoot && !Entry(id)) unknown << id;
            if (kind == QStringLiteral("clicked")) Clicked(id);
        }
        events.endArray();
        reply << QVariant::fromValue(unknown);
    } else if (method == QStringLiteral("AboutToShow") && arguments.size() == 1) {
        reply << (arguments.at(0).toInt() == kRoot && PrepareToShow());
    } else if (method == QStringLiteral("AboutToShowGroup") && arguments.size() == 1) {
        const bool rootChanged = Ids(arguments.at(0)).contains(kRoot) && PrepareToShow();
        reply << QVariant::fromValue(rootChanged ? QList<int>{kRoot} : QList<int>{})
              << QVariant::fromValue(QList<int>{});
    } else {
        return false;
    }
    return true;
}

bool DBusMenuExporter::PrepareToShow() {
    if (!aboutToShow_) return false;
    const uint before = revision_;
    const DBusMenuLayout old = Layout();
    aboutToShow_();
    const DBusMenuLayout now = Layout();
    bool same = old.children.size() == now.children.size();
    for (qsizetype i = 0; same && i < now.children.size(); ++i)
        same = old.children.at(i).variant().value<DBusMenuLayout>().properties ==
               now.children.at(i).variant().value<DBusMenuLayout>().properties;
    if (!same && revision_ == before) ++revision_;
    return !same;
}

void DBusMenuExporter::Clicked(int id) {
    // Later: the reply goes out first, and the choice may take this very menu away.
    QPointer<QAction> action = Entry(id);
    if (!action || action->isSeparator() || !action->isEnabled()) return;
    QTimer::singleShot(0, action, [action] {
        if (action) action->trigger();
    });
}

bool DBusMenuExporter::eventFilter(QObject* watched, QEvent* event) {
    if (watched == menu_ && (event->type() == QEvent::ActionAdded || event->type() == QEvent::ActionChanged ||
                             event->type() == QEvent::ActionRemoved))
        LayoutChanged();
    return false;
}

void DBusMenuExporter::LayoutChanged() {
    // Many changes in one go (a menu filled entry by entry) make one update for the host.
    if (updatePending_) return;
    updatePending_ = true;
    QTimer::singleShot(0, this, [this] {
        updatePending_ = false;
        ++revision_;
        EmitSignal(QStringLiteral("LayoutUpdated"), {revision_, kRoot});
    });
}

}  // namespace vedodud::qt
