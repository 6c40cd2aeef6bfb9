// Which kind of item an icon becomes as the desktop's trays come and answer, how a label reads in
// an exported menu, and a window shown for lack of a tray going into one that arrives.
#include <QLineEdit>

#include "BackendFixture.h"
#include "platform/qt/tray/DBusMenuExporter.h"

namespace vedodud::qt {
namespace {

using Answer = TrayFacts::Answer;

TEST(TrayChoiceTest, TheIconWaitsBrieflyForTheBusThenPrefersAHostAndNeverWaitsOnAHungOne) {
    struct Case {
        TrayFacts facts;
        TrayKind kind;
        bool visible;
    };
    const Case cases[] = {
        {{Answer::Pending, Answer::Pending, true, false},
         TrayKind::Undecided,
         false},                                                                   // the bus not heard yet
        {{Answer::Pending, Answer::Pending, true, true}, TrayKind::XEmbed, true},  // nor in time
        {{Answer::No, Answer::No, true, false}, TrayKind::XEmbed, true},
        {{Answer::No, Answer::No, true, true, true}, TrayKind::Undecided, true},  // asked to dock again soon
        {{Answer::Yes, Answer::Pending, true, false}, TrayKind::Undecided, false},  // a host may be there
        {{Answer::Yes, Answer::Pending, true, true}, TrayKind::XEmbed, true},       // a hung watcher
        {{Answer::Yes, Answer::Yes, true, false}, TrayKind::StatusNotifier, true},  // xfce4-panel: both
        {{Answer::Yes, Answer::No, false, true},
         TrayKind::StatusNotifier,
         false},  // registered for a later host
        {{Answer::Yes, Answer::Pending, false, true}, TrayKind::StatusNotifier, false},
        {{Answer::No, Answer::No, false, true}, TrayKind::None, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ChooseItemKind(c.facts), c.kind) << &c - cases;
        EXPECT_EQ(ItemVisible(c.facts), c.visible) << &c - cases;
    }
}

TEST(TrayChoiceTest, AccessKeysReadAsTheHostWritesThem) {
    EXPECT_EQ(DBusMenuExporter::Label("&Do Stuff..."), "_Do Stuff...");
    EXPECT_EQ(DBusMenuExporter::Label("R&&D_1 &x&"), "R&D__1 _x&");
}

TEST_F(BackendTest, AWindowShownForLackOfATrayGoesIntoOneThatArrivesUnlessTheUserUsedIt) {
    for (const bool used : {false, true}) {
        notificationArea.available = false;
        QtFormsToolkit graced{table, {[this] { return notificationArea.available; }, false, 50}};
        graced.Start(kIdentity);
        const std::unique_ptr<FormWindow> form = graced.CreateForm(Form1Layout(), events);
        QWidget* widget = &QtFormWindowInspector::Widget(static_cast<QtFormWindow&>(*form));
        bool shownAtOnce = true, shownAfterGrace = false;
        QTimer::singleShot(0, [&] { shownAtOnce = widget->isVisible(); });
        QTimer::singleShot(1000, [&] {
            shownAfterGrace = widget->isVisible();
            if (used) QTest::keyClick(widget->findChild<QLineEdit*>(), Qt::Key_A);
            notificationArea.available = true;
            graced.TrayChanged();
            EXPECT_EQ(widget->isVisible(), used) << used;
            EXPECT_EQ(widget->windowFlags() & Qt::WindowType_Mask, used ? Qt::Window : Qt::Tool) << used;
            form->Unload();
        });
        EXPECT_EQ(graced.Run(), 0);
        EXPECT_FALSE(shownAtOnce);
        EXPECT_TRUE(shownAfterGrace);
    }
}

}  // namespace
}  // namespace vedodud::qt
