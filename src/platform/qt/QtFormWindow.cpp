#include "platform/qt/QtFormWindow.h"

#include <QCheckBox>
#include <QCursor>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QWindow>
#include <algorithm>
#include <exception>
#include <stdexcept>

#include "platform/RuntimeError.h"
#include "platform/common/CaptionFit.h"
#include "platform/common/LegibleColours.h"
#include "platform/qt/ContextBound.h"
#include "platform/qt/QtFormsToolkit.h"
#include "platform/qt/Rendering.h"
#include "platform/qt/SchemeColours.h"

namespace vedodud::qt {

namespace {

constexpr qreal kPointSizeStep = 0.25;
constexpr int kTwipsPerPoint = 20;

// The colours of one widget, from the scheme running now. The form's own background is shared by
// every control that asks for the same colour and drawn as the scheme leaves it legible, as the
// Windows program does; other colours are the layout's, read from the scheme where they are system
// colours. Only what is set here is fixed; every other role follows the scheme.
QPalette ColoursFor(const FormLayout& form, std::optional<Colour> back, std::optional<Colour> fore,
                    QPalette::ColorRole backgroundRole) {
    const QPalette scheme = QGuiApplication::palette();
    QPalette palette;
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        const auto system = [&](Colour colour) { return ToColour(ToQColor(colour, scheme, group)); };
        const LegibleColours shared = ResolveLegibleColours(
            {system(form.backColor), system(kSystemWindowText), system(kSystemWindowBackground)});
        const bool sharesFormBackground = back && *back == form.backColor;
        if (back) {
            const QColor background =
                sharesFormBackground ? FromColour(shared.background) : ToQColor(*back, scheme, group);
            palette.setColor(group, QPalette::Window, background);
            palette.setColor(group, backgroundRole, background);  // buttons fill with their own role
        }
        if (fore) {
            palette.setColor(group, QPalette::WindowText, ToQColor(*fore, scheme, group));
            palette.setColor(group, QPalette::Text, ToQColor(*fore, scheme, group));
        } else if (sharesFormBackground && group != QPalette::Disabled) {  // disabled text is dim on purpose
            palette.setColor(group, QPalette::WindowText, FromColour(shared.text));
        }
    }
    MakeTextLegible(palette);
    return palette;
}

void PaintColours(QWidget& widget, const FormLayout& form, std::optional<Colour> back,
                  std::optional<Colour> fore) {
    widget.setPalette(ColoursFor(form, back, fore, widget.backgroundRole()));
    if (back) widget.setAutoFillBackground(true);
}

// Paints the form and its controls in the colours of the scheme running now.
void PaintFormColours(FormState& state) {
    if (!state.widget) return;
    PaintColours(*state.widget, state.layout, state.layout.backColor, std::nullopt);
    for (const ControlLayout& control : state.layout.controls) {
        const auto found = state.controls.find(control.id);
        if (found == state.controls.end() || !found->second) continue;
        PaintColours(*found->second, state.layout, control.backColor, control.foreColor);
    }
    state.widget->update();
}

Qt::WindowFlags FormFlags(bool trayAvailable) {
    // A thin title bar with a close box only. With no notification area to hide in, the window
    // needs a minimise box and a taskbar button instead, or it could never get out of the way.
    Qt::WindowFlags flags = Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (trayAvailable) return flags | Qt::Tool;
    return flags | Qt::Window | Qt::WindowMinimizeButtonHint;
}

// Makes the window the kind it is with or without a tray, where it is.
void ApplyFormFlags(QWidget& form, bool trayAvailable) {
    const Qt::WindowFlags flags = FormFlags(trayAvailable);
    if ((form.windowFlags() & Qt::WindowType_Mask) == (flags & Qt::WindowType_Mask)) return;
    const QPoint at = form.pos();
    form.setWindowFlags(flags);
    form.move(at);
}

// The layout was drawn for a smaller default font than most Linux desktops use.
void FitCaption(QWidget& widget) {
    QFont font = widget.font();
    const bool inPoints = font.pointSizeF() > 0;
    const qreal size = inPoints ? font.pointSizeF() : font.pixelSize();
    const auto fitsAt = [&](qreal smaller) {
        if (smaller != size) {
            inPoints ? font.setPointSizeF(smaller) : font.setPixelSize(static_cast<int>(smaller));
            widget.setFont(font);
        }
        return widget.sizeHint().width() <= widget.width();
    };
    if (inPoints) {
        FittingCaptionSize(size, kPointSizeStep, qreal{kSmallestCaptionPoints}, fitsAt);
    } else {
        FittingCaptionSize(size, qreal{1}, qreal(Pixels(kSmallestCaptionPoints * kTwipsPerPoint)), fitsAt);
    }
}

// One of the form's events for the program, delivered while the form is loaded and the program
// has not ended with a fatal error; nothing once the form's state is gone.
template <class Event>
std::function<void()> Delivering(FormState& state, Event event) {
    return BoundTo(&state.context, [&state, event] {
        if (state.life == FormState::Life::Loaded) state.toolkit.Deliver([&] { event(state.events); });
    });
}

QWidget* BuildShape(const ControlLayout& control, QWidget& parent) {
    auto* shape = new ShapeWidget(&parent, control.fillColor.value_or(kSystemWindowBackground),
                                  control.borderColor.value_or(kSystemWindowText), control.fillDescription);
    // The light's name is its frame's caption: that is what a sighted user reads beside it.
    if (auto* frame = qobject_cast<QGroupBox*>(&parent)) shape->setAccessibleName(frame->title());
    return shape;
}

QWidget* BuildPicture(const ControlLayout& control, QWidget& parent) {
    auto* picture = new QLabel(&parent);
    picture->setPixmap(LoadPicture(control.picture));
    picture->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    picture->setFrameStyle(control.flat ? QFrame::NoFrame : (QFrame::Panel | QFrame::Sunken));
    picture->setFocusPolicy(Qt::StrongFocus);
    picture->setAccessibleName(PictureName(control.picture));
    return picture;
}

QWidget* BuildCheckBox(const ControlLayout& control, QWidget& parent) {
    auto* check = new QCheckBox(ToQString(control.text), &parent);
    check->setChecked(control.value == 1);
    return check;
}

QWidget* BuildButton(const ControlLayout& control, QWidget& parent, FormState& state) {
    auto* button = new QPushButton(ToQString(control.text), &parent);
    button->setDefault(control.isDefault);
    button->setAutoDefault(true);  // Enter acts on the focused button, as Space does
    QObject::connect(button, &QPushButton::clicked, &state.context,
                     Delivering(state, [id = control.id](FormEvents& events) { events.Click(id); }));
    if (control.isCancel) {
        auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), parent.window());
        QObject::connect(escape, &QShortcut::activated, button, &QPushButton::click);
    }
    return button;
}

