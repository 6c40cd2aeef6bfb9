// The backend contracts on the Qt backend, offscreen.
#include <QAbstractButton>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>

#include "BackendFixture.h"
#include "contract/BoundaryContracts.h"
#include "contract/FormContract.h"

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
        for (TrayItem* item : QtShellInspector::Items(shell))
            tips.push_back(Wide(static_cast<FakeTrayItem*>(item)->tip));
        std::sort(tips.begin(), tips.end());
        return tips;
    }
    void RightClickIcon() {
        const auto items = QtShellInspector::Items(shell);
        ASSERT_EQ(items.size(), 1u);
        items.front()->activated(TrayItem::Activation::ContextMenu);
    }
    void AnswerNextMessageBox(ShownBox& seen) {
        WhenOpen<QMessageBox>(&QApplication::activeModalWidget, [&seen](QMessageBox& box) {
            seen = {box.isVisible(), Wide(box.windowTitle()), Wide(box.text()), {}};
            for (QAbstractButton* button : box.buttons())
                seen.buttons.push_back(Wide(button->text().remove('&')));
            box.button(QMessageBox::Ok)->click();
        });
    }

    static QWidget& Widget(FormWindow& form) {
        return QtFormWindowInspector::Widget(static_cast<QtFormWindow&>(form));
    }
    static QWidget& Control(FormWindow& form, ControlId id) {
        return *Widget(form).findChild<QWidget*>(QString::fromLatin1(Form1Layout().Control(id).name));
    }
    static int Pixels(int twips) { return twips / kTwipsPerPixelAt96Dpi; }
    static contract::Placement Place(const QString& container, const QRect& box) {
        return {container.toStdString(), box.x(), box.y(), box.width(), box.height()};
    }
    contract::Placement Placed(FormWindow& form, ControlId id) {
        const QWidget& control = Control(form, id);
        return Place(control.parentWidget()->objectName(), control.geometry());
    }
    contract::Placement ClientArea(FormWindow& form) { return Place("", Widget(form).geometry()); }
    WString Caption(FormWindow& form, std::optional<ControlId> id) {
        if (!id) return Wide(Widget(form).windowTitle());
        const QWidget& control = Control(form, *id);
        return Wide(control.property(qobject_cast<const QGroupBox*>(&control) ? "title" : "text").toString());
    }
    void Type(FormWindow& form, ControlId id, const WString& text) {
        auto& box = static_cast<QLineEdit&>(Control(form, id));
        box.selectAll();
        box.insert(QString::fromStdU16String(text));  // as typed, which keyClicks cannot do beyond ASCII
    }
    void Click(FormWindow& form, ControlId id) { QTest::mouseClick(&Control(form, id), Qt::LeftButton); }
    void PressCloseBox(FormWindow& form) { Widget(form).close(); }
    std::optional<ControlId> Focused(FormWindow& form) {
        QWidget* focused = Widget(form).focusWidget();
        return focused ? contract::ControlNamed(focused->objectName().toStdString()) : std::nullopt;
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
INSTANTIATE_BOUNDARY_CONTRACTS(Qt, qt::QtBackend);
INSTANTIATE_TYPED_TEST_SUITE_P(Qt, FormContract, qt::QtBackend);
}  // namespace vedodud::contract
