// Window procedures: hooking, passing on, posting, and the order in which a form goes away.
#pragma once

#include "contract/BackendContract.h"

namespace vedodud::contract {

template <class Backend>
class WindowContract : public BackendContract<Backend> {};
TYPED_TEST_SUITE_P(WindowContract);

TYPED_TEST_P(WindowContract, PostedMessagesPassThroughTheWholeChainOnceTheLoopRuns) {
    std::vector<Message> inner, outer;
    this->Hook(inner);
    this->Hook(outer);
    EXPECT_NE(this->backend.windows.PostMessageA(this->hWnd, kProbe, 7, 9), 0);
    EXPECT_TRUE(Only(kProbe, outer).empty());  // posted, not sent
    this->backend.Settle();
    const std::vector<Message> expected{{this->hWnd, kProbe, 7, 9}};
    EXPECT_EQ(Only(kProbe, outer), expected);
    EXPECT_EQ(Only(kProbe, inner), expected);  // passed on unchanged
}

TYPED_TEST_P(WindowContract, PuttingThePreviousProcedureBackTakesTheHookOut) {
    auto& windows = this->backend.windows;
    std::vector<Message> log;
    const auto hook = this->Hook(log);
    EXPECT_EQ(windows.SetWindowLongA(this->hWnd, GWL_WNDPROC, hook.previous), hook.self);
    windows.PostMessageA(this->hWnd, kProbe, 0, 0);
    this->backend.Settle();
    EXPECT_TRUE(Only(kProbe, log).empty());
}

TYPED_TEST_P(WindowContract, BringingTheHiddenFormForwardKeepsItHiddenAndAGoneWindowRefusesEveryCall) {
    auto& windows = this->backend.windows;
    windows.SetForegroundWindow(this->hWnd);
    EXPECT_FALSE(this->form->Visible());

    std::vector<Message> log;
    const Long hook = this->Hook(log).self;
    const Long gone = this->GoneWindow();
    EXPECT_EQ(windows.SetWindowLongA(gone, GWL_WNDPROC, hook), 0);
    EXPECT_EQ(windows.PostMessageA(gone, kProbe, 0, 0), 0);
    EXPECT_EQ(windows.SetForegroundWindow(gone), 0);
}

TYPED_TEST_P(WindowContract, UnloadSendsNcDestroyLastAndOnceThroughTheChainWhileTheHandleStillWorks) {
    auto& windows = this->backend.windows;
    const Long hWnd = this->hWnd;
    std::vector<Message> inner, outer;
    this->Hook(inner);
    Long outerPrevious = 0, handleDuringNcDestroy = 0, restored = 0;
    const Long outerSelf = windows.AddressOf([&](Long h, Long m, Long w, Long l) {
        outer.push_back({h, m, w, l});
        if (m == WM_NCDESTROY) {
            // What the tray module does on its way out: read the handle, restore, pass on.
            handleDuringNcDestroy = this->form->hWnd();
            restored = windows.SetWindowLongA(handleDuringNcDestroy, GWL_WNDPROC, outerPrevious);
        }
        return windows.CallWindowProcA(outerPrevious, h, m, w, l);
    });
    outerPrevious = windows.SetWindowLongA(hWnd, GWL_WNDPROC, outerSelf);

    this->form->Unload();
    for (const auto* log : {&outer, &inner}) {
        ASSERT_FALSE(log->empty());
        EXPECT_EQ(log->back().msg, WM_NCDESTROY);
        EXPECT_EQ(Only(WM_NCDESTROY, *log).size(), 1u);
    }
    EXPECT_EQ(handleDuringNcDestroy, hWnd);
    EXPECT_EQ(restored, outerSelf);

    EXPECT_THROW(this->form->hWnd(), RuntimeError);
    EXPECT_EQ(windows.PostMessageA(hWnd, kProbe, 0, 0), 0);
    this->backend.Settle();
    EXPECT_EQ(Only(WM_NCDESTROY, inner).size(), 1u);
}

REGISTER_TYPED_TEST_SUITE_P(WindowContract, PostedMessagesPassThroughTheWholeChainOnceTheLoopRuns,
                            PuttingThePreviousProcedureBackTakesTheHookOut,
                            BringingTheHiddenFormForwardKeepsItHiddenAndAGoneWindowRefusesEveryCall,
                            UnloadSendsNcDestroyLastAndOnceThroughTheChainWhileTheHandleStillWorks);

}  // namespace vedodud::contract
