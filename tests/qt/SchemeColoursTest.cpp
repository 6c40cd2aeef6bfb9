// The window and the alert read in every colour scheme: each caption against what is drawn behind
// it, and the window repainted when the scheme changes while it is shown.
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStyle>

#include "BackendFixture.h"
#include "platform/common/LegibleColours.h"
#include "platform/qt/SchemeColours.h"

namespace vedodud::qt {
namespace {

struct SchemeRoles {
    QColor window, windowText, base, text, button, buttonText, highlight, highlightedText;
};

QPalette MakePalette(const SchemeRoles& roles) {
    QPalette palette(roles.windowText, roles.button, roles.button.lighter(), roles.button.darker(),
                     roles.button.darker(120), roles.text, roles.highlightedText, roles.base, roles.window);
    palette.setColor(QPalette::ButtonText, roles.buttonText);
    palette.setColor(QPalette::Highlight, roles.highlight);
    palette.setColor(QPalette::HighlightedText, roles.highlightedText);
    return palette;
}

// Sets a palette for the application while it lives, as a desktop's scheme does.
class SchemeScope {
public:
    explicit SchemeScope(const QPalette& palette) : previous_(QApplication::palette()) {
        QApplication::setPalette(palette);
    }
    ~SchemeScope() { QApplication::setPalette(previous_); }

private:
    QPalette previous_;
};

const QPalette& AdwaitaDark() {
    static const QPalette palette =
        MakePalette({"#353535", "#eeeeec", "#2d2d2d", "#eeeeec", "#373737", "#eeeeec", "#15539e", "#ffffff"});
    return palette;
}

Colour Rgb(QRgb pixel) {
    return ToColour(QColor(pixel));
}

// The strongest contrast between the widget's caption and what is drawn in its place when the
// caption is drawn in its own background colour: every text colour is what the caption is read
// against. Zero when no caption is drawn at all.
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
            if (drawn.pixel(x, y) != bare.pixel(x, y))
                strongest = std::max(strongest, ContrastRatio(Rgb(drawn.pixel(x, y)), Rgb(bare.pixel(x, y))));
    return strongest;
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

TEST_F(BackendTest, EveryCaptionReadsInEveryScheme) {
    struct Scheme {
        const char* name;
        QPalette palette;
    };
    const Scheme schemes[] = {
        {"light", QApplication::style()->standardPalette()},
        {"Adwaita-Dark", AdwaitaDark()},
        {"high contrast", MakePalette({Qt::black, Qt::yellow, Qt::black, Qt::white, Qt::black, Qt::yellow,
                                       Qt::cyan, Qt::black})},
        // Text of every kind close to what it is drawn on, and caption text as light as the text.
        {"poorly paired", MakePalette({"#707070", "#505050", "#606060", "#7a7a7a", "#808080", "#909090",
                                       "#000080", "#7a7a7a"})},
    };
    for (const Scheme& scheme : schemes) {
        SCOPED_TRACE(scheme.name);
        const SchemeScope scope(scheme.palette);
        Create();
        for (const char* name : {"Check1", "Label1", "Frame1", "Command3", "Text1"}) {
            SCOPED_TRACE(name);
            EXPECT_GE(CaptionContrast(Form(), *Control(name)), kLegibleContrast);
        }
        WhenModalOpens([](QMessageBox& box) {
            EXPECT_GE(CaptionContrast(box, *box.findChild<QLabel*>("qt_msgbox_label")), kLegibleContrast);
            EXPECT_GE(CaptionContrast(box, *box.button(QMessageBox::Ok)), kLegibleContrast);
            box.accept();
        });
        forms.MsgBox(u"You're Website has gone offline!", 0);
        window.reset();
        Settle();
    }
}

TEST_F(BackendTest, FormFollowsTheSchemeAndRepaintsWhenItChangesWhileShown) {
    QtFormWindow& form = Create();
    form.SetVisible(true);
    const QPoint bareForm(2, 2);
    EXPECT_EQ(Form().grab().toImage().pixelColor(bareForm), QColor(Qt::white));

    int paints = 0;
    struct PaintCounter : QObject {
        int& count;
        explicit PaintCounter(int& count) : count(count) {}
        bool eventFilter(QObject*, QEvent* event) override {
            if (event->type() == QEvent::Paint) ++count;
            return false;
        }
    } counter(paints);
    Form().installEventFilter(&counter);
    {
        const SchemeScope dark(AdwaitaDark());
        EXPECT_TRUE(QTest::qWaitFor([&] { return paints > 0; }, 5000));
        EXPECT_EQ(Form().grab().toImage().pixelColor(bareForm), AdwaitaDark().color(QPalette::Base));
        EXPECT_EQ(Control("Label1")->palette().color(QPalette::WindowText), QColor("#eeeeec"));
        paints = 0;
    }
    EXPECT_TRUE(QTest::qWaitFor([&] { return paints > 0; }, 5000));
    EXPECT_EQ(Form().grab().toImage().pixelColor(bareForm), QColor(Qt::white));
    Form().removeEventFilter(&counter);
}

}  // namespace
}  // namespace vedodud::qt
