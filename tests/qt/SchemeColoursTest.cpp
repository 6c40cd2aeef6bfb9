// The window and the alert read in every colour scheme, each caption against what is drawn behind
// it, and follow the scheme while they are shown.
#include <QLabel>
#include <QPushButton>
#include <QStyle>

#include "BackendFixture.h"
#include "platform/common/LegibleColours.h"
#include "platform/qt/SchemeColours.h"

namespace vedodud::qt {
namespace {

// A scheme from its backgrounds and their texts; caption text (title bar text) is the text's.
QPalette Scheme(QColor window, QColor windowText, QColor base, QColor text, QColor button,
                QColor buttonText) {
    QPalette palette(windowText, button, button.lighter(), button.darker(), button.darker(120), text, text,
                     base, window);
    palette.setColor(QPalette::ButtonText, buttonText);
    palette.setColor(QPalette::HighlightedText, text);
    return palette;
}

const QPalette kAdwaitaDark = Scheme("#353535", "#eeeeec", "#2d2d2d", "#eeeeec", "#373737", "#eeeeec");

// The strongest contrast between the widget's caption and what is drawn in its place with every
// text colour made its background's: what the caption is read against. Zero with no caption.
double CaptionContrast(QWidget& window, QWidget& widget) {
    const QRect area(widget.mapTo(&window, QPoint(0, 0)), widget.size());
    const QImage drawn = window.grab().toImage().copy(area);
    const QPalette own = widget.palette();
    QPalette hidden = own;
    for (const QPalette::ColorGroup group : kReadGroups)
        for (const QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            hidden.setColor(group, role, own.color(group, widget.backgroundRole()));
    widget.setPalette(hidden);
    const QImage bare = window.grab().toImage().copy(area);
    widget.setPalette(own);
    double strongest = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            strongest = std::max(strongest, ContrastRatio(ToColour(QColor(drawn.pixel(x, y))),
                                                          ToColour(QColor(bare.pixel(x, y)))));
    return strongest;
}

// The window shown and the alert open throughout, the scheme switched under them as a desktop does
// at sunset: each time the window is repainted in the scheme's background and every caption reads.
TEST_F(BackendTest, EveryCaptionReadsInEverySchemeSwitchedToWhileShown) {
    const QPalette previous = QApplication::palette();
    const std::pair<const char*, QPalette> schemes[] = {
        {"light", QApplication::style()->standardPalette()},
        {"Adwaita-Dark", kAdwaitaDark},
        {"high contrast", Scheme(Qt::black, Qt::yellow, Qt::black, Qt::white, Qt::black, Qt::yellow)},
        {"poorly paired", Scheme("#707070", "#505050", "#606060", "#7a7a7a", "#808080", "#909090")},
        {"light again", QApplication::style()->standardPalette()},
    };
    Create().SetVisible(true);
    WhenModalOpens([&](QMessageBox& box) {
        for (const auto& [name, scheme] : schemes) {
            SCOPED_TRACE(name);
            QApplication::setPalette(scheme);
            QCoreApplication::processEvents();
            const auto group = Form().isActiveWindow() ? QPalette::Active : QPalette::Inactive;
            EXPECT_EQ(Form().grab().toImage().pixelColor(2, 2), scheme.color(group, QPalette::Base));
            for (const char* control : {"Check1", "Label1", "Frame1", "Command3", "Text1"})
                EXPECT_GE(CaptionContrast(Form(), *Control(control)), kLegibleContrast) << control;
            EXPECT_GE(CaptionContrast(box, *box.findChild<QLabel*>("qt_msgbox_label")), kLegibleContrast);
            EXPECT_GE(CaptionContrast(box, *box.button(QMessageBox::Ok)), kLegibleContrast);
        }
        box.accept();
    });
    forms.MsgBox(u"You're Website has gone offline!", 0);
    QApplication::setPalette(previous);
}

}  // namespace
}  // namespace vedodud::qt
