// The forms toolkit on Win32: windows and controls built from a form's layout, the
// message box and the message loop.
#pragma once

#include <functional>
#include <set>
#include <string>

#include "platform/FormsToolkit.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

class Win32FormWindow;

class Win32FormsToolkit : public FormsToolkit {
public:
    // `taskbarCreated` runs when the shell announces a new taskbar (Explorer restarted).
    explicit Win32FormsToolkit(std::function<void()> taskbarCreated = {});
    ~Win32FormsToolkit() override;

    void Start(const ProgramIdentity& identity) override;
    std::unique_ptr<FormWindow> CreateForm(const FormLayout& layout, FormEvents& events) override;
    void MsgBox(const WString& prompt, int buttons) override;
    int Run() override;
    void ReportFatalError(const std::string& message) override;
    // Dispatches one message as Run() does; false once the program is ending (no form left, or a
    // fatal error reported).
    bool Dispatch(MSG& msg);

    // What the forms' windows report back.
    void FormCreated(Win32FormWindow* form);
    void FormDestroyed(Win32FormWindow* form);
    void FormDeleted(Win32FormWindow* form);
    void TaskbarCreated();
    // The application title, as the program's pictures are named after it.
    const std::wstring& Title() const { return wideTitle_; }
    UINT TaskbarCreatedMessage() const { return taskbarCreatedMessage_; }

private:
    void WakeMessageLoop();

    std::function<void()> taskbarCreated_;
    std::string title_;
    std::wstring wideTitle_;
    bool started_ = false;
    bool fatal_ = false;
    bool oleStarted_ = false;
    UINT taskbarCreatedMessage_ = 0;
    std::set<Win32FormWindow*> loaded_;  // forms whose window exists
    std::set<Win32FormWindow*> alive_;   // form objects not yet deleted
    Win32CodePage codePage_;
};

}  // namespace vedodud::win32
