#include "platform/win32/Win32FormWindow.h"

#include <oleacc.h>

#include <algorithm>

#include "platform/HandlerGuard.h"
#include "platform/RuntimeError.h"
#include "platform/common/CaptionFit.h"
#include "platform/win32/Handles.h"
#include "platform/win32/ResourceIds.h"
#include "platform/win32/Win32CodePage.h"
#include "platform/win32/Win32FormsToolkit.h"

namespace vedodud::win32 {
namespace {

constexpr char kFormClass[] = "VedodudForm";
constexpr wchar_t kShapeClass[] = L"VedodudShape";
constexpr wchar_t kPictureClass[] = L"VedodudPicture";
// Not WS_CLIPCHILDREN: a group box paints only its frame, the form shows through inside it.
constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
constexpr DWORD kFormExStyle = WS_EX_TOOLWINDOW;
// Control ids stay clear of IDOK and IDCANCEL, which the dialog manager sends for Enter and Esc.
constexpr int kFirstControlId = 100;
constexpr UINT kFirstMenuCommand = 1000;
constexpr int kPointsPerInch = 72;

Win32FormWindow* FormOf(HWND hwnd) {
    return reinterpret_cast<Win32FormWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
}

void Fail(const char* what) {
    throw RuntimeError(std::string(what) + " (error " + std::to_string(GetLastError()) + ")");
}

// Whether one line of `caption` in `font` fits into `room` pixels.
bool CaptionFits(HDC dc, HFONT font, const std::wstring& caption, SIZE room) {
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent{};
    GetTextExtentPoint32W(dc, caption.c_str(), static_cast<int>(caption.size()), &extent);
    SelectObject(dc, previous);
    return extent.cx <= room.cx && extent.cy <= room.cy;
}

// The room a control leaves its caption: what its check mark, frame line or button edges take
// is set aside, with the margin of one digit's width a control keeps around its text.
SIZE CaptionRoom(ControlKind kind, HWND control, HDC dc) {
    RECT box;
    GetClientRect(control, &box);
    SIZE digit{};
    GetTextExtentPoint32W(dc, L"0", 1, &digit);
    switch (kind) {
        case ControlKind::CheckBox:
            return {box.right - GetSystemMetrics(SM_CXMENUCHECK) - digit.cx, box.bottom};
        case ControlKind::Frame:
            return {box.right - 2 * digit.cx, box.bottom};
        case ControlKind::CommandButton:
            return {box.right - 2 * digit.cx, box.bottom - 2 * GetSystemMetrics(SM_CYEDGE)};
        default:
            return {box.right, box.bottom};
    }
}

// The window class and styles of one kind of control.
struct WindowClass {
    const wchar_t* name;
    DWORD style;
    DWORD exStyle = 0;
};

WindowClass KindClass(const ControlLayout& layout) {
    switch (layout.kind) {
        case ControlKind::TextBox:
            return {L"EDIT", ES_LEFT | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
        case ControlKind::Frame:
            return {L"BUTTON", BS_GROUPBOX};
        case ControlKind::Shape:
            return {kShapeClass, 0};
        case ControlKind::PictureBox:
            return {kPictureClass, 0, layout.flat ? 0u : WS_EX_CLIENTEDGE};
        case ControlKind::CheckBox:
            return {L"BUTTON", BS_AUTOCHECKBOX};
        case ControlKind::CommandButton:
            return {L"BUTTON", static_cast<DWORD>(layout.isDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON)};
        case ControlKind::Label:
        case ControlKind::Timer:
            break;
    }
    return {L"STATIC", SS_LEFT};
}

WindowClass WindowClassOf(const ControlLayout& layout) {
    WindowClass window = KindClass(layout);
    // Where boxes of the layout overlap by a pixel, the control made first stays whole; the label,
    // made last, never paints over the text box's edge.
    window.style |= WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS;
    if (layout.HoldsFocus()) window.style |= WS_TABSTOP;
    if (!layout.enabled) window.style |= WS_DISABLED;
    return window;
}

// The light and the logo paint themselves whole: their background in one colour, then what they
// show on it.
template <class PaintOnTop>
LRESULT PaintChild(HWND hwnd, COLORREF background, PaintOnTop paintOnTop) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    RECT area;
    GetClientRect(hwnd, &area);
    HBRUSH back = CreateSolidBrush(background);
    FillRect(dc, &area, back);
    DeleteObject(back);
    paintOnTop(dc, area);
    EndPaint(hwnd, &paint);
    return 0;
}

}  // namespace

void Win32FormWindow::RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXA form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = &FormProcedure;
    form.hInstance = instance;
    form.hCursor = LoadCursor(nullptr, IDC_ARROW);
    form.lpszClassName = kFormClass;
    if (!RegisterClassExA(&form) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        Fail("Can't register the form class");

    // The light and the logo are plain painted children that differ only in their procedure.
    const auto registerChild = [instance](WNDPROC procedure, LPCWSTR name, const char* failure) {
        WNDCLASSEXW child{};
        child.cbSize = sizeof child;
        child.lpfnWndProc = procedure;
        child.hInstance = instance;
        child.hCursor = LoadCursor(nullptr, IDC_ARROW);
        child.lpszClassName = name;
        if (!RegisterClassExW(&child) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) Fail(failure);
    };
    registerChild(&ShapeProcedure, kShapeClass, "Can't register the shape class");
    registerChild(&PictureProcedure, kPictureClass, "Can't register the picture class");
}

Win32FormWindow::Win32FormWindow(Win32FormsToolkit& toolkit, const FormLayout& layout, FormEvents& events)
    : toolkit_(toolkit), layout_(layout), events_(events) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    HDC screen = GetDC(nullptr);
    dpiX_ = GetDeviceCaps(screen, LOGPIXELSX);
    dpiY_ = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    ReadSchemeColours();

