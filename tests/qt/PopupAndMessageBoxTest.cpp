// The tray menu popped up from the layout, and the modal message box.
#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QProxyStyle>

#include "BackendFixture.h"

namespace vedodud::qt {
namespace {

// Runs `act` on the popup menu once it is open; closes every popup if none shows up.
void WhenMenuOpens(std::function<void(QMenu&)> act) {
    QTimer::singleShot(50, [act] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            act(*menu);
        } else {
            ADD_FAILURE() << "no popup menu open";
        }
    });
}

void WhenModalOpens(std::function<void(QMessageBox&)> act) {
    QTimer::singleShot(50, [act] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            act(*box);
        } else {
            ADD_FAILURE() << "no message box open";
        }
    });
}

TEST_F(BackendTest, PopupMenuShowsTheLayoutsItemsWithASeparator) {
    QtFormWindow& form = Create();
    std::vector<std::string> shown;
    WhenMenuOpens([&](QMenu& menu) {
        EXPECT_EQ(menu.objectName(), "mnuTray");
        for (QAction* action : menu.actions())
            shown.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        QTest::keyClick(&menu, Qt::Key_Escape);
    });
    form.PopupMenu(MenuId::mnuTray);
    EXPECT_EQ(shown, (std::vector<std::string>{"&Do Stuff...", "-", "&Close"}));
    EXPECT_TRUE(events.log.empty());  // dismissed: nothing chosen
}

TEST_F(BackendTest, AccessKeysChooseAnItemWhoseClickArrivesBeforePopupMenuReturns) {
    struct Case {
        Qt::Key key;
        const char* expected;
    };
    for (const Case& c : {Case{Qt::Key_D, "menu:DoStuff"}, Case{Qt::Key_C, "menu:Close"}}) {
        QtFormWindow& form = Create();
        events.log.clear();
        WhenMenuOpens([&](QMenu& menu) { QTest::keyClick(&menu, c.key); });
        form.PopupMenu(MenuId::mnuTray);
        events.log.push_back("returned");
        EXPECT_EQ(events.log, (std::vector<std::string>{c.expected, "returned"}));
    }
}

TEST_F(BackendTest, CloseChosenFromTheMenuMayUnloadAndDropTheFormWhileThePopupIsOnTheStack) {
    QtFormWindow& form = Create();
    const Long hWnd = form.hWnd();
    events.onMenuClick = [&](MenuId) {
        window->Unload();
        window.reset();  // the program lets go of the form inside the popup call
    };
    WhenMenuOpens([&](QMenu& menu) { QTest::keyClick(&menu, Qt::Key_C); });
    form.PopupMenu(MenuId::mnuTray);
    EXPECT_EQ(window, nullptr);
    EXPECT_FALSE(table.IsWindow(hWnd));
    EXPECT_EQ(forms.LoadedForms(), 0);
    Settle();
}

TEST_F(BackendTest, MessageBoxHasTheApplicationTitleThePromptAndOneOkButton) {
    Create();  // hidden: the box must show all the same
    bool looked = false;
    WhenModalOpens([&](QMessageBox& box) {
        looked = true;
        EXPECT_TRUE(box.isVisible());
        EXPECT_EQ(box.windowTitle(), "Dezorav Ovozeri");
        EXPECT_EQ(box.text(), "You're Website has gone offline!");
        EXPECT_EQ(box.standardButtons(), QMessageBox::Ok);
        EXPECT_EQ(box.buttons().size(), 1);
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        box.button(QMessageBox::Ok)->click();
    });
    forms.MsgBox(u"You're Website has gone offline!", 0);
    EXPECT_TRUE(looked);
    EXPECT_FALSE(Form().isVisible());
}

// A style that puts icons on dialog buttons, as some desktops' styles do.
class IconButtonStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

TEST_F(BackendTest, MessageBoxOkButtonIsPlainWhateverTheStyle) {
    Create();
    QStyle* previous = QApplication::style();
    const QString previousName = previous->objectName();
    QApplication::setStyle(new IconButtonStyle);
    bool plain = false;
    WhenModalOpens([&](QMessageBox& box) {
        plain = box.button(QMessageBox::Ok)->icon().isNull();
        box.button(QMessageBox::Ok)->click();
    });
    forms.MsgBox(u"You're Website has gone offline!", 0);
    QApplication::setStyle(previousName);
    EXPECT_TRUE(plain);
}

TEST_F(BackendTest, TimerKeepsTickingWhileTheMessageBoxIsOpen) {
    Create(WithTimerInterval(20));
    int ticksWhileOpen = 0;
    QTimer::singleShot(50, [&] {
        const int before = events.Count("tick");
        (void)QTest::qWaitFor([&] { return events.Count("tick") >= before + 3; }, 3000);
        ticksWhileOpen = events.Count("tick") - before;
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->accept();
    });
    forms.MsgBox(u"x", 0);
    EXPECT_GE(ticksWhileOpen, 3);
}

TEST_F(BackendTest, MessageBoxRefusesButtonsItDoesNotOffer) {
    EXPECT_THROW(forms.MsgBox(u"x", 4), RuntimeError);
}

}  // namespace
}  // namespace vedodud::qt
