#include "platform/qt/tray/DBusMenuExporter.h"

#include <QEvent>
#include <QTimer>

namespace vedodud::qt {

namespace {

constexpr int kRoot = 0;
// A caller's unknown ids are named back to it, but no more of them than this.
constexpr qsizetype kMaxIdErrors = 16;

QList<int> Ids(const QVariant& argument) {
    return qdbus_cast<QList<int>>(argument);
}

// Names an unknown id back once, and no more of them than the bound.
void NoteUnknown(QList<int>& unknown, int id) {
    if (unknown.size() < kMaxIdErrors && !unknown.contains(id)) unknown << id;
}

BusReply NoSuchEntry(int id) {
    return BusReply::Error(bus_error::kInvalidArgs, QStringLiteral("No menu entry %1").arg(id));
}

}  // namespace

DBusMenuExporter::DBusMenuExporter(QDBusConnection bus, QString path)
    : BusObject(std::move(bus), std::move(path), Interface(this)) {
    RegisterDBusTypes();
}

BusInterface DBusMenuExporter::Interface(DBusMenuExporter* self) {
    // Made before the object is: the handlers only keep it for later.
    auto constant = [](QVariant value) { return [value] { return value; }; };
    return {QStringLiteral("com.canonical.dbusmenu"),
            {{QStringLiteral("GetLayout"), QStringLiteral("iias"), QStringLiteral("u(ia{sv}av)"),
              [self](const QList<QVariant>& a) { return self->GetLayout(a.at(0).toInt(), a.at(1).toInt()); }},
             {QStringLiteral("GetGroupProperties"), QStringLiteral("aias"), QStringLiteral("a(ia{sv})"),
              [self](const QList<QVariant>& a) {
                  return self->GetGroupProperties(Ids(a.at(0)), a.at(1).toStringList());
              }},
             {QStringLiteral("GetProperty"), QStringLiteral("is"), QStringLiteral("v"),
              [self](const QList<QVariant>& a) {
                  return self->GetProperty(a.at(0).toInt(), a.at(1).toString());
              }},
             {QStringLiteral("Event"),
              QStringLiteral("isvu"),
              {},
              [self](const QList<QVariant>& a) { return self->Event(a.at(0).toInt(), a.at(1).toString()); }},
             {QStringLiteral("EventGroup"), QStringLiteral("a(isvu)"), QStringLiteral("ai"),
              [self](const QList<QVariant>& a) { return self->EventGroup(a.at(0).value<QDBusArgument>()); }},
             {QStringLiteral("AboutToShow"), QStringLiteral("i"), QStringLiteral("b"),
              [self](const QList<QVariant>& a) { return self->AboutToShow(a.at(0).toInt()); }},
             {QStringLiteral("AboutToShowGroup"), QStringLiteral("ai"), QStringLiteral("aiai"),
              [self](const QList<QVariant>& a) { return self->AboutToShowGroup(Ids(a.at(0))); }}},
            {{QStringLiteral("Version"), QStringLiteral("u"), constant(3u)},
             {QStringLiteral("TextDirection"), QStringLiteral("s"), constant(QStringLiteral("ltr"))},
             {QStringLiteral("Status"), QStringLiteral("s"), constant(QStringLiteral("normal"))},
             {QStringLiteral("IconThemePath"), QStringLiteral("as"), constant(QStringList())}},
            {{QStringLiteral("ItemsPropertiesUpdated"), QStringLiteral("a(ia{sv})a(ias)")},
             {QStringLiteral("LayoutUpdated"), QStringLiteral("ui")},
             {QStringLiteral("ItemActivationRequested"), QStringLiteral("iu")}}};
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

bool DBusMenuExporter::Exists(int id) const {
    return id == kRoot || Entry(id);
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

QList<int> DBusMenuExporter::ExistingIds(const QList<int>& asked) const {
    const int count = menu_ ? static_cast<int>(menu_->actions().size()) : 0;
    QList<int> ids;
    if (asked.isEmpty()) {
        for (int id = kRoot; id <= count; ++id) ids << id;
        return ids;
    }
    QList<bool> seen(count + 1, false);
    for (const int id : asked) {
        if (id < kRoot || id > count || seen.at(id)) continue;
        seen[id] = true;
        ids << id;
    }
    return ids;
}

BusReply DBusMenuExporter::GetLayout(int parent, int depth) const {
    if (!Exists(parent)) return NoSuchEntry(parent);
    DBusMenuLayout layout = parent == kRoot ? Layout() : DBusMenuLayout{parent, EntryProperties(parent), {}};
    if (depth == 0) layout.children.clear();
    return {{revision_, QVariant::fromValue(layout)}};
}

BusReply DBusMenuExporter::GetGroupProperties(const QList<int>& ids, const QStringList& names) const {
    DBusMenuItems items;
    for (const int id : ExistingIds(ids)) {
        QVariantMap properties = EntryProperties(id);
        if (!names.isEmpty())
            properties.removeIf([&names](const auto& property) { return !names.contains(property.key()); });
        items << DBusMenuItem{id, properties};
    }
    return {{QVariant::fromValue(items)}};
}

BusReply DBusMenuExporter::GetProperty(int id, const QString& name) const {
    if (!Exists(id)) return NoSuchEntry(id);
    const QVariantMap properties = EntryProperties(id);
    if (!properties.contains(name))
        return BusReply::Error(bus_error::kUnknownProperty,
                               QStringLiteral("Entry %1 has no %2").arg(id).arg(name));
    return {{QVariant::fromValue(QDBusVariant(properties.value(name)))}};
}

BusReply DBusMenuExporter::Event(int id, const QString& kind) {
    if (!Exists(id)) return NoSuchEntry(id);
    if (kind == QStringLiteral("clicked")) Clicked(id);
    return {};
}

BusReply DBusMenuExporter::EventGroup(const QDBusArgument& events) {
    // Each entry is clicked at most once, however often a call names it.
    QList<int> clicked, unknown;
    events.beginArray();
    while (!events.atEnd()) {
        int id = 0;
        QString kind;
        QDBusVariant data;
        uint timestamp = 0;
        events.beginStructure();
        events >> id >> kind >> data >> timestamp;
        events.endStructure();
        if (!Exists(id)) {
            NoteUnknown(unknown, id);
        } else if (kind == QStringLiteral("clicked") && !clicked.contains(id)) {
            clicked << id;
        }
    }
    events.endArray();
    for (const int id : clicked) Clicked(id);
    return {{QVariant::fromValue(unknown)}};
}

BusReply DBusMenuExporter::AboutToShow(int id) {
    if (!Exists(id)) return NoSuchEntry(id);
    return {{id == kRoot && PrepareToShow()}};
}

BusReply DBusMenuExporter::AboutToShowGroup(const QList<int>& ids) {
    QList<int> unknown;
    for (const int id : ids)
        if (!Exists(id)) NoteUnknown(unknown, id);
    const bool rootChanged = ids.contains(kRoot) && PrepareToShow();
    return {
        {QVariant::fromValue(rootChanged ? QList<int>{kRoot} : QList<int>{}), QVariant::fromValue(unknown)}};
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
