#include "platform/qt/QtWindowManager.h"

namespace vedodud::qt {

Long QtWindowManager::AddressOf(WindowProcedure procedure) {
    return table_.AddProcedure(std::move(procedure));
}

Long QtWindowManager::SetWindowLongA(Long hWnd, Long nIndex, Long dwNewLong) {
    // Only the procedure slot exists here; anything else fails as an unknown index does.
    if (nIndex != GWL_WNDPROC) return 0;
    return table_.ReplaceProcedure(hWnd, dwNewLong);
}

Long QtWindowManager::CallWindowProcA(Long lpPrevWndFunc, Long hWnd, Long Msg, Long wParam, Long lParam) {
    return table_.CallProcedure(lpPrevWndFunc, hWnd, Msg, wParam, lParam);
}

Long QtWindowManager::SetForegroundWindow(Long hWnd) {
    QWidget* widget = table_.Widget(hWnd);
    if (!widget) return 0;
    // A hidden window stays hidden; a shown one comes to the front.
    if (widget->isVisible()) {
        widget->raise();
        widget->activateWindow();
    }
    return 1;
}

Long QtWindowManager::PostMessageA(Long hWnd, Long Msg, Long wParam, Long lParam) {
    return table_.Post(hWnd, Msg, wParam, lParam) ? 1 : 0;
}

}  // namespace vedodud::qt
