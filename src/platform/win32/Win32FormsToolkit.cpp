#include "platform/win32/Win32FormsToolkit.h"

#include <objbase.h>
#include <ole2.h>

#include <algorithm>
#include <vector>

#include "app/Identity.h"
#include "platform/RuntimeError.h"
#include "platform/win32/Win32FormWindow.h"

namespace vedodud::win32 {

Win32FormsToolkit::Win32FormsToolkit(std::function<void()> taskbarCreated)
    : taskbarCreated_(std::move(taskbarCreated)) {}

Win32FormsToolkit::~Win32FormsToolkit() {
    if (oleStarted_) OleUninitialize();
}

void Win32FormsToolkit::Start(const ProgramIdentity& identity) {
    if (started_) return;
    title_ = std::string(identity.title);
    wideTitle_.resize(title_.size());  // UTF-8 never takes fewer bytes than UTF-16 units
    wideTitle_.resize(static_cast<std::size_t>(
        std::max(0, MultiByteToWideChar(CP_UTF8, 0, title_.data(), static_cast<int>(title_.size()),
                                        wideTitle_.data(), static_cast<int>(wideTitle_.size())))));
    // The logo is decoded by OLE's picture loader, which needs COM on this thread.
    oleStarted_ = SUCCEEDED(OleInitialize(nullptr));
    taskbarCreatedMessage_ = RegisterWindowMessageA("TaskbarCreated");
    Win32FormWindow::RegisterClasses(GetModuleHandleA(nullptr));
    started_ = true;
}

std::unique_ptr<FormWindow> Win32FormsToolkit::CreateForm(const FormLayout& layout, FormEvents& events) {
    if (!started_) throw RuntimeError("The forms runtime was not started");
    return std::make_unique<Win32FormWindow>(*this, layout, events);
}

void Win32FormsToolkit::MsgBox(const WString& prompt, int buttons) {
    const std::string text = codePage_.ToAnsi(prompt);
    // Owned by no window, so it shows while the form is hidden; task-modal, so the forms wait.
    MessageBoxA(nullptr, text.c_str(), title_.c_str(),
                static_cast<UINT>(buttons) | MB_TASKMODAL | MB_SETFOREGROUND | MB_TOPMOST);
}

int Win32FormsToolkit::Run() {
    MSG msg;
    while (!loaded_.empty() && !fatal_) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) break;
        Dispatch(msg);
    }
    // After a fatal error the windows go too, so no tray icon outlives the process.
    const std::vector<Win32FormWindow*> remaining(loaded_.begin(), loaded_.end());
    for (Win32FormWindow* form : remaining)
        if (alive_.count(form)) form->DestroyQuietly();
    return fatal_ ? 1 : 0;
}

bool Win32FormsToolkit::Dispatch(MSG& msg) {
    // Tab and the arrow keys move the focus within a form, as in a dialog.
    const bool dialogKey = std::any_of(loaded_.begin(), loaded_.end(), [&msg](Win32FormWindow* form) {
        return form->Handle() && IsDialogMessageW(form->Handle(), &msg);
    });
    if (!dialogKey) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return !loaded_.empty() && !fatal_;
}

void Win32FormsToolkit::ReportFatalError(const std::string& message) {
    const bool first = !fatal_;
    fatal_ = true;
    if (first) MessageBoxA(nullptr, message.c_str(), title_.c_str(), MB_OK | MB_ICONERROR | MB_TASKMODAL);
    WakeMessageLoop();
}

void Win32FormsToolkit::WakeMessageLoop() {
    // A message sent by another process (the shell's tray callback) is handled inside
    // GetMessage, which returns only for a posted one: this one lets the loop look again
    // whether it is done. WM_NULL does nothing, so one left over does no harm. (WM_QUIT would
    // end a later loop or a modal box.)
    PostMessageA(nullptr, WM_NULL, 0, 0);
}

void Win32FormsToolkit::FormCreated(Win32FormWindow* form) {
    loaded_.insert(form);
    alive_.insert(form);
}

void Win32FormsToolkit::FormDestroyed(Win32FormWindow* form) {
    loaded_.erase(form);
    WakeMessageLoop();
}

void Win32FormsToolkit::FormDeleted(Win32FormWindow* form) {
    loaded_.erase(form);
    alive_.erase(form);
}

void Win32FormsToolkit::TaskbarCreated() {
    if (taskbarCreated_) taskbarCreated_();
}

}  // namespace vedodud::win32
