#include "scripted/ScriptedShell.h"

#include <cstring>

namespace vedodud::scripted {

Long RecordField(const NotifyIconDataA& record, int field) {
    std::uint32_t bits = 0;
    for (int byte = 0; byte < 4; ++byte) bits |= std::uint32_t{record[field * 4 + byte]} << (8 * byte);
    return static_cast<Long>(bits);
}

std::string RecordTip(const NotifyIconDataA& record) {
    const char* tip = reinterpret_cast<const char*>(record.data() + 24);
    return std::string(tip, strnlen(tip, 64));
}

Long ScriptedShell::Shell_NotifyIconA(Long dwMessage, NotifyIconDataA& lpData) {
    const Long cbSize = RecordField(lpData, 0);
    const auto key = std::make_pair(RecordField(lpData, 1), RecordField(lpData, 2));
    const Long flags = RecordField(lpData, 3);
    auto icon = icons_.find(key);
    Long result = 0;
    const bool valid = cbSize == static_cast<Long>(kNotifyIconDataASize) && windows_.Exists(key.first);
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
        if (flags & NIF_MESSAGE) icon->second.callbackMessage = RecordField(lpData, 4);
        if (flags & NIF_ICON) icon->second.hIcon = RecordField(lpData, 5);
        if (flags & NIF_TIP) icon->second.tip = RecordTip(lpData);
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