    icon_ = static_cast<HICON>(
        LoadImageA(instance, MAKEINTRESOURCEA(VEDODUD_ICON_GROUP_ID), IMAGE_ICON, 32, 32, LR_DEFAULTCOLOR));
    if (!icon_) Fail("Can't load the form's icon");
    for (const ControlLayout& control : layout_.controls)
        if (control.kind == ControlKind::PictureBox && control.picture == ImageId::Logo && !logo_)
            logo_ = LoadPictureResource(instance, VEDODUD_LOGO_RESOURCE_ID);

    // The layout fixes the client area; the frame around it follows the system's metrics.
    RECT frame{0, 0, ToPixelsX(layout_.clientWidth), ToPixelsY(layout_.clientHeight)};
    AdjustWindowRectEx(&frame, kFormStyle, FALSE, kFormExStyle);
    const int left = ToPixelsX(layout_.screenLeft) + frame.left;
    const int top = ToPixelsY(layout_.screenTop) + frame.top;
    Win32CodePage codePage;
    const std::string caption = codePage.ToAnsi(layout_.caption);
    hwnd_ =
        CreateWindowExA(kFormExStyle, kFormClass, caption.c_str(), kFormStyle, left, top,
                        frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance, this);
    if (!hwnd_) Fail("Can't create the form's window");
    toolkit_.FormCreated(this);
    try {
        SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
        SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
        font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        CreateControls();
        StartTimers();
    } catch (...) {
        DestroyQuietly();
        throw;
    }
}

Win32FormWindow::~Win32FormWindow() {
    DestroyQuietly();
    for (HFONT font : fittedFonts_) DeleteObject(font);
    if (icon_) DestroyIcon(icon_);
    toolkit_.FormDeleted(this);
}

void Win32FormWindow::DestroyQuietly() {
    if (hwnd_) DestroyWindow(hwnd_);
}

int Win32FormWindow::ToPixelsX(int twips) const {
    return MulDiv(twips, dpiX_, kTwipsPerInch);
}
int Win32FormWindow::ToPixelsY(int twips) const {
    return MulDiv(twips, dpiY_, kTwipsPerInch);
}