QWidget* BuildWidget(const ControlLayout& control, QWidget& parent, FormState& state) {
    const QString text = ToQString(control.text);
    switch (control.kind) {
        case ControlKind::TextBox:
            return new QLineEdit(text, &parent);
        case ControlKind::Frame:
            return new QGroupBox(text, &parent);
        case ControlKind::Shape:
            return BuildShape(control, parent);
        case ControlKind::PictureBox:
            return BuildPicture(control, parent);
        case ControlKind::CheckBox:
            return BuildCheckBox(control, parent);
        case ControlKind::CommandButton:
            return BuildButton(control, parent, state);
        case ControlKind::Label:
            return new QLabel(text, &parent);
        case ControlKind::Timer:
            break;
    }
    return nullptr;
}

QWidget* BuildControl(const ControlLayout& control, QWidget& parent, FormState& state) {
    QWidget* widget = BuildWidget(control, parent, state);
    widget->setObjectName(ToQString(control.name));
    widget->setGeometry(PixelRect(control.left, control.top, control.width, control.height));
    // An invalid colour fails here, at creation, not later while painting.
    if (control.backColor) ValidateColour(*control.backColor);
    if (control.foreColor) ValidateColour(*control.foreColor);
    widget->setEnabled(control.enabled);
    if (control.kind == ControlKind::CheckBox || control.kind == ControlKind::Label) FitCaption(*widget);
    return widget;
}

