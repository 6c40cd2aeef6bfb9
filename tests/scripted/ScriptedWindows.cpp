#include "scripted/ScriptedWindows.h"

namespace vedodud::scripted {
namespace {
constexpr int kMaxNesting = 64;
}

Long ScriptedWindows::AddressOf(WindowProcedure procedure) {
    const Long address = nextProcedure_;
    nextProcedure_ += 0x10;
    procedures_[address] = std::move(procedure);
    return address;
}

Long ScriptedWindows::SetWindowLongA(Long hWnd, Long nIndex, Long dwNewLong) {
    auto window = windowProcedure_.find(hWnd);
    if (nIndex != GWL_WNDPROC || window == windowProcedure_.end()) return 0;
    const Long previous = window->second;
    window->second = dwNewLong;
    return previous;
}

Long ScriptedWindows::CallWindowProcA(Long lpPrevWndFunc, Long hWnd, Long Msg, Long wParam, Long lParam) {
    auto procedure = procedures_.find(lpPrevWndFunc);
    if (procedure == procedures_.end()) {
        ++callsToUnknownProcedures;
        return 0;
    }
    if (depth_ >= kMaxNesting) {
        loopDetected = true;
        return 0;
    }
    ++depth_;
    // Copy: the procedure may be replaced while it runs.
    const WindowProcedure call = procedure->second;
    const Long result = call(hWnd, Msg, wParam, lParam);
    --depth_;
    return result;
}

Long ScriptedWindows::SetForegroundWindow(Long hWnd) {
    foregroundCalls.push_back(hWnd);
    return Exists(hWnd) ? 1 : 0;
}

Long ScriptedWindows::PostMessageA(Long hWnd, Long Msg, Long wParam, Long lParam) {
    if (!Exists(hWnd)) return 0;
    posted.push_back({hWnd, Msg, wParam, lParam});
    queue_.push_back({hWnd, Msg, wParam, lParam});
    return 1;
}

Long ScriptedWindows::CreateWindow(Long procedure) {
    const Long hWnd = nextWindow_;
    nextWindow_ += 0x10;
    windowProcedure_[hWnd] = procedure;
    return hWnd;
}

void ScriptedWindows::DestroyWindow(Long hWnd) {
    if (!Exists(hWnd)) return;
    SendMessage(hWnd, WM_NCDESTROY, 0, 0);
    windowProcedure_.erase(hWnd);
}

Long ScriptedWindows::SendMessage(Long hWnd, Long msg, Long wParam, Long lParam) {
    if (!Exists(hWnd)) return 0;
    return CallWindowProcA(windowProcedure_.at(hWnd), hWnd, msg, wParam, lParam);
}

Long ScriptedWindows::ProcedureOf(Long hWnd) const {
    auto window = windowProcedure_.find(hWnd);
    return window == windowProcedure_.end() ? 0 : window->second;
}

int ScriptedWindows::DeliverPosted() {
    int delivered = 0;
    while (!queue_.empty()) {
        const Message message = queue_.front();
        queue_.pop_front();
        SendMessage(message.hWnd, message.msg, message.wParam, message.lParam);
        ++delivered;
    }
    return delivered;
}

}  // namespace vedodud::scripted
