// Every scripted service together, as one Platform.
#pragma once

#include "platform/Platform.h"
#include "scripted/ScriptedForms.h"
#include "scripted/ScriptedServices.h"
#include "scripted/ScriptedShell.h"
#include "scripted/ScriptedWindows.h"

namespace vedodud::scripted {

struct ScriptedPlatform {
    ScriptedWindows windows;
    ScriptedShell shell{windows};
    ScriptedForms forms{windows};
    ScriptedInternet internet;
    ScriptedCodePage codePage;
    Platform platform{forms, windows, shell, internet, codePage};
};

}  // namespace vedodud::scripted
