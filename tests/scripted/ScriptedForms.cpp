#include "scripted/ScriptedForms.h"

#include <algorithm>

#include "app/Identity.h"
#include "platform/RuntimeError.h"

namespace vedodud::scripted {

ScriptedForm::ScriptedForm(ScriptedForms& toolkit, const FormLayout& layout, FormEvents& events)
    : toolkit_(toolkit), layout_(layout), events_(events) {
    hWnd_ = toolkit_.windows_.CreateWindow(toolkit_.ownProcedure_);
    visible_ = false;
    text_ = layout.Control(ControlId::Text1).text;
    fill_ = layout.Control(ControlId::Shape1).fillColor.value_or(0);
    check_ = layout.Control(ControlId::Check1).value;
    const ControlLayout& timer = layout.Control(ControlId::Timer1);
    timerInterval_ = timer.enabled ? timer.intervalMs : 0;
    nextTickAt_ = toolkit_.now + timerInterval_;
}

ScriptedForm::~ScriptedForm() {
    if (toolkit_.form_ == this) toolkit_.form_ = nullptr;
}

void ScriptedForm::Check(const char* call) {
    if (destroyed_) throw RuntimeError(std::string(call) + " on a destroyed form");
    if (toolkit_.failingCalls.contains(call)) throw RuntimeError(std::string(call) + " failed");
}

void ScriptedForm::SetVisible(bool visible) {
    Check("SetVisible");
    visible_ = visible;
}
bool ScriptedForm::Visible() {
    Check("Visible");
    return visible_;
}
Long ScriptedForm::hWnd() {
    Check("hWnd");
    return hWnd_;
}
Long ScriptedForm::IconHandle() {
    Check("Icon");
    return 0x7001;
}

void ScriptedForm::PopupMenu(MenuId menu) {
    Check("PopupMenu");
    toolkit_.popups.push_back(menu);
    if (toolkit_.whileMenuOpen) toolkit_.whileMenuOpen();
    std::optional<MenuId> choice;
    if (!toolkit_.menuChoices.empty()) {
        choice = toolkit_.menuChoices.front();
        toolkit_.menuChoices.pop_front();
    }
    if (choice && layout_.MenuItem(*choice)) events_.MenuClick(*choice);
}

void ScriptedForm::Unload() {
    Check("Unload");
    toolkit_.windows_.DestroyWindow(hWnd_);
    destroyed_ = true;
    visible_ = false;
}

WString ScriptedForm::Text(ControlId) {
    Check("Text");
    return text_;
}
Colour ScriptedForm::FillColor(ControlId) {
    Check("FillColor");
    return fill_;
}
void ScriptedForm::SetFillColor(ControlId, Colour colour) {
    Check("SetFillColor");
    fill_ = colour;
}
std::int16_t ScriptedForm::Value(ControlId) {
    Check("Value");
    return check_;
}

void ScriptedForm::ClickMinimize() {
    if (!destroyed_ && visible_) events_.Click(ControlId::Command3);
}
void ScriptedForm::PressCloseBox() {
    if (!destroyed_ && visible_) events_.CloseRequested();
}

void ScriptedForms::Start(const ProgramIdentity& identity) {
    ++startCount;
    title = std::string(identity.title);
    ownProcedure_ = windows_.AddressOf([this](Long hWnd, Long msg, Long wParam, Long lParam) {
        if (form_ && form_->hWnd_ == hWnd) form_->ownProcedureLog.push_back({hWnd, msg, wParam, lParam});
        if (ownProcedureSpy) ownProcedureSpy({hWnd, msg, wParam, lParam});
        return kOwnProcedureResult;
    });
}

std::unique_ptr<FormWindow> ScriptedForms::CreateForm(const FormLayout& layout, FormEvents& events) {
    if (failingCalls.contains("CreateForm")) throw RuntimeError("CreateForm failed");
    auto form = std::make_unique<ScriptedForm>(*this, layout, events);
    form_ = form.get();
    return form;
}

void ScriptedForms::MsgBox(const WString& prompt, int buttons) {
    if (failingCalls.contains("MsgBox")) throw RuntimeError("MsgBox failed");
    const MessageBoxRecord record{title, prompt, buttons, form_ && form_->visible_};
    messageBoxes.push_back(record);
    ++openMessageBoxes;
    mostMessageBoxesOpen = std::max(mostMessageBoxesOpen, openMessageBoxes);
    if (whileMessageBoxOpen) whileMessageBoxOpen(record);
    --openMessageBoxes;
}

int ScriptedForms::Run() {
    if (script && fatalErrors.empty()) script();
    if (!fatalErrors.empty()) return 1;
    return Form() ? kStillRunning : 0;
}

void ScriptedForms::ReportFatalError(const std::string& message) {
    fatalErrors.push_back(message);
}

void ScriptedForms::Advance(long long milliseconds) {
    const long long until = now + milliseconds;
    while (Form() && form_->timerInterval_ > 0 && form_->nextTickAt_ <= until && fatalErrors.empty()) {
        now = form_->nextTickAt_;
        form_->nextTickAt_ += form_->timerInterval_;
        form_->events_.TimerTick(ControlId::Timer1);
    }
    now = std::max(now, until);
}

}  // namespace vedodud::scripted
