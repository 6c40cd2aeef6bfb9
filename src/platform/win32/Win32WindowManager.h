// user32's window-procedure calls, bound by name, and procedure values for C++ callables.
#pragma once

#include <array>

#include "platform/WindowManager.h"
#include "platform/win32/BoundFunction.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

class Win32WindowManager : public WindowManager {
public:
    // A handful of fixed entry points: the program registers one procedure, the tests a few.
    static constexpr std::size_t kProcedureSlots = 8;

    Win32WindowManager();
    ~Win32WindowManager() override;
    Win32WindowManager(const Win32WindowManager&) = delete;
    Win32WindowManager& operator=(const Win32WindowManager&) = delete;

    Long AddressOf(WindowProcedure procedure) override;
    Long SetWindowLongA(Long hWnd, Long nIndex, Long dwNewLong) override;
    Long CallWindowProcA(Long lpPrevWndFunc, Long hWnd, Long Msg, Long wParam, Long lParam) override;
    Long SetForegroundWindow(Long hWnd) override;
    Long PostMessageA(Long hWnd, Long Msg, Long wParam, Long lParam) override;

private:
#ifdef _WIN64
    BoundFunction<LONG_PTR WINAPI(HWND, int, LONG_PTR)> setWindowLong_{"user32", "SetWindowLongPtrA"};
#else
    BoundFunction<LONG WINAPI(HWND, int, LONG)> setWindowLong_{"user32", "SetWindowLongA"};
#endif
    BoundFunction<LRESULT WINAPI(WNDPROC, HWND, UINT, WPARAM, LPARAM)> callWindowProc_{"user32",
                                                                                       "CallWindowProcA"};
    BoundFunction<BOOL WINAPI(HWND)> setForegroundWindow_{"user32", "SetForegroundWindow"};
    BoundFunction<BOOL WINAPI(HWND, UINT, WPARAM, LPARAM)> postMessage_{"user32", "PostMessageA"};
    std::array<bool, kProcedureSlots> ownedSlots_{};
};

}  // namespace vedodud::win32