void Win32FormWindow::CreateControls() {
    for (const ControlLayout& control : layout_.controls) controls_.push_back(Control{&control});
    // Windows moves the focus in creation order: controls of the tab order come first, in it,
    // and a control inside a container only after its container.
    std::vector<Control*> order;
    for (Control& control : controls_) order.push_back(&control);
    std::stable_sort(order.begin(), order.end(), [](const Control* a, const Control* b) {
        const auto rank = [](const Control* c) {
            return std::pair{c->layout->container.has_value(),
                             c->layout->tabIndex < 0 ? 1 << 30 : c->layout->tabIndex};
        };
        return rank(a) < rank(b);
    });
    for (Control* control : order) CreateControl(*control);
}

void Win32FormWindow::CreateControl(Control& control) {
    const ControlLayout& layout = *control.layout;
    if (layout.kind == ControlKind::Timer) return;
    HWND parent = hwnd_;
    if (layout.container) parent = Find(*layout.container, ControlKind::Frame).hwnd;

    if (layout.kind == ControlKind::Shape) control.fillColor = layout.fillColor.value_or(0);

    const WindowClass window = WindowClassOf(layout);
    const int id = kFirstControlId + static_cast<int>(&control - controls_.data());
    const std::wstring text = ToWide(layout.text);
    control.hwnd = CreateWindowExW(
        window.exStyle, window.name, text.c_str(), window.style, ToPixelsX(layout.left),
        ToPixelsY(layout.top), ToPixelsX(layout.width), ToPixelsY(layout.height), parent,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), nullptr);
    if (!control.hwnd) Fail("Can't create a control");
    SetWindowLongPtrW(control.hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&control));
    SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font_), FALSE);
    if (!text.empty() && layout.kind != ControlKind::TextBox) FitCaption(control, text);
    if (layout.kind == ControlKind::CheckBox) SendMessageW(control.hwnd, BM_SETCHECK, layout.value, 0);
    MakeAccessible(control);
}

// Windows' own accessible objects name a control from its text, or an edit box from the label
// made before it, and under Wine give buttons and our own classes no role. Where the layout
// tells more, the control answers WM_GETOBJECT itself with what it tells.
void Win32FormWindow::MakeAccessible(Control& control) {
    const ControlLayout& layout = *control.layout;
    AccessibleFacts facts;
    switch (layout.kind) {
        case ControlKind::TextBox:
            if (const ControlLayout* label = layout_.LabelBeside(layout)) facts.name = ToWide(label->text);
            break;
        case ControlKind::Frame:
            facts.role = ROLE_SYSTEM_GROUPING;
            break;
        case ControlKind::Shape:
            // The light's name is its frame's caption: that is what a sighted user reads beside it.
            if (layout.container) facts.name = ToWide(layout_.Control(*layout.container).text);
            facts.role = ROLE_SYSTEM_GRAPHIC;
            if (layout.fillDescription) facts.value = ToWide(layout.fillDescription->For(control.fillColor));
            break;
        case ControlKind::PictureBox:
            facts.name = ToWide(PictureName(layout.picture, FromWide(toolkit_.Title())));
            facts.role = ROLE_SYSTEM_GRAPHIC;
            break;
        case ControlKind::CheckBox:
            facts.role = ROLE_SYSTEM_CHECKBUTTON;
            facts.checkable = true;
            break;
        case ControlKind::CommandButton:
            facts.role = ROLE_SYSTEM_PUSHBUTTON;
            break;
        case ControlKind::Label:
            facts.role = ROLE_SYSTEM_STATICTEXT;
            break;
        case ControlKind::Timer:
            break;
    }
    if (!facts.Any()) return;
    control.accessible = std::make_shared<AccessibleFacts>(std::move(facts));
    control.ownProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(control.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&AccessibleProcedure)));
}

