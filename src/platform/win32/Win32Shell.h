// shell32's notification-area call, bound by name, and the icons to add again when the
// taskbar is created anew (Explorer restarted).
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <utility>

#include "platform/Shell.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

class Win32Shell : public Shell {
public:
    // Hands a record to the shell; the real one unless a test records the calls.
    using Notify = std::function<Long(Long dwMessage, NotifyIconDataA& record)>;

    Win32Shell();
    explicit Win32Shell(Notify notify);

    Long Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) override;

    // The "TaskbarCreated" broadcast: every icon shown now is added again, with its tip.
    void TaskbarCreated();

private:
    struct ShownIcon {
        NotifyIconDataA added;
        std::optional<NotifyIconDataA> tip;
    };
    using IconKey = std::pair<Long, Long>;  // hWnd, uID

    Notify notify_;
    std::map<IconKey, ShownIcon> shown_;
};

// The 88-byte record handed to shell32's Shell_NotifyIconA as this Windows takes it.
Long CallShellNotifyIconA(Long dwMessage, NotifyIconDataA& record);

}  // namespace vedodud::win32
