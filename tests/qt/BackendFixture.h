// A whole Qt backend on the offscreen platform, with a form built from Form1's layout.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/Identity.h"
#include "platform/RuntimeError.h"
#include "platform/iconv/IconvCodePage.h"
#include "platform/qt/QtFormWindow.h"
#include "platform/qt/QtFormsToolkit.h"
#include "platform/qt/QtShell.h"
#include "platform/qt/QtWindowManager.h"
#include "platform/qt/WindowTable.h"
#include "platform/qt/tray/NotificationArea.h"
#include "support/RecordingEvents.h"
#include "ui/Form1Layout.h"

namespace vedodud::qt {

// An icon as the test sees it in its notification area.
struct FakeTrayItem : QObject, TrayItem {
    explicit FakeTrayItem(bool exportsMenu) : exportsMenu(exportsMenu) {}
    void SetIcon(const QIcon& image) override { icon = image; }
    void SetToolTip(const QString& text) override { tip = text; }
    bool ExportsMenu() const override { return exportsMenu; }
    void SetMenu(QMenu* exported, std::function<void()> opening) override {
        menu = exported;
        aboutToShow = std::move(opening);
    }
    void Retire() override { deleteLater(); }

    const bool exportsMenu;
    QIcon icon;
    QString tip;
    QMenu* menu = nullptr;
    std::function<void()> aboutToShow;
};

// A notification area the test switches on and off, of either kind.
struct FakeNotificationArea : NotificationArea {
    bool available = true;
    bool showsExportedMenus = false;

    void Switch(bool on) {
        available = on;
        Changed();
    }
    TrayKind ItemKind() override {
        if (!available) return TrayKind::None;
        return showsExportedMenus ? TrayKind::StatusNotifier : TrayKind::XEmbed;
    }
    bool Available() override { return available; }
    std::uint64_t Generation(TrayKind) override { return 1; }
    std::unique_ptr<TrayItem, RetireItem> CreateItem(TrayKind kind) override {
        return std::unique_ptr<TrayItem, RetireItem>(new FakeTrayItem(kind == TrayKind::StatusNotifier));
    }
};

// The Qt backend's parts, wired as the program wires them, but for a tray host the test switches
// and error reports that show no box.
// The form as the tests look at it: the widget that shows it, its controls built.
class QtFormWindowInspector {
public:
    static QWidget& Widget(QtFormWindow& form) {
        BuildControls(*form.state_);
        return *form.state_->widget;
    }
};

// The shell's icons as the tests look at them.
class QtShellInspector {
public:
    // The item shown for (hWnd, uID), or nullptr (also while it waits for a tray).
    static TrayItem* Item(const QtShell& shell, Long hWnd, Long uID) {
        const auto found = shell.icons_.find({hWnd, uID});
        return found == shell.icons_.end() ? nullptr : found->second.item.get();
    }
    static std::vector<TrayItem*> Items(const QtShell& shell) {
        std::vector<TrayItem*> shown;
        for (const auto& [key, icon] : shell.icons_)
            if (icon.item) shown.push_back(icon.item.get());
        return shown;
    }
    // The menu handed to a host that shows menus itself, or nullptr.
    static QMenu* HostMenu(const QtShell& shell, Long hWnd, Long uID) {
        const auto found = shell.icons_.find({hWnd, uID});
        return found == shell.icons_.end() ? nullptr : found->second.hostMenu.get();
    }
    static std::size_t IconCount(const QtShell& shell) { return shell.icons_.size(); }
};

struct QtPlatform {
    static void Settle() {
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
    }

    FakeNotificationArea notificationArea;
    WindowTable table;
    IconvCodePage codePage{"UTF-8"};
    QtFormsToolkit forms{table, {[this] { return notificationArea.available; }, false}};
    QtWindowManager windows{table};
    QtShell shell{table, codePage, notificationArea};

    FakeTrayItem* Item(Long hWnd, Long uID) const {
        return static_cast<FakeTrayItem*>(QtShellInspector::Item(shell, hWnd, uID));
    }
};

// Acts on the message box once it is open and waiting.
inline void WhenModalOpens(std::function<void(QMessageBox&)> act) {
    QTimer::singleShot(50, [act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            act(*box);
        } else {
            ADD_FAILURE() << "no message box open";
        }
    });
}

class BackendTest : public ::testing::Test, protected QtPlatform {
protected:
    void SetUp() override { forms.Start(kIdentity); }
    void TearDown() override {
        window.reset();
        Settle();
    }

    QtFormWindow& Create(const FormLayout& layout = Form1Layout()) {
        window.reset(static_cast<QtFormWindow*>(forms.CreateForm(layout, events).release()));
        return *window;
    }
    QWidget& Form() { return QtFormWindowInspector::Widget(*window); }
    template <class Widget = QWidget>
    Widget* Control(const char* name) {
        return Form().findChild<Widget*>(QString::fromLatin1(name));
    }
    static FormLayout WithTimerInterval(int intervalMs) {
        FormLayout layout = Form1Layout();
        for (auto& control : layout.controls)
            if (control.kind == ControlKind::Timer) control.intervalMs = intervalMs;
        return layout;
    }

    RecordingEvents events;
    std::unique_ptr<QtFormWindow> window;
};

}  // namespace vedodud::qt
