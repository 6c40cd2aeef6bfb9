// A forms toolkit driven by the test: a virtual clock for the timers, a user who types,
// ticks, clicks and chooses menu items, and message boxes dismissed when the test says.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/FormsToolkit.h"
#include "scripted/ScriptedWindows.h"

namespace vedodud::scripted {

class ScriptedForms;

// The answer of a form's own window procedure, so tests can see a message reached it.
inline constexpr Long kOwnProcedureResult = 0x5EED;
// Run()'s status when the script ends with the form still loaded.
inline constexpr int kStillRunning = -1;

class ScriptedForm : public FormWindow {
public:
    ScriptedForm(ScriptedForms& toolkit, const FormLayout& layout, FormEvents& events);
    ~ScriptedForm() override;

    void SetVisible(bool visible) override;
    bool Visible() override;
    Long hWnd() override;
    Long IconHandle() override;
    void PopupMenu(MenuId menu) override;
    void Unload() override;
    WString Text(ControlId textBox) override;
    Colour FillColor(ControlId shape) override;
    void SetFillColor(ControlId shape, Colour colour) override;
    std::int16_t Value(ControlId checkBox) override;

    // What the user does.
    void Type(WString text) { text_ = std::move(text); }
    void SetCheck(std::int16_t value) { check_ = value; }
    void ClickMinimize();
    void PressCloseBox();

    bool Destroyed() const { return destroyed_; }
    Long Handle() const { return hWnd_; }
    bool IsVisible() const { return visible_; }
    Colour Light() const { return fill_; }
    FormEvents& Events() { return events_; }
    // Messages that reached the form's own window procedure.
    std::vector<Message> ownProcedureLog;

private:
    friend class ScriptedForms;
    void Check(const char* call);

    ScriptedForms& toolkit_;
    const FormLayout& layout_;
    FormEvents& events_;
    Long hWnd_ = 0;
    bool visible_ = false;
    bool destroyed_ = false;
    WString text_;
    Colour fill_ = 0;
    std::int16_t check_ = 0;
    long long nextTickAt_ = 0;
    int timerInterval_ = 0;
};

struct MessageBoxRecord {
    std::string title;
    WString prompt;
    int buttons;
    bool formVisible;  // whether the form was shown while the box was up
};

class ScriptedForms : public FormsToolkit {
public:
    explicit ScriptedForms(ScriptedWindows& windows) : windows_(windows) {}

    void Start(const ProgramIdentity& identity) override;
    std::unique_ptr<FormWindow> CreateForm(const FormLayout& layout, FormEvents& events) override;
    void MsgBox(const WString& prompt, int buttons) override;
    int Run() override;
    void ReportFatalError(const std::string& message) override;

    // Moves the virtual clock on, delivering every timer tick that falls due.
    void Advance(long long milliseconds);
    // The form still on screen or hidden, or nullptr once it is gone.
    ScriptedForm* Form() { return form_ && !form_->Destroyed() ? form_ : nullptr; }
    ScriptedForm* AnyForm() { return form_; }

    std::function<void()> script;  // what happens while Run() dispatches
    // Sees every message that reaches the form's own window procedure, as it arrives.
    std::function<void(const Message&)> ownProcedureSpy;
    // Menu choices, one per popup (an empty optional closes the menu without a choice).
    std::deque<std::optional<MenuId>> menuChoices;
    std::function<void()> whileMenuOpen;
    std::vector<MenuId> popups;
    std::function<void(const MessageBoxRecord&)> whileMessageBoxOpen;
    std::vector<MessageBoxRecord> messageBoxes;
    int openMessageBoxes = 0;
    int mostMessageBoxesOpen = 0;
    std::vector<std::string> fatalErrors;
    std::set<std::string> failingCalls;  // toolkit calls that fail, by name
    int startCount = 0;
    std::string title;
    long long now = 0;

private:
    friend class ScriptedForm;
    ScriptedWindows& windows_;
    ScriptedForm* form_ = nullptr;
    Long ownProcedure_ = 0;
};

}  // namespace vedodud::scripted
