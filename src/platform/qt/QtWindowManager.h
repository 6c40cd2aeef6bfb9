// The window manager's calls on top of the window table.
#pragma once

#include "platform/WindowManager.h"
#include "platform/qt/WindowTable.h"

namespace vedodud::qt {

class QtWindowManager final : public WindowManager {
public:
    explicit QtWindowManager(WindowTable& table) : table_(table) {}

    Long AddressOf(WindowProcedure procedure) override;
    Long SetWindowLongA(Long hWnd, Long nIndex, Long dwNewLong) override;
    Long CallWindowProcA(Long lpPrevWndFunc, Long hWnd, Long Msg, Long wParam, Long lParam) override;
    Long SetForegroundWindow(Long hWnd) override;
    Long PostMessageA(Long hWnd, Long Msg, Long wParam, Long lParam) override;

private:
    WindowTable& table_;
};

}  // namespace vedodud::qt