// The layout was drawn for a narrower default font than some systems put in its place: a caption
// that would be cut off gets the same font a little smaller, just enough to be read whole.
void Win32FormWindow::FitCaption(const Control& control, const std::wstring& caption) {
    HDC dc = GetDC(control.hwnd);
    HGDIOBJ previous = SelectObject(dc, font_);
    const SIZE room = CaptionRoom(control.layout->kind, control.hwnd, dc);
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, previous);
    LOGFONTW smaller{};
    GetObjectW(font_, sizeof smaller, &smaller);
    smaller.lfWidth = 0;
    const int fullHeight = metrics.tmHeight - metrics.tmInternalLeading;
    HFONT current = font_;
    FittingCaptionSize(fullHeight, 1, MulDiv(kSmallestCaptionPoints, dpiY_, kPointsPerInch), [&](int height) {
        smaller.lfHeight = -height;
        HFONT next = height == fullHeight ? nullptr : CreateFontIndirectW(&smaller);
        if (next) {
            if (current != font_) DeleteObject(current);
            current = next;
        }
        return CaptionFits(dc, current, caption, room);
    });
    ReleaseDC(control.hwnd, dc);
    if (current == font_) return;
    fittedFonts_.push_back(current);
    SendMessageW(control.hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(current), FALSE);
}

void Win32FormWindow::ReadSchemeColours() {
    shared_ = ResolveLegibleColours(
        {ToColorRef(layout_.backColor), GetSysColor(COLOR_WINDOWTEXT), GetSysColor(COLOR_WINDOW)});
}

// The form's own background colour is shared by every control that asks for the same one, and is
// drawn as the scheme leaves it legible; other colours are the layout's.
COLORREF Win32FormWindow::Background(Colour layoutColour) const {
    return layoutColour == layout_.backColor ? shared_.background : ToColorRef(layoutColour);
}

void Win32FormWindow::StartTimers() {
    UINT_PTR next = 1;
    for (const Control& control : controls_) {
        const ControlLayout& layout = *control.layout;
        if (layout.kind != ControlKind::Timer || !layout.enabled || layout.intervalMs <= 0) continue;
        if (!SetTimer(hwnd_, next, static_cast<UINT>(layout.intervalMs), nullptr))
            Fail("Can't start a timer");
        timers_[next++] = layout.id;
    }
}

Win32FormWindow::Control& Win32FormWindow::Find(ControlId id, ControlKind kind) {
    for (Control& control : controls_)
        if (control.layout->id == id) {
            if (control.layout->kind != kind)
                throw RuntimeError("Object doesn't support this property or method");
            return control;
        }
    throw RuntimeError("Object required: no such control");
}

const Win32FormWindow::Control* Win32FormWindow::FindByHandle(HWND hwnd) const {
    for (const Control& control : controls_)
        if (control.hwnd == hwnd) return &control;
    return nullptr;
}

HWND Win32FormWindow::ControlHandle(ControlId id) const {
    for (const Control& control : controls_)
        if (control.layout->id == id) return control.hwnd;
    return nullptr;
}

HWND Win32FormWindow::LiveHandle() const {
    if (!hwnd_) throw RuntimeError("Object was unloaded");
    return hwnd_;
}

void Win32FormWindow::SetVisible(bool visible) {
    HWND hwnd = LiveHandle();
    if (!visible) {
        ShowWindow(hwnd, SW_HIDE);
        return;
    }
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    if (!shownBefore_) {
        shownBefore_ = true;
        const ControlLayout* first = layout_.FirstFocus();
        for (const Control& control : controls_)
            if (control.layout == first && control.hwnd) lastFocus_ = control.hwnd;
    }
    if (lastFocus_) SetFocus(lastFocus_);
}

bool Win32FormWindow::Visible() {
    return IsWindowVisible(LiveHandle()) != FALSE;
}

Long Win32FormWindow::hWnd() {
    return ToLong(LiveHandle());
}

Long Win32FormWindow::IconHandle() {
    LiveHandle();
    return ToLong(icon_);
}

