// What a person meets on the form: where the focus starts and where Tab takes it, and the tray
// menu popped up from the layout, chosen with its access keys.
#pragma once

#include "contract/BackendContract.h"

namespace vedodud::contract {

template <class Backend>
class FocusAndMenuContract : public BackendContract<Backend> {
protected:
    ShownMenu Popup(char key) {
        ShownMenu menu;
        this->backend.AnswerNextMenu(menu, key);
        FormWindow* form = this->form.get();  // the click may let go of the form
        form->PopupMenu(MenuId::mnuTray);
        return menu;
    }
};
TYPED_TEST_SUITE_P(FocusAndMenuContract);

TYPED_TEST_P(FocusAndMenuContract, FirstShowFocusesMinimizeAndTabFollowsTheLayoutRound) {
    FormWindow& form = *this->form;
    auto& backend = this->backend;
    form.SetVisible(true);
    ASSERT_TRUE(form.Visible());
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

TYPED_TEST_P(FocusAndMenuContract, TheMenuShowsTheLayoutsItemsAndEscapeChoosesNothing) {
    const ShownMenu menu = this->Popup(kEscape);
    ASSERT_TRUE(menu.opened);
    EXPECT_EQ(menu.items, (std::vector<WString>{u"&Do Stuff...", u"-", u"&Close"}));
    EXPECT_TRUE(this->events.log.empty());
}

TYPED_TEST_P(FocusAndMenuContract, AnAccessKeyChoosesAnItemWhoseClickArrivesBeforePopupMenuReturns) {
    for (const auto& [key, expected] :
         {std::pair{'d', "menu:mnuTrayDoStuff"}, std::pair{'c', "menu:mnuTrayClose"}}) {
        this->events.log.clear();
        this->Popup(key);
        this->events.log.push_back("returned");
        EXPECT_EQ(this->events.log, (std::vector<std::string>{expected, "returned"}));
    }
}

TYPED_TEST_P(FocusAndMenuContract, CloseChosenFromTheMenuMayUnloadAndDropTheFormInsideThePopup) {
    this->events.onMenuClick = [this](MenuId) {
        this->form->Unload();
        this->form.reset();
    };
    this->Popup('c');
    EXPECT_EQ(this->form, nullptr);
    EXPECT_EQ(this->backend.windows.PostMessageA(this->hWnd, kProbe, 0, 0), 0);
    EXPECT_EQ(this->backend.forms.Run(), 0);  // no form is left, so the loop ends at once
}

REGISTER_TYPED_TEST_SUITE_P(FocusAndMenuContract, FirstShowFocusesMinimizeAndTabFollowsTheLayoutRound,
                            TheMenuShowsTheLayoutsItemsAndEscapeChoosesNothing,
                            AnAccessKeyChoosesAnItemWhoseClickArrivesBeforePopupMenuReturns,
                            CloseChosenFromTheMenuMayUnloadAndDropTheFormInsideThePopup);

}  // namespace vedodud::contract
