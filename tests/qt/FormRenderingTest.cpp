// The window as Qt draws it from its layout: window kind, scale, fonts, colours, keys, the timer,
// and a desktop with no notification area.
#include <QLabel>
#include <QPushButton>

#include "BackendFixture.h"

namespace vedodud::qt {
namespace {

QColor PixelAt(QWidget& widget, QPoint point) {
    return widget.grab().toImage().pixelColor(point);
}

TEST_F(BackendTest, FormIsAFixedToolWindowAtFifteenTwipsAPixel) {
    Create();
    QWidget& form = Form();
    EXPECT_EQ(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(flags & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(flags & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
    EXPECT_FALSE(form.windowIcon().isNull());
    // Spelled out, so that a wrong scale cannot agree with itself.
    EXPECT_EQ(form.geometry(), QRect(108, 94, 502, 188));  // 1620, 1410, 7530 x 2820 twips
    EXPECT_EQ(Control("Command3")->geometry(), QRect(376, 8, 113, 17));
    EXPECT_EQ(Control("Shape1")->geometry(), QRect(8, 16, 161, 137));
    EXPECT_EQ(Control("Text1")->geometry(), QRect(136, 152, 177, 27));
    EXPECT_FALSE(Control<QPushButton>("Command3")->isDefault());  // Return in the URL box presses nothing
}

// The mark drawn at each size a tray or a window list may ask for, none of them scaled.
TEST_F(BackendTest, WindowIconCarriesTheMarkAtEverySize) {
    Create();
    const QIcon icon = Form().windowIcon();
    EXPECT_EQ(icon.availableSizes().size(), 8);
    for (int side : {16, 22, 24, 32, 48, 64, 128, 256}) {
        SCOPED_TRACE(side);
        EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side)));
        const QImage image = icon.pixmap(QSize(side, side)).toImage();
        EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);  // outside the disc
        const QColor disc = image.pixelColor(side / 2, side / 5);
        EXPECT_EQ(disc.alpha(), 255);
        EXPECT_GT(disc.red(), 2 * disc.green());
    }
}

TEST_F(BackendTest, CaptionsAreReadWholeInTheDefaultFontFamily) {
    Create();
    for (const char* name : {"Check1", "Label1"}) {
        SCOPED_TRACE(name);
        QWidget* widget = Control(name);
        EXPECT_LE(widget->sizeHint().width(), widget->width());
        EXPECT_EQ(widget->font().family(), QApplication::font().family());
    }
}

TEST_F(BackendTest, BackgroundsAreWhiteAsTheSystemColourEntriesSay) {
    Create();
    QWidget& form = Form();
    struct Spot {
        const char* what;
        QPoint point;
    };
    // Empty corners of each control, in form coordinates.
    for (const Spot& spot :
         {Spot{"form", {2, 2}}, Spot{"Check1 right end", {246, 10}}, Spot{"Label1 right end", {134, 170}},
          Spot{"Picture1 margin", {310, 140}}, Spot{"Frame1 below the light", {330, 179}}}) {
        SCOPED_TRACE(spot.what);
        const QColor colour = PixelAt(form, spot.point);
        EXPECT_GE(colour.red(), 250);
        EXPECT_GE(colour.green(), 250);
        EXPECT_GE(colour.blue(), 250);
    }
    EXPECT_EQ(Control<QLabel>("Picture1")->pixmap().size(), QSize(300, 100));
    EXPECT_EQ(Control<QLabel>("Picture1")->alignment(), Qt::AlignLeft | Qt::AlignTop);
}

TEST_F(BackendTest, StatusLightFillsInItsColourAndTellsAssistiveTechnology) {
    QtFormWindow& form = Create();
    QWidget* light = Control("Shape1");
    const QPoint centre = light->rect().center();
    EXPECT_EQ(PixelAt(*light, centre), QColor(0, 0xC0, 0));
    EXPECT_EQ(PixelAt(*light, {0, 0}), QColor(Qt::black));  // outline
    EXPECT_EQ(light->accessibleName(), "Status");
    EXPECT_EQ(light->accessibleDescription(), "online");

    struct Case {
        Colour colour;
        QColor drawn;
        const char* description;
    };
    for (const Case& c :
         {Case{0x000000FF, QColor(255, 0, 0), "offline"}, Case{0x0000C000, QColor(0, 192, 0), "online"},
          Case{0x00102030, QColor(0x30, 0x20, 0x10), "offline"}}) {
        form.SetFillColor(ControlId::Shape1, c.colour);
        EXPECT_EQ(form.FillColor(ControlId::Shape1), c.colour);
        EXPECT_EQ(PixelAt(*light, centre), c.drawn);
        EXPECT_EQ(light->accessibleDescription(), c.description);
    }
    EXPECT_THROW(form.SetFillColor(ControlId::Shape1, 0x80000063), RuntimeError);
    EXPECT_EQ(form.FillColor(ControlId::Shape1), 0x00102030u);
}

TEST_F(BackendTest, SpaceAndReturnOnMinimizePressIt) {
    QtFormWindow& form = Create();
    form.SetVisible(true);
    auto* minimize = Control<QPushButton>("Command3");
    QTest::keyClick(minimize, Qt::Key_Space);
    QTest::keyClick(minimize, Qt::Key_Return);
    EXPECT_EQ(events.Count("click:Command3"), 2);
}

TEST_F(BackendTest, RealTimerIntervalIsTheLayouts) {
    Create();
    auto* timer = Form().findChild<QTimer*>("Timer1");
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 10000);
    EXPECT_TRUE(timer->isActive());
}

TEST_F(BackendTest, WithoutANotificationAreaTheWindowShowsAtStartAndMinimizesInsteadOfHiding) {
    notificationArea.available = false;
    QtFormWindow& form = Create();
    const Qt::WindowFlags flags = Form().windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Window);
    EXPECT_TRUE(flags & Qt::WindowMinimizeButtonHint);

    bool shownWhileRunning = false;
    QTimer::singleShot(0, [&] {
        shownWhileRunning = Form().isVisible();
        form.SetVisible(false);
        EXPECT_TRUE(Form().isVisible());
        EXPECT_FALSE(form.Visible());
        form.Unload();
    });
    EXPECT_EQ(forms.Run(), 0);
    EXPECT_TRUE(shownWhileRunning);
}

TEST_F(BackendTest, OnceATrayArrivesTheWindowHidesInItAsTheToolWindowItIsMeantToBe) {
    notificationArea.available = false;
    QtFormWindow& form = Create();
    form.SetVisible(true);
    notificationArea.available = true;
    form.SetVisible(false);
    EXPECT_FALSE(Form().isVisible());
    const Qt::WindowFlags flags = Form().windowFlags();
    EXPECT_EQ(flags & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_FALSE(flags & Qt::WindowMinimizeButtonHint);
    form.SetVisible(true);
    EXPECT_TRUE(form.Visible());
}

}  // namespace
}  // namespace vedodud::qt
