// A notification area that keeps icons keyed by (hWnd, uID), honours uFlags, and records
// every record it was handed, byte for byte.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/Shell.h"
#include "scripted/ScriptedWindows.h"

namespace vedodud::scripted {

struct TrayIcon {
    Long callbackMessage = 0;
    Long hIcon = 0;
    std::optional<std::string> tip;  // narrow, up to its NUL; empty optional: no tooltip
};

struct ShellCall {
    Long message;
    NotifyIconDataA record;
    Long result;
};

class ScriptedShell : public Shell {
public:
    explicit ScriptedShell(ScriptedWindows& windows) : windows_(windows) {}

    Long Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) override;

    const TrayIcon* Icon(Long hWnd, Long uID = 0) const;
    const std::map<std::pair<Long, Long>, TrayIcon>& Icons() const { return icons_; }
    std::size_t IconCount() const { return icons_.size(); }
    // Mouse activity over an icon: the callback message goes to its window.
    Long Mouse(Long hWnd, Long mouseMessage, Long uID = 0);
    // A right click: button down, then up.
    Long RightClick(Long hWnd, Long uID = 0);

    std::vector<ShellCall> calls;

private:
    ScriptedWindows& windows_;
    std::map<std::pair<Long, Long>, TrayIcon> icons_;
};

}  // namespace vedodud::scripted
