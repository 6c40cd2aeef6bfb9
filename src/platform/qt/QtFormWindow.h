// One form on screen: the widgets built from its layout, its timers and its window handle.
#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <map>
#include <memory>

#include "platform/FormsToolkit.h"
#include "platform/qt/FormWidgets.h"
#include "platform/qt/WindowTable.h"

namespace vedodud::qt {

class QtFormsToolkit;

// Shared by the FormWindow and the form's own calls, so that it outlives a FormWindow that the
// program drops while one of them (a popup menu) is still on the stack.
struct FormState {
    enum class Life { Loaded, Destroying, Unloaded };

    FormState(QtFormsToolkit& toolkit, WindowTable& table, const FormLayout& layout, FormEvents& events)
        : toolkit(toolkit), table(table), layout(layout), events(events) {}

    QtFormsToolkit& toolkit;
    WindowTable& table;
    const FormLayout layout;
    FormEvents& events;
    QPointer<FormWidget> widget;
    std::map<ControlId, QPointer<QWidget>> controls;
    std::map<ControlId, QPointer<QTimer>> timers;
    Long hWnd = 0;
    Long iconHandle = 0;
    Life life = Life::Loaded;
    bool shownBefore = false;
    bool controlsBuilt = false;
    QObject context;  // of every connection and callback of the form: none runs once the state is gone
};

// Builds the form hidden, its timers running.
std::shared_ptr<FormState> BuildForm(QtFormsToolkit& toolkit, WindowTable& table, const FormLayout& layout,
                                     FormEvents& events, bool trayAvailable);

// Shows a form that is loaded; focus goes to the first control in tab order the first time.
void ShowForm(FormState& state);
// Builds the form's controls now, if they are not yet.
void BuildControls(FormState& state);
// Hides a form into the notification area, as the tool window it is there.
void HideIntoTray(FormState& state);

class QtFormWindow final : public FormWindow {
public:
    explicit QtFormWindow(std::shared_ptr<FormState> state) : state_(std::move(state)) {}
    ~QtFormWindow() override;

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

private:
    friend class QtFormWindowInspector;  // the tests' view of the form's widget

    FormWidget& LoadedWidget();
    template <class ControlWidget>
    ControlWidget& Control(ControlId id);

    std::shared_ptr<FormState> state_;
};

}  // namespace vedodud::qt
