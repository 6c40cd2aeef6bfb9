#include "app/Program.h"

#include "app/Identity.h"
#include "platform/HandlerGuard.h"
#include "tray/APIStuff.h"
#include "ui/Form1.h"

namespace vedodud {

int RunProgram(Platform& platform) {
    platform.forms.Start(kIdentity);
    APIStuff tray(platform);
    const std::shared_ptr<Form1> form = Form1::Create(platform, tray);
    RunGuarded(platform.forms, [&] { form->Load(); });
    return platform.forms.Run();
}

}  // namespace vedodud
