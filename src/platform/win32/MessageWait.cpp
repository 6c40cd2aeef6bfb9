#include "platform/win32/MessageWait.h"

namespace vedodud::win32 {
namespace {

// False when the wait should end.
bool DispatchQueued(const MessageDispatch& dispatch) {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        if (!dispatch(msg)) return false;
    }
    return true;
}

}  // namespace

bool TranslateAndDispatch(MSG& msg) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
    return true;
}

bool WaitDispatchingMessages(WorkerSignal& answer, WorkerClock::time_point deadline,
                             const MessageDispatch& dispatch) {
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (!ready) return answer.WaitUntil(deadline);
    answer.OnReady([ready] { SetEvent(ready); });
    while (!answer.Ready()) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - WorkerClock::now());
        if (left.count() <= 0) break;
        const DWORD woke = MsgWaitForMultipleObjectsEx(1, &ready, static_cast<DWORD>(left.count()),
                                                       QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (woke == WAIT_OBJECT_0 + 1) {
            if (!DispatchQueued(dispatch)) break;
        } else if (woke != WAIT_OBJECT_0 && woke != WAIT_TIMEOUT) {
            break;
        }
    }
    // The worker may be about to signal; once this returns it no longer touches the event.
    answer.OnReady(nullptr);
    CloseHandle(ready);
    return answer.Ready();
}

}  // namespace vedodud::win32
