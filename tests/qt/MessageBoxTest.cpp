// The modal message box where Qt needs telling: plain, ticking behind, and only the OK button.
#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProxyStyle>

#include "BackendFixture.h"

namespace vedodud::qt {
namespace {

// A style that puts icons on dialog buttons, as some desktops' styles do.
class IconButtonStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons) return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

// Qt would add an icon, rich text or a styled button where the user32 box has none of them.
TEST_F(BackendTest, MessageBoxIsPlainTextWithoutIconsWhateverTheStyle) {
    Create();
    QStyle* previous = QApplication::style();
    const QString previousName = previous->objectName();
    QApplication::setStyle(new IconButtonStyle);
    bool looked = false;
    WhenModalOpens([&](QMessageBox& box) {
        looked = true;
        EXPECT_EQ(box.icon(), QMessageBox::NoIcon);
        EXPECT_EQ(box.textFormat(), Qt::PlainText);
        EXPECT_TRUE(box.button(QMessageBox::Ok)->icon().isNull());
        box.button(QMessageBox::Ok)->click();
    });
    forms.MsgBox(u"You're Website has gone <b>offline</b>!", 0);
    QApplication::setStyle(previousName);
    EXPECT_TRUE(looked);
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

// Title bars centre the title with up to three buttons at each end; a short prompt must not make
// the box too narrow for that.
TEST_F(BackendTest, MessageBoxIsWideEnoughForItsTitleBetweenTitleBarButtons) {
    int width = 0;
    int needed = 0;
    WhenModalOpens([&](QMessageBox& box) {
        QFont bold = box.font();
        bold.setBold(true);
        const QFontMetrics metrics(bold);
        needed = metrics.horizontalAdvance(box.windowTitle()) + 2 * 3 * metrics.height();
        width = box.width();
        box.accept();
    });
    forms.MsgBox(u"x", 0);
    EXPECT_GE(width, needed);
}

TEST_F(BackendTest, MessageBoxRefusesButtonsItDoesNotOffer) {
    EXPECT_THROW(forms.MsgBox(u"x", 4), RuntimeError);
}

}  // namespace
}  // namespace vedodud::qt
