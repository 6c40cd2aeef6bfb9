// What a person meets on the form: controls where the layout puts them, values that follow the
// user, buttons and the close box, timers, where the focus starts and where Tab takes it, and the
// tray menu popped up from the layout, chosen with its access keys.
#pragma once

#include <chrono>
#include <thread>

#include "contract/BackendContract.h"

namespace vedodud::contract {

template <class Backend>
class FormContract : public BackendContract<Backend> {
protected:
    ShownMenu Popup(char key) {
        ShownMenu menu;
        this->backend.AnswerNextMenu(menu, key);
        FormWindow* form = this->form.get();  // the click may let go of the form
        form->PopupMenu(MenuId::mnuTray);
        return menu;
    }
};
TYPED_TEST_SUITE_P(FormContract);

TYPED_TEST_P(FormContract, TheFormIsBuiltHiddenWithEveryControlWhereTheLayoutPutsIt) {
    FormWindow& form = *this->form;
    auto& backend = this->backend;
    const FormLayout& layout = Form1Layout();
    EXPECT_FALSE(form.Visible());
    EXPECT_EQ(backend.Caption(form, std::nullopt), layout.caption);
    EXPECT_NE(form.IconHandle(), 0);
    for (const ControlLayout& control : layout.controls) {
        if (control.kind == ControlKind::Timer) continue;
        SCOPED_TRACE(control.name);
        const std::string_view container =
            control.container ? layout.Control(*control.container).name : layout.name;
        EXPECT_EQ(
            backend.Placed(form, control.id),
            (Placement{std::string(container), backend.Pixels(control.left), backend.Pixels(control.top),
                       backend.Pixels(control.width), backend.Pixels(control.height)}));
        if (!control.text.empty()) {
            EXPECT_EQ(backend.Caption(form, control.id), control.text);
        }
    }
}

TYPED_TEST_P(FormContract, ValuesStartFromTheLayoutAndFollowTheUser) {
    FormWindow& form = *this->form;
    EXPECT_EQ(form.Text(ControlId::Text1), u"http://example.com/");
    this->backend.Type(form, ControlId::Text1, u"http://127.0.0.1:9/\u00e9");
    EXPECT_EQ(form.Text(ControlId::Text1), u"http://127.0.0.1:9/\u00e9");
    EXPECT_EQ(form.Value(ControlId::Check1), 0);
    this->backend.Click(form, ControlId::Check1);
    EXPECT_EQ(form.Value(ControlId::Check1), 1);
    EXPECT_EQ(form.FillColor(ControlId::Shape1), 0x0000C000u);
    form.SetFillColor(ControlId::Shape1, 0x000000FF);
    EXPECT_EQ(form.FillColor(ControlId::Shape1), 0x000000FFu);
    EXPECT_THROW(form.Text(ControlId::Check1), RuntimeError);  // a check box has no text to read
    EXPECT_TRUE(this->events.log.empty());                     // values change, no event
}

TYPED_TEST_P(FormContract, MinimizeAndTheCloseBoxReachTheProgramWhichDecidesWhetherTheFormGoes) {
    FormWindow& form = *this->form;
    form.SetVisible(true);
    this->backend.Click(form, ControlId::Command3);
    this->backend.PressCloseBox(form);
    EXPECT_EQ(this->events.log, (std::vector<std::string>{"click:Command3", "close"}));
    EXPECT_TRUE(form.Visible());
    EXPECT_EQ(form.hWnd(), this->hWnd);
}

TYPED_TEST_P(FormContract, TimersTickWhileTheFormIsHiddenAndStopWhenItIsUnloaded) {
    auto withInterval = [](int intervalMs) {
        FormLayout layout = Form1Layout();
        for (ControlLayout& control : layout.controls)
            if (control.kind == ControlKind::Timer) control.intervalMs = intervalMs;
        return layout;
    };
    const FormLayout fast = withInterval(20), slow = withInterval(5000);
    RecordingEvents fastEvents, guardEvents;
    auto fastForm = this->backend.forms.CreateForm(fast, fastEvents);
    auto guard = this->backend.forms.CreateForm(slow, guardEvents);  // ends Run should the ticks not come
    fastEvents.onTick = [&] {
        if (fastEvents.Count("tick") == 3) {
            fastForm->Unload();
            guard->Unload();
        }
    };
    guardEvents.onTick = [&] {
        if (fastEvents.Count("tick") < 3) fastForm->Unload();
        guard->Unload();
    };
    this->form->Unload();
    EXPECT_EQ(this->backend.forms.Run(), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    this->backend.Settle();
    EXPECT_EQ(fastEvents.log, std::vector<std::string>(3, "tick"));
}

TYPED_TEST_P(FormContract, FirstShowPlacesTheFormFocusesMinimizeAndTabFollowsTheLayoutRound) {
    FormWindow& form = *this->form;
    auto& backend = this->backend;
    const FormLayout& layout = Form1Layout();
    form.SetVisible(true);
    ASSERT_TRUE(form.Visible());
    EXPECT_EQ(backend.ClientArea(form),
              (Placement{"", backend.Pixels(layout.screenLeft), backend.Pixels(layout.screenTop),
                         backend.Pixels(layout.clientWidth), backend.Pixels(layout.clientHeight)}));
    std::vector<std::optional<ControlId>> order{backend.Focused(form)};
    for (int step = 0; step < 4; ++step) {
        backend.PressTab(form);
        order.push_back(backend.Focused(form));
    }
    using enum ControlId;
    EXPECT_EQ(order, (std::vector<std::optional<ControlId>>{Command3, Check1, Picture1, Text1, Command3}));

    // Later shows keep whatever the user focused.
    backend.PressTab(form);
    form.SetVisible(false);
    form.SetVisible(true);
    EXPECT_EQ(backend.Focused(form), Check1);
}

TYPED_TEST_P(FormContract, TheMenuShowsTheLayoutsItemsAndEscapeChoosesNothing) {
    const ShownMenu menu = this->Popup(kEscape);
    ASSERT_TRUE(menu.opened);
    EXPECT_EQ(menu.items, (std::vector<WString>{u"&Do Stuff...", u"-", u"&Close"}));
    EXPECT_TRUE(this->events.log.empty());
}

TYPED_TEST_P(FormContract, AnAccessKeyChoosesAnItemWhoseClickArrivesBeforePopupMenuReturns) {
    for (const auto& [key, expected] :
         {std::pair{'d', "menu:mnuTrayDoStuff"}, std::pair{'c', "menu:mnuTrayClose"}}) {
        this->events.log.clear();
        this->Popup(key);
        this->events.log.push_back("returned");
        EXPECT_EQ(this->events.log, (std::vector<std::string>{expected, "returned"}));
    }
}

TYPED_TEST_P(FormContract, CloseChosenFromTheMenuMayUnloadAndDropTheFormInsideThePopup) {
    this->events.onMenuClick = [this](MenuId) {
        this->form->Unload();
        this->form.reset();
    };
    this->Popup('c');
    EXPECT_EQ(this->form, nullptr);
    EXPECT_EQ(this->backend.windows.PostMessageA(this->hWnd, kProbe, 0, 0), 0);
    EXPECT_EQ(this->backend.forms.Run(), 0);  // no form is left, so the loop ends at once
}

REGISTER_TYPED_TEST_SUITE_P(FormContract, TheFormIsBuiltHiddenWithEveryControlWhereTheLayoutPutsIt,
                            ValuesStartFromTheLayoutAndFollowTheUser,
                            MinimizeAndTheCloseBoxReachTheProgramWhichDecidesWhetherTheFormGoes,
                            TimersTickWhileTheFormIsHiddenAndStopWhenItIsUnloaded,
                            FirstShowPlacesTheFormFocusesMinimizeAndTabFollowsTheLayoutRound,
                            TheMenuShowsTheLayoutsItemsAndEscapeChoosesNothing,
                            AnAccessKeyChoosesAnItemWhoseClickArrivesBeforePopupMenuReturns,
                            CloseChosenFromTheMenuMayUnloadAndDropTheFormInsideThePopup);

}  // namespace vedodud::contract
