// Start-up: the one entry every desktop calls from its main().
#pragma once

#include "platform/Platform.h"

namespace vedodud {

// Starts the forms runtime, creates Form1 hidden from its layout, runs its load handler,
// shows it only if its layout says so, and dispatches events until it is unloaded.
// Returns the process exit status. Command-line arguments are not the program's business.
int RunProgram(Platform& platform);

}  // namespace vedodud
