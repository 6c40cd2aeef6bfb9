// Vedodud.exe: the program on its native Win32 platform.
#include "app/Program.h"
#include "platform/HandlerGuard.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FormsToolkit.h"
#include "platform/win32/Win32Internet.h"
#include "platform/win32/Win32Shell.h"
#include "platform/win32/Win32WindowManager.h"
#include "platform/win32/WindowsApi.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    using namespace vedodud::win32;
    // The window scales itself by the screen's DPI, so the system need not stretch a blurred copy.
    SetProcessDPIAware();
    Win32Shell shell;
    Win32FormsToolkit forms([&shell] { shell.TaskbarCreated(); });
    Win32WindowManager windows;
    // While a check runs, messages are dispatched as in the forms' own loop: the window stays alive.
    Win32Internet internet(vedodud::kProbeBudget, [&forms](vedodud::WorkerSignal& answer, auto deadline) {
        return WaitDispatchingMessages(answer, deadline, [&forms](MSG& msg) { return forms.Dispatch(msg); });
    });
    Win32CodePage codePage;
    vedodud::Platform platform{forms, windows, shell, internet, codePage};
    // Start-up itself may fail (no window class, no timer): reported like any handler's error.
    return vedodud::RunGuarded(forms, 1, [&] { return vedodud::RunProgram(platform); });
}
