// Handles and procedures travel through the program as 32-bit LONGs.
#pragma once

#include <cstdint>

#include "platform/Types.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

// Window, icon and menu handles keep their value in 32 bits on every Windows; like
// LongToHandle, a LONG widens by sign extension.
inline HWND ToHwnd(Long value) {
    return reinterpret_cast<HWND>(static_cast<std::intptr_t>(value));
}
inline Long ToLong(HANDLE handle) {
    return static_cast<Long>(reinterpret_cast<std::intptr_t>(handle));
}
inline Long ToLong(HWND handle) {
    return static_cast<Long>(reinterpret_cast<std::intptr_t>(handle));
}
inline Long ToLong(HICON handle) {
    return static_cast<Long>(reinterpret_cast<std::intptr_t>(handle));
}

// A procedure value. On 32-bit Windows it is the address. The 64-bit test build links below
// 4 GiB and widens without sign, which keeps its own addresses and user32's procedure handles.
inline WNDPROC ToWndProc(Long value) {
#ifdef _WIN64
    return reinterpret_cast<WNDPROC>(static_cast<std::uintptr_t>(static_cast<std::uint32_t>(value)));
#else
    return reinterpret_cast<WNDPROC>(static_cast<std::intptr_t>(value));
#endif
}
inline Long ProcToLong(LONG_PTR value) {
    return static_cast<Long>(value);
}

}  // namespace vedodud::win32
