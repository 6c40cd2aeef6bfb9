// Icon records to tray icons: each flag does exactly its part, and mouse activity reaches the window.
#include <QMenu>

#include "BackendFixture.h"
#include "support/IconRecord.h"

namespace vedodud::qt {
namespace {

constexpr Long kCallback = 2025;

NotifyIconDataA Record(Long hWnd, Long uID, Long flags, Long hIcon, std::string_view tip = {},
                       Long cbSize = kNotifyIconDataASize) {
    return MakeRecord({cbSize, hWnd, uID, flags, kCallback, hIcon}, tip);
}

class TrayIconTest : public BackendTest {
protected:
    void SetUp() override {
        BackendTest::SetUp();
        Create();
        hWnd = window->hWnd();
        icon = window->IconHandle();
        // Pops up the window's menu on a right-button release, as the tray module does.
        const Long recorder = windows.AddressOf([this](Long, Long msg, Long wParam, Long lParam) {
            if (msg == kCallback) received.push_back({wParam, lParam});
            if (msg == kCallback && lParam == 0x205 && popUpOnRightClick) window->PopupMenu(MenuId::mnuTray);
            return 0;
        });
        windows.SetWindowLongA(hWnd, GWL_WNDPROC, recorder);
    }
    Long Notify(Long op, NotifyIconDataA data) { return shell.Shell_NotifyIconA(op, data); }
    void Activate(FakeTrayItem* item, TrayItem::Activation reason) {
        item->activated(reason);
        Settle();
    }

    std::vector<std::string> Items(QMenu& menu) {
        std::vector<std::string> items;
        for (QAction* action : menu.actions())
            items.push_back(action->isSeparator() ? "-" : action->text().toStdString());
        return items;
    }

