#include "platform/win32/Win32WindowManager.h"

#include <utility>

#include "platform/HandlerGuard.h"
#include "platform/RuntimeError.h"
#include "platform/common/DebugLog.h"
#include "platform/win32/Handles.h"

namespace vedodud::win32 {
namespace {

// The procedures behind the entry points. One user-interface thread, so no locking.
std::array<WindowProcedure, Win32WindowManager::kProcedureSlots> g_procedures;

template <std::size_t Slot>
LRESULT CALLBACK SlotProcedure(HWND hWnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const WindowProcedure& procedure = g_procedures[Slot];
    if (!procedure) return DefWindowProcA(hWnd, msg, wParam, lParam);
    // The program's procedures report their own errors; whatever still escapes must not unwind
    // into user32, so it is logged and the message answered with 0.
    return RunReporting(
        [](const std::string& error) { DebugLog("windows", "window procedure failed: " + error); },
        LRESULT{0},
        [&] {
            return static_cast<LRESULT>(procedure(ToLong(hWnd), static_cast<Long>(msg),
                                                  static_cast<Long>(wParam), static_cast<Long>(lParam)));
        });
}

template <std::size_t... Slots>
constexpr std::array<WNDPROC, sizeof...(Slots)> MakeEntryPoints(std::index_sequence<Slots...>) {
    return {&SlotProcedure<Slots>...};
}

constexpr auto kEntryPoints =
    MakeEntryPoints(std::make_index_sequence<Win32WindowManager::kProcedureSlots>());

}  // namespace

Win32WindowManager::Win32WindowManager() = default;

Win32WindowManager::~Win32WindowManager() {
    for (std::size_t slot = 0; slot < kProcedureSlots; ++slot)
        if (ownedSlots_[slot]) g_procedures[slot] = nullptr;
}

Long Win32WindowManager::AddressOf(WindowProcedure procedure) {
    for (std::size_t slot = 0; slot < kProcedureSlots; ++slot) {
        if (!g_procedures[slot]) {
            g_procedures[slot] = std::move(procedure);
            ownedSlots_[slot] = true;
            return ProcToLong(reinterpret_cast<LONG_PTR>(kEntryPoints[slot]));
        }
    }
    throw RuntimeError("Out of window procedure entry points");
}

Long Win32WindowManager::SetWindowLongA(Long hWnd, Long nIndex, Long dwNewLong) {
#ifdef _WIN64
    const LONG_PTR value =
        nIndex == GWL_WNDPROC ? reinterpret_cast<LONG_PTR>(ToWndProc(dwNewLong)) : dwNewLong;
    return ProcToLong(setWindowLong_(ToHwnd(hWnd), nIndex, value));
#else
    return setWindowLong_(ToHwnd(hWnd), nIndex, dwNewLong);
#endif
}

Long Win32WindowManager::CallWindowProcA(Long lpPrevWndFunc, Long hWnd, Long Msg, Long wParam, Long lParam) {
    return static_cast<Long>(callWindowProc_(ToWndProc(lpPrevWndFunc), ToHwnd(hWnd), static_cast<UINT>(Msg),
                                             static_cast<WPARAM>(static_cast<std::uint32_t>(wParam)),
                                             static_cast<LPARAM>(lParam)));
}

Long Win32WindowManager::SetForegroundWindow(Long hWnd) {
    return setForegroundWindow_(ToHwnd(hWnd));
}

Long Win32WindowManager::PostMessageA(Long hWnd, Long Msg, Long wParam, Long lParam) {
    return postMessage_(ToHwnd(hWnd), static_cast<UINT>(Msg),
                        static_cast<WPARAM>(static_cast<std::uint32_t>(wParam)), static_cast<LPARAM>(lParam));
}

}  // namespace vedodud::win32