QTimer* BuildTimer(const ControlLayout& control, QWidget& form, FormState& state) {
    auto* timer = new QTimer(&form);
    timer->setObjectName(ToQString(control.name));
    timer->setInterval(control.intervalMs);
    QObject::connect(timer, &QTimer::timeout, &state.context,
                     Delivering(state, [id = control.id](FormEvents& events) { events.TimerTick(id); }));
    if (control.enabled && control.intervalMs > 0) timer->start();
    return timer;
}

void BuildTimers(FormState& state) {
    for (const auto& control : state.layout.controls)
        if (control.kind == ControlKind::Timer)
            state.timers[control.id] = BuildTimer(control, *state.widget, state);
}

void BuildEachControl(FormState& state) {
    for (const auto& control : state.layout.controls) {
        if (control.kind == ControlKind::Timer) continue;
        QWidget* parent = state.widget;
        if (control.container) {
            parent = state.controls.at(*control.container);
            if (!parent) throw RuntimeError("Invalid container for " + std::string(control.name));
        }
        state.controls[control.id] = BuildControl(control, *parent, state);
    }
}

// A text box's label becomes its buddy, which names it for a screen reader and adds no access key.
void LabelTextBoxes(const FormState& state) {
    for (const auto& box : state.layout.controls) {
        if (box.kind != ControlKind::TextBox) continue;
        const ControlLayout* beside = state.layout.LabelBeside(box);
        auto* label = beside ? qobject_cast<QLabel*>(state.controls.at(beside->id).data()) : nullptr;
        if (label) label->setBuddy(state.controls.at(box.id));
    }
}

// The widgets the focus moves through; frames and labels sit in the order but pass the focus on.
std::vector<QWidget*> TabOrder(const FormState& state) {
    std::vector<QWidget*> widgets;
    for (const ControlLayout* control : state.layout.TabOrder())
        if (control->HoldsFocus() && state.controls.contains(control->id))
            widgets.push_back(state.controls.at(control->id));
    return widgets;
}

std::map<QAction*, MenuId> AddItems(QMenu& menu, const MenuLayout& layout) {
    menu.setObjectName(ToQString(layout.name));
    menu.setTitle(ToQString(layout.caption));
    std::map<QAction*, MenuId> items;
    for (const auto& item : layout.items) {
        if (item.IsSeparator()) {
            menu.addSeparator();
        } else {
            QAction* action = menu.addAction(ToQString(item.caption));
            action->setObjectName(ToQString(item.name));
            items[action] = item.id;
        }
    }
    return items;
}

// The host shows this menu and reports the choice over its own channel, after PopupMenu has
// returned: the chosen item's click arrives then.
void FillHostMenu(QMenu& menu, const MenuLayout& layout, FormState& state) {
    static constexpr char kFilledFor[] = "vedodudWindow";
    // The same menu again: its items stay, so that those the host already knows remain valid.
    if (menu.objectName() == ToQString(layout.name) && menu.property(kFilledFor).toLongLong() == state.hWnd)
        return;
    menu.clear();
    menu.setProperty(kFilledFor, static_cast<qlonglong>(state.hWnd));
    for (const auto& [action, id] : AddItems(menu, layout)) {
        QObject::connect(action, &QAction::triggered, &state.context,
                         Delivering(state, [item = id](FormEvents& events) { events.MenuClick(item); }));
    }
}

// With none of the program's windows on screen, Wayland has nothing to hang a popup on: Qt makes
// the menu a top-level window, which the compositor places and, unless told, decorates. No click
// elsewhere reaches the program either, so the menu closes when it loses the keyboard instead.
void PrepareParentlessMenu(QMenu& menu) {
    if (!QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    menu.setWindowFlag(Qt::FramelessWindowHint);
    auto hadKeyboard = std::make_shared<bool>(false);
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, &menu, [&menu, hadKeyboard](QWindow* focus) {
        if (focus && focus == menu.windowHandle()) {
            *hadKeyboard = true;
        } else if (*hadKeyboard && menu.isVisible()) {
            menu.close();
        }
    });
}

// Fixed size; the client area first stands where the layout places it on the main screen.
void PlaceForm(QWidget& form, const FormLayout& layout) {
    const QSize client(Pixels(layout.clientWidth), Pixels(layout.clientHeight));
    form.setFixedSize(client);
    QPoint origin(Pixels(layout.screenLeft), Pixels(layout.screenTop));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) origin += screen->geometry().topLeft();
    form.setGeometry(QRect(origin, client));
}

