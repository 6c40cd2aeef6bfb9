// A window manager with real procedure chains: what SetWindowLongA installs is what messages
// go through, and CallWindowProcA calls the procedure it is given.
#pragma once

#include <deque>
#include <map>
#include <vector>

#include "platform/WindowManager.h"

namespace vedodud::scripted {

struct Message {
    Long hWnd, msg, wParam, lParam;
    bool operator==(const Message&) const = default;
};

class ScriptedWindows : public WindowManager {
public:
    Long AddressOf(WindowProcedure procedure) override;
    Long SetWindowLongA(Long hWnd, Long nIndex, Long dwNewLong) override;
    Long CallWindowProcA(Long lpPrevWndFunc, Long hWnd, Long Msg, Long wParam, Long lParam) override;
    Long SetForegroundWindow(Long hWnd) override;
    Long PostMessageA(Long hWnd, Long Msg, Long wParam, Long lParam) override;

    Long CreateWindow(Long procedure);
    // Sends WM_NCDESTROY through the window's current procedure, then forgets the window.
    void DestroyWindow(Long hWnd);
    bool Exists(Long hWnd) const { return windowProcedure_.contains(hWnd); }
    Long SendMessage(Long hWnd, Long msg, Long wParam, Long lParam);
    Long ProcedureOf(Long hWnd) const;
    // Delivers the queued posted messages through their windows' procedures.
    int DeliverPosted();

    std::vector<Message> posted;        // every message ever posted
    std::vector<Long> foregroundCalls;  // every SetForegroundWindow argument
    bool loopDetected = false;          // a message went round one procedure chain forever
    int callsToUnknownProcedures = 0;

private:
    std::map<Long, WindowProcedure> procedures_;
    std::map<Long, Long> windowProcedure_;
    std::deque<Message> queue_;
    Long nextProcedure_ = 0x401000;
    Long nextWindow_ = 0x10010;
    int depth_ = 0;
};

}  // namespace vedodud::scripted
