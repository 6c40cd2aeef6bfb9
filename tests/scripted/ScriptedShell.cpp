#include "scripted/ScriptedShell.h"

#include "platform/common/NotifyIconRecord.h"

namespace vedodud::scripted {

Long ScriptedShell::Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) {
    const NotifyIconFields fields = DecodeRecordFields(lpData);
    const auto key = std::make_pair(fields.hWnd, fields.uID);
    const Long flags = fields.uFlags;
    auto icon = icons_.find(key);
    Long result = 0;
    const bool valid = fields.cbSize == static_cast<Long>(kNotifyIconDataASize) && windows_.Exists(key.first);
    if (valid && dwMessage == NIM_ADD && icon == icons_.end()) {
        icon = icons_.emplace(key, TrayIcon{}).first;
        result = 1;
    } else if (valid && dwMessage == NIM_MODIFY && icon != icons_.end()) {
        result = 1;
    } else if (dwMessage == NIM_DELETE && icon != icons_.end()) {
        icons_.erase(icon);
        result = 1;
    }
    if (result && dwMessage != NIM_DELETE) {
        if (flags & NIF_MESSAGE) icon->second.callbackMessage = fields.uCallbackMessage;
        if (flags & NIF_ICON) icon->second.hIcon = fields.hIcon;
        if (flags & NIF_TIP) icon->second.tip = DecodeRecordTip(lpData);
    }
    calls.push_back({dwMessage, lpData, result});
    return result;
}

const TrayIcon* ScriptedShell::Icon(Long hWnd, Long uID) const {
    auto icon = icons_.find({hWnd, uID});
    return icon == icons_.end() ? nullptr : &icon->second;
}

Long ScriptedShell::Mouse(Long hWnd, Long mouseMessage, Long uID) {
    const TrayIcon* icon = Icon(hWnd, uID);
    if (!icon || icon->callbackMessage == 0) return 0;
    return windows_.SendMessage(hWnd, icon->callbackMessage, uID, mouseMessage);
}

Long ScriptedShell::RightClick(Long hWnd, Long uID) {
    Mouse(hWnd, WM_RBUTTONDOWN, uID);
    return Mouse(hWnd, WM_RBUTTONUP, uID);
}

}  // namespace vedodud::scripted
