// Procedure values against user32 itself: a native previous procedure called through
// CallWindowProcA with its result handed back, and the fixed number of entry points.
#include <gtest/gtest.h>

#include <vector>

#include "platform/win32/Handles.h"
#include "platform/win32/Win32WindowManager.h"

namespace vedodud::win32 {
namespace {

std::vector<UINT> g_ownProcedureSaw;

LRESULT CALLBACK OwnProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    g_ownProcedureSaw.push_back(msg);
    if (msg == 2025) return 7;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

class WindowChain : public testing::Test {
protected:
    void SetUp() override {
        g_ownProcedureSaw.clear();
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = &OwnProcedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "ChainTestWindow";
        RegisterClassA(&windowClass);
        hwnd_ = CreateWindowExA(0, "ChainTestWindow", "chain", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(hwnd_, nullptr);
    }
    void TearDown() override {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    }

    HWND hwnd_ = nullptr;
    Win32WindowManager windows_;
};

TEST_F(WindowChain, HookSeesMessagesFirstAndPassesThemOn) {
    std::vector<std::pair<Long, Long>> hookSaw;
    Long previous = 0;
    const Long hook = windows_.AddressOf([&](Long hWnd, Long msg, Long wParam, Long lParam) -> Long {
        hookSaw.emplace_back(msg, lParam);
        if (msg == 2025 && lParam == WM_RBUTTONUP) return 0;  // handled here, not passed on
        return windows_.CallWindowProcA(previous, hWnd, msg, wParam, lParam);
    });
    previous = windows_.SetWindowLongA(ToLong(hwnd_), GWL_WNDPROC, hook);
    EXPECT_EQ(ToWndProc(previous), &OwnProcedure);

    g_ownProcedureSaw.clear();
    EXPECT_EQ(SendMessageA(hwnd_, 2025, 0, WM_RBUTTONUP), 0);
    EXPECT_EQ(SendMessageA(hwnd_, 2025, 0, WM_MOUSEMOVE), 7) << "the previous procedure's result comes back";
    EXPECT_EQ(hookSaw, (std::vector<std::pair<Long, Long>>{{2025, WM_RBUTTONUP}, {2025, WM_MOUSEMOVE}}));
    EXPECT_EQ(g_ownProcedureSaw, std::vector<UINT>{2025});
    windows_.SetWindowLongA(ToLong(hwnd_), GWL_WNDPROC, previous);
}

TEST(WindowProcedureSlots, AreFiniteAndFreedWithTheirManager) {
    {
        Win32WindowManager windows;
        for (std::size_t slot = 0; slot < Win32WindowManager::kProcedureSlots; ++slot)
            windows.AddressOf([](Long, Long, Long, Long) -> Long { return 0; });
        EXPECT_THROW(windows.AddressOf([](Long, Long, Long, Long) -> Long { return 0; }), RuntimeError);
    }
    Win32WindowManager again;
    EXPECT_NE(again.AddressOf([](Long, Long, Long, Long) -> Long { return 0; }), 0);
}

}  // namespace
}  // namespace vedodud::win32
