// Acting from inside a modal loop (a popup menu, a message box): every such loop dispatches the
// ticks of a thread timer.
#pragma once

#include <functional>
#include <utility>

#include "platform/win32/Win32FormsToolkit.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

// Handles every message waiting now as the toolkit's loop does, without waiting for more.
inline void DispatchWaiting(Win32FormsToolkit& forms) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) forms.Dispatch(msg);
}

struct ModalLoopAction {
    std::function<bool()> action;
    int triesLeft = 0;
    UINT_PTR timer = 0;
};
inline ModalLoopAction g_modalLoopAction;

inline void CALLBACK RunModalLoopAction(HWND, UINT, UINT_PTR timer, DWORD) {
    ModalLoopAction& pending = g_modalLoopAction;
    if (pending.action() || --pending.triesLeft <= 0) {
        KillTimer(nullptr, timer);
        pending.timer = 0;
    }
}

// Runs `action` `delayMs` from now, from whatever loop dispatches messages then, and again every
// `delayMs` until it returns true or has run `tries` times. A newer call replaces an older one.
inline void WhenModalLoopRuns(std::function<bool()> action, UINT delayMs = 100, int tries = 30) {
    if (g_modalLoopAction.timer) KillTimer(nullptr, g_modalLoopAction.timer);
    g_modalLoopAction = {std::move(action), tries, 0};
    g_modalLoopAction.timer = SetTimer(nullptr, 0, delayMs, &RunModalLoopAction);
}

}  // namespace vedodud::win32
