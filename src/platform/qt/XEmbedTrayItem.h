// An icon docked in an X11 system tray by the freedesktop system tray protocol (XEmbed).
#pragma once

#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <QWidget>
#include <cstdint>

#include "platform/qt/TrayItem.h"

namespace vedodud::qt {

// The window that owns the screen's system tray selection, or 0 (also when not on X11).
std::uint32_t XEmbedTrayWindow();

class XEmbedTrayItem final : public QWidget, public TrayItem {
public:
    explicit XEmbedTrayItem(std::uint32_t trayWindow);

    void SetIcon(const QIcon& icon) override;
    void SetToolTip(const QString& tip) override { setToolTip(tip); }
    bool ExportsMenu() const override { return false; }
    void SetMenu(QMenu*, std::function<void()>) override {}
    void Retire() override;
    bool Lost() override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void Activate(Activation reason);

    QIcon icon_;
    QElapsedTimer sinceRequest_;
    QTimer showWhenEmbedded_;
    bool embedded_ = false;
    bool lost_ = false;
};

}  // namespace vedodud::qt