void Win32FormWindow::PopupMenu(MenuId menuId) {
    HWND hwnd = LiveHandle();
    const MenuLayout& menu = layout_.Menu(menuId);
    HMENU popup = CreatePopupMenu();
    if (!popup) Fail("Can't create the menu");
    for (std::size_t index = 0; index < menu.items.size(); ++index) {
        const MenuItemLayout& item = menu.items[index];
        const std::wstring caption = ToWide(item.caption);
        const BOOL added = item.IsSeparator()
                               ? AppendMenuW(popup, MF_SEPARATOR, 0, nullptr)
                               : AppendMenuW(popup, MF_STRING, kFirstMenuCommand + index, caption.c_str());
        if (!added) {
            DestroyMenu(popup);
            Fail("Can't build the menu");
        }
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    const UINT chosen = static_cast<UINT>(TrackPopupMenu(
        popup, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, cursor.x, cursor.y, 0, hwnd, nullptr));
    DestroyMenu(popup);
    // The handler runs after the menu has closed, still inside this call; it may unload the form.
    if (chosen >= kFirstMenuCommand && chosen < kFirstMenuCommand + menu.items.size())
        events_.MenuClick(menu.items[chosen - kFirstMenuCommand].id);
}

void Win32FormWindow::Unload() {
    HWND hwnd = LiveHandle();
    if (!DestroyWindow(hwnd)) Fail("Can't unload the form");
}

WString Win32FormWindow::Text(ControlId textBox) {
    LiveHandle();
    HWND edit = Find(textBox, ControlKind::TextBox).hwnd;
    const int length = GetWindowTextLengthW(edit);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(edit, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return FromWide(text);
}

Colour Win32FormWindow::FillColor(ControlId shape) {
    LiveHandle();
    return Find(shape, ControlKind::Shape).fillColor;
}

void Win32FormWindow::SetFillColor(ControlId shape, Colour colour) {
    LiveHandle();
    Control& control = Find(shape, ControlKind::Shape);
    control.fillColor = colour;
    InvalidateRect(control.hwnd, nullptr, TRUE);
    const auto& description = control.layout->fillDescription;
    if (!description || !control.accessible) return;
    // A reader hears the site go down or come back, not every probe.
    std::wstring value = ToWide(description->For(colour));
    if (control.accessible->value == value) return;
    control.accessible->value = std::move(value);
    NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, control.hwnd, OBJID_CLIENT, CHILDID_SELF);
}

std::int16_t Win32FormWindow::Value(ControlId checkBox) {
    LiveHandle();
    return static_cast<std::int16_t>(
        SendMessageW(Find(checkBox, ControlKind::CheckBox).hwnd, BM_GETCHECK, 0, 0));
}

LRESULT CALLBACK Win32FormWindow::FormProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        auto* form = static_cast<Win32FormWindow*>(create->lpCreateParams);
        form->hwnd_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
    }
    Win32FormWindow* form = FormOf(hwnd);
    if (!form) return DefWindowProcA(hwnd, msg, wParam, lParam);
    // Nothing may unwind into user32: an error here ends the program after its report.
    return RunGuarded(form->toolkit_, LRESULT{0}, [&] { return form->Handle(msg, wParam, lParam); });
}

LRESULT Win32FormWindow::Handle(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_TIMER:
            if (TimerTicked(wParam)) return 0;
            break;
        case WM_COMMAND:
            if (HIWORD(wParam) == BN_CLICKED) ButtonClicked(reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_CLOSE:
            // The program decides whether the form goes; it unloads it itself.
            events_.CloseRequested();
            return 0;
        case WM_ACTIVATE:
            if (Activated(LOWORD(wParam) != WA_INACTIVE)) return 0;
            break;
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
            if (HBRUSH brush = ColourControl(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam)))
                return reinterpret_cast<LRESULT>(brush);
            break;
        case WM_ERASEBKGND:
            EraseBackground(reinterpret_cast<HDC>(wParam));
            return 1;
        case WM_SYSCOLORCHANGE:
        case WM_SETTINGCHANGE:
        case WM_THEMECHANGED:
            SchemeChanged();
            break;
        case WM_DESTROY:
            StopTimers();
            break;
        case WM_NCDESTROY:
            return Destroyed(wParam, lParam);
        default:
            if (msg == toolkit_.TaskbarCreatedMessage() && msg != 0) toolkit_.TaskbarCreated();
            break;
    }
    return DefWindowProcA(hwnd_, msg, wParam, lParam);
}

bool Win32FormWindow::TimerTicked(WPARAM timerId) {
    const auto timer = timers_.find(timerId);
    if (timer == timers_.end()) return false;
    events_.TimerTick(timer->second);
    return true;
}

void Win32FormWindow::ButtonClicked(HWND button) {
    const Control* control = FindByHandle(button);
    if (control && control->layout->kind == ControlKind::CommandButton) events_.Click(control->layout->id);
}

