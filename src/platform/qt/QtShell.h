// The notification area on Qt: one tray item per (window, id), driven by icon records, made anew
// whenever the desktop's notification area comes, goes or changes kind.
#pragma once

#include <QIcon>
#include <QMenu>
#include <QObject>
#include <QString>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Shell.h"
#include "platform/qt/WindowTable.h"
#include "platform/qt/tray/NotificationArea.h"
#include "platform/qt/tray/TrayItem.h"

namespace vedodud::qt {

// The mouse messages a window is told about for one kind of activation of its icon.
std::vector<Long> MouseMessagesFor(TrayItem::Activation reason);

class QtShell final : public Shell {
public:
    QtShell(WindowTable& table, CodePage& codePage, NotificationArea& area);
    ~QtShell() override;

    Long Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) override;

private:
    friend class QtShellInspector;  // the tests' view of the icons

    struct Record;
    // Later: the icon or its menu may be the one whose activation led to its deletion.
    static void DeleteLater(QObject* object);
    template <class T>
    using DeletedLater = std::unique_ptr<T, void (*)(QObject*)>;
    struct Icon {
        std::unique_ptr<TrayItem, RetireItem> item;           // none while there is no tray
        TrayKind kind = TrayKind::None;                       // of the item, and of the tray it is in
        std::uint64_t generation = 0;                         // of that tray
        DeletedLater<QMenu> hostMenu{nullptr, &DeleteLater};  // for a host that shows menus itself
        Long callbackMessage = 0;
        bool notifies = false;  // a callback message was given
        QIcon image;
        QString tip;
    };
    using Key = std::pair<Long, Long>;
    using Activation = std::pair<Key, TrayItem::Activation>;

    Long Add(const Record& record);
    Long Modify(const Record& record);
    Long Delete(const Record& record);
    void Apply(Icon& icon, const Record& record);
    void Place(Key key, Icon& icon);
    void Show(Key key, Icon& icon);
    void PlaceAll();
    void Activated(Key key, TrayItem::Activation reason);
    void HostOpensMenu(Key key);
    void SendMouseMessages(Key key, TrayItem::Activation reason);
    void DropIconsOf(Long hWnd);

    WindowTable& table_;
    CodePage& codePage_;
    NotificationArea& area_;
    std::map<Key, Icon> icons_;
    std::set<Activation> activationsUnderway_;  // queued or being handled
    QObject context_;  // of every callback the shell hands out: none runs once it is gone
};

}  // namespace vedodud::qt
