// The notification area on Qt: one QSystemTrayIcon per (window, id), driven by icon records.
#pragma once

#include <QSystemTrayIcon>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "platform/CodePage.h"
#include "platform/Shell.h"
#include "platform/qt/WindowTable.h"

namespace vedodud::qt {

inline constexpr Long WM_MBUTTONDBLCLK = 0x0209;

// The mouse messages a window is told about for one kind of activation of its icon.
std::vector<Long> MouseMessagesFor(QSystemTrayIcon::ActivationReason reason);

class QtShell final : public Shell {
public:
    QtShell(WindowTable& table, CodePage& codePage);
    ~QtShell() override;

    Long Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) override;

    // For tests: the icon shown for (hWnd, uID), or nullptr.
    QSystemTrayIcon* TrayIcon(Long hWnd, Long uID) const;
    std::size_t IconCount() const { return icons_.size(); }

private:
    struct Record;
    struct Icon {
        std::unique_ptr<QSystemTrayIcon, void (*)(QSystemTrayIcon*)> trayIcon;
        Long callbackMessage = 0;
        bool notifies = false;  // a callback message was given
    };
    using Key = std::pair<Long, Long>;

    Long Add(const Record& record);
    Long Modify(const Record& record);
    Long Delete(const Record& record);
    void Apply(Icon& icon, const Record& record);
    void Activated(Key key, QSystemTrayIcon::ActivationReason reason);
    void DropIconsOf(Long hWnd);

    WindowTable& table_;
    CodePage& codePage_;
    std::map<Key, Icon> icons_;
    std::shared_ptr<bool> alive_;
};

}  // namespace vedodud::qt
