// An icon as a StatusNotifierItem on the session bus, with its menu exported for the host.
//
// Each item has a bus connection of its own and registers by that connection's unique name. A
// host then needs to watch no name of ours (GNOME's AppIndicator extension drops items it watches
// by a well-known name when our answers come quickly), and closing the connection takes the item
// off every watcher and host at once, with no call of ours to be lost. Nothing here waits for an
// answer from the watcher.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>

#include "platform/qt/tray/BusObject.h"
#include "platform/qt/tray/DBusMenuExporter.h"
#include "platform/qt/tray/DBusTypes.h"
#include "platform/qt/tray/TrayItem.h"

namespace vedodud::qt {

class StatusNotifierItem final : public QObject, public TrayItem {
public:
    StatusNotifierItem();
    ~StatusNotifierItem() override;

    // Whether its connection to the session bus could be made; without one it shows nothing.
    bool Connected() const { return bus_.isConnected(); }
    // The unique name it is registered by.
    QString ServiceName() const { return bus_.baseService(); }

    void SetIcon(const QIcon& icon) override;
    void SetToolTip(const QString& tip) override;
    bool ExportsMenu() const override { return true; }
    void SetMenu(QMenu* menu, std::function<void()> aboutToShow) override;
    void Retire() override;

private:
    BusInterface Interface();
    void Close();

    QString connectionName_;
    QDBusConnection bus_;
    std::unique_ptr<DBusMenuExporter> menu_;
    std::unique_ptr<BusObject> object_;
    DBusIconPixmaps pixmaps_;
    QString tip_;
};

// A small size of the icon and a medium one, none above 64 pixels (times the screen's pixel ratio),
// each once: (iiay) as hosts read it.
DBusIconPixmaps IconPixmaps(const QIcon& icon);

}  // namespace vedodud::qt
