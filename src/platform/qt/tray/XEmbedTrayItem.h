// An icon docked in an X11 system tray by the freedesktop system tray protocol (XEmbed).
#pragma once

#include <QAbstractNativeEventFilter>
#include <QElapsedTimer>
#include <QIcon>
#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <functional>

#include "platform/qt/tray/TrayItem.h"

namespace vedodud::qt {

// The window that owns the system tray selection of the program's screen, or 0 (also when not on X11).
std::uint32_t XEmbedTrayWindow();

// Hears trays come and go without asking: a tray that starts announces itself on the root window,
// and the window of one that ends is destroyed. Calls back from the event loop, not from the filter.
class XEmbedTrayWatch final : public QAbstractNativeEventFilter {
public:
    XEmbedTrayWatch(std::function<void()> trayCame, std::function<void()> trayWent);
    ~XEmbedTrayWatch() override;

    // The tray window to hear the end of; 0 for none.
    void Follow(std::uint32_t trayWindow);
    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    std::function<void()> trayCame_;
    std::function<void()> trayWent_;
    std::uint32_t followed_ = 0;
    std::uint32_t managerAtom_ = 0;
    std::uint32_t traySelection_ = 0;
    QObject context_;  // no call back after the watch has gone
};

class XEmbedTrayItem final : public QWidget, public TrayItem {
public:
    // `answered` is called once, from the event loop, with whether the tray took the icon in the
    // time it is given; when it did not, before `dropped`.
    XEmbedTrayItem(std::uint32_t trayWindow, std::function<void(bool taken)> answered);

    void SetIcon(const QIcon& icon) override;
    void SetToolTip(const QString& tip) override { setToolTip(tip); }
    bool ExportsMenu() const override { return false; }
    void SetMenu(QMenu*, std::function<void()>) override {}
    void Retire() override;
    bool CheckWhetherLost() override;

protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    // What shows through the icon's transparent pixels.
    enum class Backdrop {
        Palette,      // the window's own colour, where the tray offers neither of these
        Translucent,  // the tray composites the icon's alpha over the panel
        Parent,       // the panel, as the tray window's own background
    };

    // Called until the tray has taken the icon, or has had its time to.
    void CheckEmbedding();
    void ShowMappedByTray();
    void TakeBackdropFrom(std::uint32_t parent);
    QImage ParentBackground();

    QIcon icon_;
    Backdrop backdrop_ = Backdrop::Palette;
    std::function<void(bool)> answered_;
    QElapsedTimer sinceRequest_;
    QTimer showWhenEmbedded_;
    bool embedded_ = false;
    bool lost_ = false;
};

}  // namespace vedodud::qt
