// An icon as a StatusNotifierItem on the session bus, with its menu exported for the host. It
// registers with whatever watcher owns the name now; nothing here waits for an answer.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <memory>

#include "platform/qt/tray/BusObject.h"
#include "platform/qt/tray/DBusMenuExporter.h"
#include "platform/qt/tray/TrayItem.h"

namespace vedodud::qt {

class StatusNotifierItem final : public BusObject, public TrayItem {
public:
    explicit StatusNotifierItem(QDBusConnection bus);
    ~StatusNotifierItem() override;

    void SetIcon(const QIcon& icon) override;
    void SetToolTip(const QString& tip) override;
    bool ExportsMenu() const override { return true; }
    void SetMenu(QMenu* menu, std::function<void()> aboutToShow) override;
    void Retire() override;

    // The name it is known by on the bus, and what a host reads of it.
    const QString& ServiceName() const { return serviceName_; }
    QVariantMap Properties() const override;

protected:
    bool Call(const QDBusMessage& message, QList<QVariant>& reply) override;

private:
    StatusNotifierItem(QDBusConnection bus, int number);
    void RegisterWithWatcher();

    QString serviceName_;
    std::unique_ptr<DBusMenuExporter> menu_;
    QIcon icon_;
    QString tip_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace vedodud::qt
