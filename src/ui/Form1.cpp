#include "ui/Form1.h"

#include "platform/HandlerGuard.h"
#include "platform/RuntimeError.h"
#include "ui/Form1Layout.h"

namespace vedodud {

std::shared_ptr<Form1> Form1::Create(Platform& platform, APIStuff& tray) {
    return std::shared_ptr<Form1>(new Form1(platform, tray));
}

Form1::Form1(Platform& platform, APIStuff& tray)
    : platform_(platform), tray_(tray), mnuTray_(std::make_shared<const Menu>(Menu{MenuId::mnuTray})) {}

void Form1::Load() {
    if (loaded_) return;
    window_ = platform_.forms.CreateForm(Form1Layout(), *this);
    loaded_ = true;
    Form_Load();
    if (loaded_ && Form1Layout().visible) SetVisible(true);
}

void Form1::Unload() {
    if (!loaded_ || unloading_) return;
    unloading_ = true;
    try {
        window_->Unload();
    } catch (...) {
        unloading_ = false;
        throw;
    }
    loaded_ = false;
    unloading_ = false;
}

FormWindow& Form1::Window() {
    if (!loaded_) throw RuntimeError("Form1 is not loaded");
    return *window_;
}

bool Form1::Visible() {
    return Window().Visible();
}
void Form1::SetVisible(bool visible) {
    Window().SetVisible(visible);
}

Long Form1::hWnd() {
    return Window().hWnd();
}
Long Form1::IconHandle() {
    return Window().IconHandle();
}
void Form1::PopupMenu(const Menu& menu) {
    Window().PopupMenu(menu.id);
}

WString Form1::Text1Text() {
    return Window().Text(ControlId::Text1);
}
Colour Form1::Shape1FillColor() {
    return Window().FillColor(ControlId::Shape1);
}
void Form1::SetShape1FillColor(Colour colour) {
    Window().SetFillColor(ControlId::Shape1, colour);
}
std::int16_t Form1::Check1Value() {
    return Window().Value(ControlId::Check1);
}

void Form1::Form_Load() {
    tray_.AddTrayIcon(shared_from_this(), mnuTray_);
    tray_.SetTrayTip(kTrayTip);
}

void Form1::Command3_Click() {
    SetVisible(false);
    tray_.AddTrayIcon(shared_from_this(), mnuTray_);
}

void Form1::mnuTrayDoStuff_Click() {
    SetVisible(true);
    tray_.RemoveTrayIcon();
}

void Form1::mnuTrayClose_Click() {
    Unload();
}

void Form1::TimerTick(ControlId timer) {
    RunGuarded(platform_.forms, [&] {
        if (timer == ControlId::Timer1) Timer1_Timer();
    });
}

void Form1::Click(ControlId control) {
    RunGuarded(platform_.forms, [&] {
        if (control == ControlId::Command3) Command3_Click();
    });
}

void Form1::MenuClick(MenuId item) {
    RunGuarded(platform_.forms, [&] {
        if (item == MenuId::mnuTrayDoStuff) mnuTrayDoStuff_Click();
        if (item == MenuId::mnuTrayClose) mnuTrayClose_Click();
    });
}

void Form1::CloseRequested() {
    RunGuarded(platform_.forms, [&] { Unload(); });
}

}  // namespace vedodud
