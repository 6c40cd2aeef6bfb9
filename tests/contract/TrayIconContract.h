// Icon records to notification-area icons: each flag does exactly its part, icons are keyed by
// window and id, and records the shell cannot honour are refused.
#pragma once

#include <string>

#include "contract/BackendContract.h"

namespace vedodud::contract {

inline constexpr std::string_view kTip = "Shoutcast/Dezorav Ovozeri";
inline const WString kWideTip = u"Shoutcast/Dezorav Ovozeri";

template <class Backend>
class TrayIconContract : public BackendContract<Backend> {
protected:
    // The callbacks a right click on the one icon shown brings to the form: (uID, mouse message).
    std::vector<std::pair<Long, Long>> RightClick() {
        std::vector<Message> log;
        const auto hook = this->Hook(log);
        this->backend.RightClickIcon();
        this->backend.Settle();
        this->backend.windows.SetWindowLongA(this->hWnd, GWL_WNDPROC, hook.previous);
        std::vector<std::pair<Long, Long>> callbacks;
        for (const Message& m : Only(kCallback, log)) callbacks.emplace_back(m.wParam, m.lParam);
        return callbacks;
    }
    std::vector<WString> Tips() { return this->backend.ShownTips(); }
};
TYPED_TEST_SUITE_P(TrayIconContract);

TYPED_TEST_P(TrayIconContract, AnAddShowsTheTipOnlyWhenFlaggedAndCallsBackOnlyWhenAsked) {
    for (Long flags = 0; flags < 8; ++flags) {
        SCOPED_TRACE("uFlags " + std::to_string(flags));
        ASSERT_EQ(this->Notify(NIM_ADD, this->hWnd, 3, flags, kTip), 1);
        EXPECT_EQ(this->Tips(), std::vector<WString>{flags & NIF_TIP ? kWideTip : u""});
        using Callbacks = std::vector<std::pair<Long, Long>>;
        const Callbacks rightClick{{3, WM_RBUTTONDOWN}, {3, WM_RBUTTONUP}};
        EXPECT_EQ(this->RightClick(), flags & NIF_MESSAGE ? rightClick : Callbacks{});
        EXPECT_EQ(this->Notify(NIM_DELETE, this->hWnd, 3, 0), 1);
        EXPECT_TRUE(this->Tips().empty());
    }
}

TYPED_TEST_P(TrayIconContract, AModifyChangesOnlyTheFlaggedFields) {
    ASSERT_EQ(this->Notify(NIM_ADD, this->hWnd, 0, NIF_MESSAGE | NIF_ICON, kTip), 1);
    EXPECT_EQ(this->Tips(), std::vector<WString>{u""});

    // What the tray module leaves in the record: the text, its NUL, then spaces.
    std::string padded(kTip);
    padded += '\0';
    padded.resize(kRecordTipBytes, ' ');
    EXPECT_EQ(this->Notify(NIM_MODIFY, this->hWnd, 0, NIF_TIP, padded), 1);
    EXPECT_EQ(this->Tips(), std::vector<WString>{kWideTip});
    EXPECT_EQ(this->Notify(NIM_MODIFY, this->hWnd, 0, 0, "ignored"), 1);
    EXPECT_EQ(this->Tips(), std::vector<WString>{kWideTip});

    // The tip is read in the code page the program writes it in.
    const WString accented = u"Caf\u00e9";
    EXPECT_EQ(this->Notify(NIM_MODIFY, this->hWnd, 0, NIF_TIP, this->backend.codePage.ToAnsi(accented)), 1);
    EXPECT_EQ(this->Tips(), std::vector<WString>{accented});
    EXPECT_EQ(this->RightClick().size(), 2u);  // the callback survived the modifications
}

TYPED_TEST_P(TrayIconContract, IconsAreKeyedByWindowAndIdAndWrongRecordsAreRefused) {
    const Long hWnd = this->hWnd, gone = this->GoneWindow();
    const Long shown = NIF_ICON | NIF_TIP;
    struct Call {
        const char* what;
        Long operation, window, id;
        std::string_view tip;
        Long size, result;
        std::vector<WString> tips;  // shown afterwards
    };
    for (const Call& c : {
             Call{"add", NIM_ADD, hWnd, 0, "zero", 88, 1, {u"zero"}},
             Call{"add the same again", NIM_ADD, hWnd, 0, "again", 88, 0, {u"zero"}},
             Call{"add another id", NIM_ADD, hWnd, 1, "one", 88, 1, {u"one", u"zero"}},
             Call{"add for a gone window", NIM_ADD, gone, 0, "gone", 88, 0, {u"one", u"zero"}},
             Call{"add with a wrong size", NIM_ADD, hWnd, 2, "short", 87, 0, {u"one", u"zero"}},
             Call{"modify an id never added", NIM_MODIFY, hWnd, 5, "five", 88, 0, {u"one", u"zero"}},
             Call{"no such operation", 7, hWnd, 0, "seven", 88, 0, {u"one", u"zero"}},
             Call{"delete one id", NIM_DELETE, hWnd, 1, "", 88, 1, {u"zero"}},
             Call{"delete it again", NIM_DELETE, hWnd, 1, "", 88, 0, {u"zero"}},
         }) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(this->Notify(c.operation, c.window, c.id, shown, c.tip, c.size), c.result);
        EXPECT_EQ(this->Tips(), c.tips);
    }
}

REGISTER_TYPED_TEST_SUITE_P(TrayIconContract, AnAddShowsTheTipOnlyWhenFlaggedAndCallsBackOnlyWhenAsked,
                            AModifyChangesOnlyTheFlaggedFields,
                            IconsAreKeyedByWindowAndIdAndWrongRecordsAreRefused);

}  // namespace vedodud::contract
