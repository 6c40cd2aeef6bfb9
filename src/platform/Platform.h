// The one boundary between the program and the outside world.
#pragma once

#include "platform/CodePage.h"
#include "platform/FormsToolkit.h"
#include "platform/Internet.h"
#include "platform/Shell.h"
#include "platform/WindowManager.h"

namespace vedodud {

struct Platform {
    FormsToolkit& forms;
    WindowManager& windows;
    Shell& shell;
    Internet& internet;
    CodePage& codePage;
};

}  // namespace vedodud