    Long hWnd = 0, icon = 0;
    bool popUpOnRightClick = false;
    std::vector<std::pair<Long, Long>> received;  // wParam, lParam
};

class AddFlags : public TrayIconTest, public ::testing::WithParamInterface<Long> {};

// Only here can a test see the image an icon shows; an XEmbed tray gets no menu of Qt's own.
TEST_P(AddFlags, TheIconShowsItsImageOnlyWhenFlaggedAndHasNoMenuOfItsOwn) {
    const Long flags = GetParam();
    ASSERT_EQ(Notify(NIM_ADD, Record(hWnd, 0, flags, icon)), 1);
    FakeTrayItem* item = Item(hWnd, 0);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(!item->icon.isNull(), (flags & NIF_ICON) != 0);
    if (flags & NIF_ICON) {
        EXPECT_EQ(item->icon.pixmap(32).toImage().pixelColor(0, 0).alpha(), 0);  // no black box around it
    }
    EXPECT_EQ(item->menu, nullptr);
}

INSTANTIATE_TEST_SUITE_P(EveryCombination, AddFlags, ::testing::Range<Long>(0, 8));

// How a tip that fills its field without a NUL reads is up to each shell; this one takes all 64 bytes.
TEST_F(TrayIconTest, AModifyKeepsAnUnflaggedImageAndReadsATipWithoutItsNul) {
    Notify(NIM_ADD, Record(hWnd, 0, NIF_MESSAGE | NIF_ICON, icon));
    FakeTrayItem* item = Item(hWnd, 0);
    const qint64 iconKey = item->icon.cacheKey();
    EXPECT_EQ(Notify(NIM_MODIFY, Record(hWnd, 0, NIF_TIP, 0, std::string(64, 'x'))), 1);  // no NUL at all
    EXPECT_EQ(item->tip, QString(64, 'x'));
    EXPECT_EQ(item->icon.cacheKey(), iconKey);  // hIcon 0 was not flagged
}

TEST_F(TrayIconTest, MouseActivityArrivesAsTheCallbackMessageWithTheMouseMessage) {
    Notify(NIM_ADD, Record(hWnd, 5, NIF_MESSAGE | NIF_ICON, icon));
    struct Case {
        TrayItem::Activation reason;
        std::vector<std::pair<Long, Long>> expected;
    };
    for (const Case& c : {Case{TrayItem::Activation::ContextMenu, {{5, 0x204}, {5, 0x205}}},
                          Case{TrayItem::Activation::Click, {{5, 0x201}, {5, 0x202}}},
                          Case{TrayItem::Activation::DoubleClick, {{5, 0x203}}},
                          Case{TrayItem::Activation::MiddleClick, {{5, 0x207}, {5, 0x208}}}}) {
        received.clear();
        Item(hWnd, 5)->activated(c.reason);
        EXPECT_TRUE(received.empty());  // queued, not sent from inside Qt's mouse handling
        Settle();
        EXPECT_EQ(received, c.expected);
    }
}

// A host that asks for the menu many times at once gets one menu; a later request gets another.
TEST_F(TrayIconTest, RepeatsOfAnActivationStillOnItsWayAreOne) {
    Notify(NIM_ADD, Record(hWnd, 5, NIF_MESSAGE | NIF_ICON, icon));
    for (int i = 0; i < 100; ++i) Item(hWnd, 5)->activated(TrayItem::Activation::ContextMenu);
    Settle();
    EXPECT_EQ(received, (std::vector<std::pair<Long, Long>>{{5, 0x204}, {5, 0x205}}));
    Activate(Item(hWnd, 5), TrayItem::Activation::ContextMenu);
    EXPECT_EQ(received.size(), 4u);
}

TEST_F(TrayIconTest, AnIconDeletedByItsOwnClickGetsNoMoreMessages) {
    Notify(NIM_ADD, Record(hWnd, 0, NIF_MESSAGE | NIF_ICON, icon));
    const Long deleter = windows.AddressOf([this](Long, Long msg, Long, Long lParam) {
        if (msg == kCallback) {
            received.push_back({0, lParam});
            Notify(NIM_DELETE, Record(hWnd, 0, 0, 0));
        }
        return 0;
    });
    windows.SetWindowLongA(hWnd, GWL_WNDPROC, deleter);
    Activate(Item(hWnd, 0), TrayItem::Activation::ContextMenu);
    EXPECT_EQ(received, (std::vector<std::pair<Long, Long>>{{0, 0x204}}));
    EXPECT_EQ(QtShellInspector::IconCount(shell), 0u);
}

TEST_F(TrayIconTest, WithoutATrayTheIconWaitsAndAppearsWithItsTipWhenOneArrives) {
    notificationArea.available = false;
    ASSERT_EQ(Notify(NIM_ADD, Record(hWnd, 0, NIF_MESSAGE | NIF_ICON, icon)), 1);
    EXPECT_EQ(Notify(NIM_MODIFY, Record(hWnd, 0, NIF_TIP, 0, "Shoutcast/Dezorav Ovozeri")), 1);
    EXPECT_EQ(Item(hWnd, 0), nullptr);
    ASSERT_EQ(Notify(NIM_ADD, Record(hWnd, 1, NIF_ICON, icon)), 1);
    EXPECT_EQ(Notify(NIM_DELETE, Record(hWnd, 1, 0, 0)), 1);  // gone before any tray came

    notificationArea.Switch(true);
    FakeTrayItem* item = Item(hWnd, 0);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->tip, "Shoutcast/Dezorav Ovozeri");
    EXPECT_FALSE(item->icon.isNull());
    EXPECT_EQ(QtShellInspector::IconCount(shell), 1u);
    Activate(item, TrayItem::Activation::ContextMenu);
    EXPECT_EQ(received, (std::vector<std::pair<Long, Long>>{{0, 0x204}, {0, 0x205}}));
}

TEST_F(TrayIconTest, AHostThatShowsMenusGetsTheMenuTheWindowPopsUpAndTheChoiceLater) {
    notificationArea.showsExportedMenus = true;
    popUpOnRightClick = true;
    Notify(NIM_ADD, Record(hWnd, 0, NIF_MESSAGE | NIF_ICON, icon));
    QMenu* menu = QtShellInspector::HostMenu(shell, hWnd, 0);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(Item(hWnd, 0)->menu, menu);
    Settle();  // filled at once, for hosts that read it before any click
    EXPECT_EQ(Items(*menu), (std::vector<std::string>{"&Do Stuff...", "-", "&Close"}));
    const QList<QAction*> known = menu->actions();

    received.clear();
    Item(hWnd, 0)->aboutToShow();  // the host is about to show it: a right-click as the window knows it
    EXPECT_EQ(received, (std::vector<std::pair<Long, Long>>{{0, 0x204}, {0, 0x205}}));
    EXPECT_EQ(menu->actions(), known);  // the same entries, so ids the host holds stay valid
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);  // nothing popped up on the screen
    EXPECT_TRUE(events.log.empty());

    events.onMenuClick = [&](MenuId) { window->Unload(); };
    known.back()->trigger();  // chosen in the host's menu, after the popup call has returned
    EXPECT_EQ(events.log, (std::vector<std::string>{"menu:mnuTrayClose"}));
    known.front()->trigger();  // a late choice for a window that is gone is dropped
    EXPECT_EQ(events.log, (std::vector<std::string>{"menu:mnuTrayClose"}));
    EXPECT_EQ(QtShellInspector::IconCount(shell), 0u);
}

TEST_F(TrayIconTest, AMenuPoppedUpWithoutTheHostAskingOpensOnTheScreen) {
    notificationArea.showsExportedMenus = true;
    Notify(NIM_ADD, Record(hWnd, 0, NIF_MESSAGE | NIF_ICON, icon));
    Settle();
    QString popped;
    QTimer::singleShot(50, [&] {
        if (auto* open = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            popped = open->objectName();
            open->close();
        }
    });
    window->PopupMenu(MenuId::mnuTray);  // what a host calling ContextMenu leads to
    EXPECT_EQ(popped, "mnuTray");
    EXPECT_TRUE(
        QtShellInspector::HostMenu(shell, hWnd, 0)->actions().isEmpty());  // the host's stays unfilled
}

TEST_F(TrayIconTest, UnloadingTheWindowLeavesNoIconBehind) {
    Notify(NIM_ADD, Record(hWnd, 0, 3, icon));
    Notify(NIM_ADD, Record(hWnd, 1, 3, icon));
    window->Unload();
    EXPECT_EQ(QtShellInspector::IconCount(shell), 0u);
}

}  // namespace
}  // namespace vedodud::qt
