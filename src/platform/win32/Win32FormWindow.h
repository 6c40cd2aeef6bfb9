// One form as a top-level Win32 window with child controls.
#pragma once

#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "platform/FormsToolkit.h"
#include "platform/common/LegibleColours.h"
#include "platform/win32/AccessibleControl.h"
#include "platform/win32/Colours.h"
#include "platform/win32/Logo.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

class Win32FormsToolkit;

class Win32FormWindow : public FormWindow {
public:
    // Builds the window hidden, with every control at its initial value and its timers started.
    Win32FormWindow(Win32FormsToolkit& toolkit, const FormLayout& layout, FormEvents& events);
    ~Win32FormWindow() override;
    Win32FormWindow(const Win32FormWindow&) = delete;
    Win32FormWindow& operator=(const Win32FormWindow&) = delete;

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

    HWND Handle() const { return hwnd_; }
    HWND ControlHandle(ControlId id) const;
    // Destroys the window if it still exists, without raising errors.
    void DestroyQuietly();

    static void RegisterClasses(HINSTANCE instance);

private:
    struct Control {
        const ControlLayout* layout;
        HWND hwnd = nullptr;
        Colour fillColor = 0;
        // What a screen reader is told beyond Windows' own object, and the procedure it goes
        // around; none where Windows says enough.
        std::shared_ptr<AccessibleFacts> accessible{};
        WNDPROC ownProcedure = nullptr;
    };

    static LRESULT CALLBACK FormProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK ShapeProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK PictureProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK AccessibleProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    static const Control* ControlOf(HWND hwnd);
    LRESULT Handle(UINT msg, WPARAM wParam, LPARAM lParam);
    bool TimerTicked(WPARAM timerId);
    void ButtonClicked(HWND button);
    bool Activated(bool active);
    HBRUSH ColourControl(HDC dc, HWND child);
    void EraseBackground(HDC dc);
    void SchemeChanged();
    void StopTimers();
    LRESULT Destroyed(WPARAM wParam, LPARAM lParam);
    void CreateControls();
    void CreateControl(Control& control);
    void FitCaption(const Control& control, const std::wstring& caption);
    void MakeAccessible(Control& control);
    void ReadSchemeColours();
    COLORREF Background(Colour layoutColour) const;
    void StartTimers();
    Control& Find(ControlId id, ControlKind kind);
    const Control* FindByHandle(HWND hwnd) const;
    HWND LiveHandle() const;
    int ToPixelsX(int twips) const;
    int ToPixelsY(int twips) const;

    Win32FormsToolkit& toolkit_;
    const FormLayout& layout_;
    FormEvents& events_;
    HWND hwnd_ = nullptr;
    HICON icon_ = nullptr;
    HFONT font_ = nullptr;
    std::vector<HFONT> fittedFonts_;  // smaller fonts of captions that would not fit in font_
    LegibleColours shared_{};         // the form's background and text, as this scheme allows
    int dpiX_ = 96, dpiY_ = 96;
    bool shownBefore_ = false;
    HWND lastFocus_ = nullptr;
    std::vector<Control> controls_;
    std::map<UINT_PTR, ControlId> timers_;
    Picture logo_;
    BrushCache brushes_;
};

}  // namespace vedodud::win32
