// What the program needs of a forms toolkit: forms built from a layout, their controls,
// a modal message box and the event loop. Every call may fail by throwing RuntimeError.
#pragma once

#include <memory>
#include <string>

#include "platform/FormLayout.h"
#include "platform/Types.h"

namespace vedodud {

struct ProgramIdentity;

// Events a toolkit delivers to a loaded form, always on the one user-interface thread.
class FormEvents {
public:
    virtual void TimerTick(ControlId timer) = 0;
    virtual void Click(ControlId control) = 0;
    virtual void MenuClick(MenuId item) = 0;
    virtual void CloseRequested() = 0;  // the user pressed the close box

protected:
    ~FormEvents() = default;
};

// One form as the toolkit shows it.
class FormWindow {
public:
    virtual ~FormWindow() = default;

    virtual void SetVisible(bool visible) = 0;  // hiding keeps the window, its values and its timers
    virtual bool Visible() = 0;
    virtual Long hWnd() = 0;        // valid from creation until the window is destroyed
    virtual Long IconHandle() = 0;  // handle of the form's icon, usable by the shell
    // Shows the menu at the mouse pointer and returns after it has closed; the chosen item's
    // MenuClick is delivered inside this call. Other events keep being dispatched meanwhile.
    virtual void PopupMenu(MenuId menu) = 0;
    // Destroys the window, its controls and menus; its procedure chain receives WM_NCDESTROY last.
    virtual void Unload() = 0;

    virtual WString Text(ControlId textBox) = 0;
    virtual Colour FillColor(ControlId shape) = 0;
    virtual void SetFillColor(ControlId shape, Colour colour) = 0;
    virtual std::int16_t Value(ControlId checkBox) = 0;
};

class FormsToolkit {
public:
    virtual ~FormsToolkit() = default;

    // Starts the runtime with the program's description; called once, first.
    virtual void Start(const ProgramIdentity& identity) = 0;
    // Builds the form hidden, with its timers counting from now.
    virtual std::unique_ptr<FormWindow> CreateForm(const FormLayout& layout, FormEvents& events) = 0;
    // Modal box captioned with the application title; returns once dismissed.
    virtual void MsgBox(const WString& prompt, int buttons) = 0;
    // Dispatches events until no form is loaded or a fatal error was reported; the exit status.
    virtual int Run() = 0;
    // Shows the report of an error that left an event handler; the program then ends non-zero.
    virtual void ReportFatalError(const std::string& message) = 0;
};

}  // namespace vedodud
