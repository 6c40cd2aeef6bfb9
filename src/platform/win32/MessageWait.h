// Waiting on the user-interface thread for a worker's answer while its windows stay alive.
#pragma once

#include <functional>

#include "platform/common/BoundedWorker.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

// Dispatches one message; false once the program is ending and the wait should give up.
using MessageDispatch = std::function<bool(MSG& msg)>;

bool TranslateAndDispatch(MSG& msg);

// Dispatches this thread's messages until the worker answers or the deadline passes; true if the
// answer is in. A WM_QUIT ends the wait and is posted again for the loop that owns it. A menu or
// message box opened from a message handled here runs its own loop inside this wait, which ends
// only after it has closed.
bool WaitDispatchingMessages(WorkerSignal& answer, WorkerClock::time_point deadline,
                             const MessageDispatch& dispatch = TranslateAndDispatch);

}  // namespace vedodud::win32
