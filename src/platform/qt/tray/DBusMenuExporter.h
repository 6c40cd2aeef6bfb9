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
    QVariantMap Properties() const override;
    bool Call(const QDBusMessage& message, QList<QVariant>& reply) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QVariantMap EntryProperties(int id) const;
    QAction* Entry(int id) const;
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
