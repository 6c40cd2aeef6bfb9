// The window manager's calls, as Windows' user32 offers them.
#pragma once

#include <functional>

#include "platform/Types.h"

namespace vedodud {

inline constexpr Long GWL_WNDPROC = -4;
inline constexpr Long WM_NULL = 0x0000;
inline constexpr Long WM_NCDESTROY = 0x0082;
inline constexpr Long WM_MOUSEMOVE = 0x0200;
inline constexpr Long WM_LBUTTONDOWN = 0x0201;
inline constexpr Long WM_LBUTTONUP = 0x0202;
inline constexpr Long WM_LBUTTONDBLCLK = 0x0203;
inline constexpr Long WM_RBUTTONDOWN = 0x0204;
inline constexpr Long WM_RBUTTONUP = 0x0205;
inline constexpr Long WM_RBUTTONDBLCLK = 0x0206;
inline constexpr Long WM_MBUTTONDOWN = 0x0207;
inline constexpr Long WM_MBUTTONUP = 0x0208;

using WindowProcedure = std::function<Long(Long hWnd, Long uMsg, Long wParam, Long lParam)>;

class WindowManager {
public:
    virtual ~WindowManager() = default;

    // A procedure value that windows can be given and that calls `procedure`.
    virtual Long AddressOf(WindowProcedure procedure) = 0;
    // With GWL_WNDPROC: makes dwNewLong the window's procedure and returns the previous one.
    virtual Long SetWindowLongA(Long hWnd, Long nIndex, Long dwNewLong) = 0;
    virtual Long CallWindowProcA(Long lpPrevWndFunc, Long hWnd, Long Msg, Long wParam, Long lParam) = 0;
    virtual Long SetForegroundWindow(Long hWnd) = 0;
    virtual Long PostMessageA(Long hWnd, Long Msg, Long wParam, Long lParam) = 0;
};

}  // namespace vedodud
