// The modal message box: the application's title, the prompt, one OK button; it returns once
// dismissed, and shows while the form stays hidden.
#pragma once

#include "contract/BackendContract.h"

namespace vedodud::contract {

template <class Backend>
class MessageBoxContract : public BackendContract<Backend> {};
TYPED_TEST_SUITE_P(MessageBoxContract);

TYPED_TEST_P(MessageBoxContract, CarriesTheApplicationTitleAndOneOkButtonWhileTheFormIsHidden) {
    ShownBox box;
    this->backend.AnswerNextMessageBox(box);
    this->backend.forms.MsgBox(u"You're Website has gone offline!", 0);
    ASSERT_TRUE(box.opened);
    EXPECT_EQ(box.title, u"Dezorav Ovozeri");
    EXPECT_EQ(box.prompt, u"You're Website has gone offline!");
    EXPECT_EQ(box.buttons, std::vector<WString>{u"OK"});
    EXPECT_FALSE(this->form->Visible());
}

REGISTER_TYPED_TEST_SUITE_P(MessageBoxContract, CarriesTheApplicationTitleAndOneOkButtonWhileTheFormIsHidden);

}  // namespace vedodud::contract
