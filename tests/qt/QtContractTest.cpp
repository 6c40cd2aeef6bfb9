// The backend contracts on the Qt backend, offscreen.
#include <QAbstractButton>
#include <QMenu>
#include <QMessageBox>

#include "BackendFixture.h"
#include "contract/FocusAndMenuContract.h"
#include "contract/MessageBoxContract.h"
#include "contract/TrayIconContract.h"
#include "contract/WindowContract.h"

namespace vedodud::qt {
namespace {

using contract::ShownBox;
using contract::ShownMenu;

WString Wide(const QString& text) {
    return text.toStdU16String();
}

// Runs `act` on the popup or modal widget once the toolkit's call has opened it.
template <class Widget>
void WhenOpen(QWidget* (*active)(), std::function<void(Widget&)> act) {
    QTimer::singleShot(50, [active, act] {
        if (auto* widget = qobject_cast<Widget*>(active())) act(*widget);
    });
}

struct QtBackend : QtPlatform {
    std::vector<WString> ShownTips() {
        std::vector<WString> tips;
        for (QSystemTrayIcon* trayIcon : shell.TrayIcons())
            if (trayIcon->isVisible()) tips.push_back(Wide(trayIcon->toolTip()));
        std::sort(tips.begin(), tips.end());
        return tips;
    }
    void RightClickIcon() {
        const auto icons = shell.TrayIcons();
        ASSERT_EQ(icons.size(), 1u);
        emit icons.front()->activated(QSystemTrayIcon::Context);
    }
    void AnswerNextMessageBox(ShownBox& seen) {
        WhenOpen<QMessageBox>(&QApplication::activeModalWidget, [&seen](QMessageBox& box) {
            seen = {box.isVisible(), Wide(box.windowTitle()), Wide(box.text()), {}};
            for (QAbstractButton* button : box.buttons())
                seen.buttons.push_back(Wide(button->text().remove('&')));
            box.button(QMessageBox::Ok)->click();
        });
    }

    static QWidget& Widget(FormWindow& form) { return *static_cast<QtFormWindow&>(form).Widget(); }
    std::optional<ControlId> Focused(FormWindow& form) {
        QWidget* focused = Widget(form).focusWidget();
        for (const ControlLayout& control : Form1Layout().controls)
            if (focused && focused->objectName().toStdString() == control.name) return control.id;
        return std::nullopt;
    }
    void PressTab(FormWindow& form) {
        QWidget& widget = Widget(form);
        QTest::keyClick(widget.focusWidget() ? widget.focusWidget() : &widget, Qt::Key_Tab);
    }
    void AnswerNextMenu(ShownMenu& seen, char key) {
        WhenOpen<QMenu>(&QApplication::activePopupWidget, [&seen, key](QMenu& menu) {
            seen.opened = true;
            for (QAction* action : menu.actions())
                seen.items.push_back(action->isSeparator() ? u"-" : Wide(action->text()));
            QTest::keyClick(
                &menu, key == contract::kEscape ? Qt::Key_Escape : Qt::Key(QChar(key).toUpper().unicode()));
        });
    }
};

}  // namespace
}  // namespace vedodud::qt

namespace vedodud::contract {
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, WindowContract, qt::QtBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, TrayIconContract, qt::QtBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, MessageBoxContract, qt::QtBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FocusAndMenuContract, qt::QtBackend);
}  // namespace vedodud::contract
