// A QMenu exported on the session bus as com.canonical.dbusmenu, for StatusNotifierItem hosts that
// show an item's menu themselves. Entries are numbered by their place in the menu, from 1.
#pragma once

#include <QMenu>
#include <QPointer>
#include <functional>

#include "platform/qt/tray/BusObject.h"
#include "platform/qt/tray/DBusTypes.h"

namespace vedodud::qt {

class DBusMenuExporter final : public BusObject {
public:
    DBusMenuExporter(QDBusConnection bus, QString path);

    // `aboutToShow` runs when the host is about to show the menu, before it reads it.
    void SetMenu(QMenu* menu, std::function<void()> aboutToShow);

    // What a host reads: the whole layout, and the label an action shows there.
    DBusMenuLayout Layout() const;
    static QString Label(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static BusInterface Interface(DBusMenuExporter* self);
    bool Exists(int id) const;
    QVariantMap EntryProperties(int id) const;
    QAction* Entry(int id) const;
    // The ids asked for that exist, each once, in the order asked; all of them for none.
    QList<int> ExistingIds(const QList<int>& asked) const;
    BusReply GetLayout(int parent, int depth) const;
    BusReply GetGroupProperties(const QList<int>& ids, const QStringList& names) const;
    BusReply GetProperty(int id, const QString& name) const;
    BusReply Event(int id, const QString& kind);
    BusReply EventGroup(const QDBusArgument& events);
    BusReply AboutToShow(int id);
    BusReply AboutToShowGroup(const QList<int>& ids);
    // Runs the menu's aboutToShow; true when that changed what the host would read.
    bool PrepareToShow();
    void Clicked(int id);
    void LayoutChanged();

    QPointer<QMenu> menu_;
    std::function<void()> aboutToShow_;
    uint revision_ = 1;
    bool updatePending_ = false;
};

}  // namespace vedodud::qt
