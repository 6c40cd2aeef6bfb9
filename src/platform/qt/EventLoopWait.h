// Waiting on the user-interface thread for a worker's answer while the windows stay alive.
#pragma once

#include "platform/common/BoundedWorker.h"

namespace vedodud::qt {

// Runs a local event loop until the worker answers or the deadline passes; true if the answer is
// in. Meanwhile the windows repaint, take typing and answer the tray. A menu or message box opened
// from an event handled here runs its own loop inside this one; the wait ends only after it has
// closed. When the application is told to quit, the wait ends at once without the answer.
bool WaitHandlingEvents(WorkerSignal& answer, WorkerClock::time_point deadline);

}  // namespace vedodud::qt