void BuildFormWidget(FormState& state) {
    FormWidget& form = *state.widget;
    form.setObjectName(ToQString(state.layout.name));
    form.setWindowTitle(ToQString(state.layout.caption));
    ValidateColour(state.layout.backColor);
    const QIcon icon = LoadIcon(state.layout.icon);
    form.setWindowIcon(icon);
    BuildTimers(state);
    // The controls need fonts and pictures: they come once control is back in the event loop,
    // after the tray icon the form's load places, unless something needs them sooner.
    QTimer::singleShot(0, &state.context, [&state] { state.toolkit.Deliver([&] { BuildControls(state); }); });
    PlaceForm(form, state.layout);
    state.hWnd = state.table.AddWindow(&form, [](Long, Long, Long, Long) -> Long { return 0; });
    state.iconHandle = state.table.AddIcon(icon);
}

// A form goes in two steps, between which an unloaded window handles its last messages. First no
// event reaches the program any more and the window is hidden...
void StartUnloading(FormState& state) {
    state.life = FormState::Life::Destroying;
    for (auto& [id, timer] : state.timers)
        if (timer) timer->stop();
    if (state.widget) state.widget->hide();
}

// ... then its handle goes, and the toolkit counts one form fewer. The widget is deleted later, not
// now: this may run inside one of its own event handlers.
void FinishUnloading(FormState& state) {
    state.table.RemoveWindow(state.hWnd);
    state.life = FormState::Life::Unloaded;
    if (state.widget) state.widget->deleteLater();
    state.toolkit.FormUnloaded();
}

}  // namespace

// The form's controls, their labels, colours and tab order, once.
void BuildControls(FormState& state) {
    if (state.controlsBuilt || !state.widget || state.life != FormState::Life::Loaded) return;
    state.controlsBuilt = true;
    try {
        BuildEachControl(state);
    } catch (const std::out_of_range&) {
        throw RuntimeError("Invalid layout of " + std::string(state.layout.name));
    }
    LabelTextBoxes(state);
    PaintFormColours(state);
    // The desktop switching to a dark scheme at sunset, say: painted in the new colours at once.
    new SchemeWatcher(state.widget, BoundTo(&state.context, [&state] { PaintFormColours(state); }));
    const std::vector<QWidget*> order = TabOrder(state);
    for (size_t i = 1; i < order.size(); ++i) QWidget::setTabOrder(order[i - 1], order[i]);
}

std::shared_ptr<FormState> BuildForm(QtFormsToolkit& toolkit, WindowTable& table, const FormLayout& layout,
                                     FormEvents& events, bool trayAvailable) {
    auto state = std::make_shared<FormState>(toolkit, table, layout, events);
    auto* form = new FormWidget(FormFlags(trayAvailable),
                                Delivering(*state, [](FormEvents& events) { events.CloseRequested(); }));
    state->widget = form;
    try {
        BuildFormWidget(*state);
    } catch (const std::out_of_range&) {
        delete form;
        throw RuntimeError("Invalid layout of " + std::string(layout.name));
    } catch (...) {
        delete form;
        throw;
    }
    return state;
}

void ShowForm(FormState& state) {
    FormWidget* form = state.widget;
    if (!form || state.life != FormState::Life::Loaded) throw RuntimeError("Form is not loaded");
    BuildControls(state);
    // Built before the desktop's tray was known: shown as what the window is with or without one.
    if (!form->isVisible()) ApplyFormFlags(*form, state.toolkit.TrayAvailable());
    if (!state.shownBefore) {
        state.shownBefore = true;
        const std::vector<QWidget*> order = TabOrder(state);
        if (!order.empty()) order.front()->setFocus(Qt::OtherFocusReason);
    }
    if (form->isMinimized()) {
        form->showNormal();
    } else {
        form->show();
    }
    form->raise();
    form->activateWindow();
}

void HideIntoTray(FormState& state) {
    // A tray may have come since the window was built without one: from now on the window is the
    // tool window it is meant to be, kept in the tray rather than on the taskbar.
    ApplyFormFlags(*state.widget, true);
    state.widget->hide();
}