// The focus leaves with the form and comes back to the control that had it.
bool Win32FormWindow::Activated(bool active) {
    if (!active) {
        HWND focus = GetFocus();
        if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        return false;
    }
    if (!lastFocus_ || !IsWindow(lastFocus_)) return false;
    SetFocus(lastFocus_);
    return true;
}

HBRUSH Win32FormWindow::ColourControl(HDC dc, HWND child) {
    const Control* control = FindByHandle(child);
    if (!control || !control->layout->backColor) return nullptr;
    const COLORREF back = Background(*control->layout->backColor);
    SetBkColor(dc, back);
    if (control->layout->foreColor)
        SetTextColor(dc, ToColorRef(*control->layout->foreColor));
    else if (*control->layout->backColor == layout_.backColor)
        SetTextColor(dc, shared_.text);
    return brushes_.Get(back);
}

void Win32FormWindow::EraseBackground(HDC dc) {
    RECT client;
    GetClientRect(hwnd_, &client);
    FillRect(dc, &client, brushes_.Get(Background(layout_.backColor)));
}

// The scheme may have changed under the window: its colours are resolved again and repainted.
void Win32FormWindow::SchemeChanged() {
    ReadSchemeColours();
    brushes_.Clear();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

void Win32FormWindow::StopTimers() {
    for (const auto& [id, control] : timers_) KillTimer(hwnd_, id);
    timers_.clear();
}

// The last message, after any procedure in front of ours has seen it.
LRESULT Win32FormWindow::Destroyed(WPARAM wParam, LPARAM lParam) {
    HWND hwnd = hwnd_;
    hwnd_ = nullptr;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
    for (Control& control : controls_) control.hwnd = nullptr;
    toolkit_.FormDestroyed(this);
    return DefWindowProcA(hwnd, WM_NCDESTROY, wParam, lParam);
}

const Win32FormWindow::Control* Win32FormWindow::ControlOf(HWND hwnd) {
    return reinterpret_cast<const Control*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
}

LRESULT CALLBACK Win32FormWindow::ShapeProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const Control* control = ControlOf(hwnd);
    if (msg == WM_ERASEBKGND) return 1;
    if (msg != WM_PAINT || !control) return DefWindowProcW(hwnd, msg, wParam, lParam);
    return PaintChild(hwnd, ToColorRef(control->fillColor), [control](HDC dc, const RECT& area) {
        HBRUSH outline =
            CreateSolidBrush(ToColorRef(control->layout->borderColor.value_or(kSystemWindowText)));
        FrameRect(dc, &area, outline);
        DeleteObject(outline);
    });
}

LRESULT CALLBACK Win32FormWindow::AccessibleProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const Control* control = ControlOf(hwnd);
    if (!control || !control->ownProcedure) return DefWindowProcW(hwnd, msg, wParam, lParam);
    if (msg == WM_GETOBJECT)
        if (const LRESULT answer = AnswerAccessibleObject(hwnd, wParam, lParam, control->accessible))
            return answer;
    return CallWindowProcW(control->ownProcedure, hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK Win32FormWindow::PictureProcedure(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    const Control* control = ControlOf(hwnd);
    if (msg == WM_ERASEBKGND) return 1;
    if (msg == WM_LBUTTONDOWN) SetFocus(hwnd);
    // Wants no keys of its own: Tab and the arrows stay with the dialog manager, so the focus
    // passes through the logo to the next control instead of stopping there.
    if (msg == WM_GETDLGCODE) return 0;
    if (msg != WM_PAINT || !control) return DefWindowProcW(hwnd, msg, wParam, lParam);
    const COLORREF back = ToColorRef(control->layout->backColor.value_or(kSystemWindowBackground));
    return PaintChild(hwnd, back, [hwnd, control](HDC dc, const RECT&) {
        const Win32FormWindow* form = FormOf(GetAncestor(hwnd, GA_ROOT));
        if (form && form->logo_ && control->layout->picture == ImageId::Logo) form->logo_.Draw(dc, 0, 0);
    });
}

}  // namespace vedodud::win32