QtFormWindow::~QtFormWindow() {
    // Dropped while still loaded: the window goes quietly, without messages to a program that is
    // itself being taken apart.
    FormState& state = *state_;
    if (state.life != FormState::Life::Loaded) return;
    StartUnloading(state);
    FinishUnloading(state);
}

FormWidget& QtFormWindow::LoadedWidget() {
    if (state_->life == FormState::Life::Unloaded || !state_->widget)
        throw RuntimeError("Form has been unloaded");
    return *state_->widget;
}

template <class ControlWidget>
ControlWidget& QtFormWindow::Control(ControlId id) {
    LoadedWidget();
    BuildControls(*state_);
    const auto found = state_->controls.find(id);
    auto* widget =
        found == state_->controls.end() ? nullptr : dynamic_cast<ControlWidget*>(found->second.data());
    if (!widget) throw RuntimeError("Object doesn't support this property or method");
    return *widget;
}

void QtFormWindow::SetVisible(bool visible) {
    FormWidget& form = LoadedWidget();
    if (visible) {
        ShowForm(*state_);
    } else if (state_->toolkit.TrayAvailable()) {
        HideIntoTray(*state_);
    } else if (form.isVisible()) {
        form.showMinimized();  // nowhere to hide: keep it reachable from the taskbar
    }
}

bool QtFormWindow::Visible() {
    FormWidget& form = LoadedWidget();
    return form.isVisible() && !form.isMinimized();
}

Long QtFormWindow::hWnd() {
    LoadedWidget();
    return state_->hWnd;
}

Long QtFormWindow::IconHandle() {
    LoadedWidget();
    return state_->iconHandle;
}

void QtFormWindow::PopupMenu(MenuId menuId) {
    // A handler run from the menu may unload the form and drop this object: from here on only
    // locals are touched.
    const std::shared_ptr<FormState> state = state_;
    LoadedWidget();
    if (state->life != FormState::Life::Loaded) throw RuntimeError("Form is being unloaded");
    const MenuLayout* layout = state->layout.FindMenu(menuId);
    if (!layout) throw RuntimeError("Invalid menu");

    if (QMenu* hostMenu = state->table.HostMenu(state->hWnd)) {
        FillHostMenu(*hostMenu, *layout, *state);
        return;
    }
    QMenu menu;
    const std::map<QAction*, MenuId> items = AddItems(menu, *layout);
    PrepareParentlessMenu(menu);
    // An item triggered from outside the menu, as a screen reader does, counts as chosen too.
    QAction* triggered = nullptr;
    QObject::connect(&menu, &QMenu::triggered, &menu, [&](QAction* action) {
        triggered = action;
        menu.close();
    });
    QAction* chosen = menu.exec(QCursor::pos());
    if (!chosen) chosen = triggered;
    if (!chosen || !items.contains(chosen)) return;
    Delivering(*state, [item = items.at(chosen)](FormEvents& events) { events.MenuClick(item); })();
}

void QtFormWindow::Unload() {
    const std::shared_ptr<FormState> state = state_;
    if (state->life != FormState::Life::Loaded) return;
    StartUnloading(*state);

    // The handle stays valid while the chain handles the window's last messages.
    std::exception_ptr failure;
    try {
        state->table.Send(state->hWnd, WM_DESTROY, 0, 0);
        state->table.Send(state->hWnd, WM_NCDESTROY, 0, 0);
    } catch (...) {
        failure = std::current_exception();
    }
    FinishUnloading(*state);
    if (failure) std::rethrow_exception(failure);
}

WString QtFormWindow::Text(ControlId textBox) {
    return Control<QLineEdit>(textBox).text().toStdU16String();
}

Colour QtFormWindow::FillColor(ControlId shape) {
    return Control<ShapeWidget>(shape).Fill();
}

void QtFormWindow::SetFillColor(ControlId shape, Colour colour) {
    Control<ShapeWidget>(shape).SetFill(colour);
}

std::int16_t QtFormWindow::Value(ControlId checkBox) {
    switch (Control<QCheckBox>(checkBox).checkState()) {
        case Qt::Checked:
            return 1;
        case Qt::PartiallyChecked:
            return 2;
        case Qt::Unchecked:
            break;
    }
    return 0;
}

}  // namespace vedodud::qt
