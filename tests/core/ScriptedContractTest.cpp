// The stand-in the core's tests run on keeps the backends' contracts where it models them: window
// procedures, the notification area and the message box (it has no focus and shows no menu).
#include "contract/BoundaryContracts.h"
#include "scripted/ScriptedPlatform.h"

namespace vedodud::scripted {
namespace {

struct ScriptedBackend : ScriptedPlatform {
    void Settle() { windows.DeliverPosted(); }
    std::vector<WString> ShownTips() {
        std::vector<WString> tips;
        for (const auto& [key, icon] : shell.Icons())
            tips.push_back(icon.tip ? codePage.FromAnsi(*icon.tip) : u"");
        std::sort(tips.begin(), tips.end());
        return tips;
    }
    void RightClickIcon() {
        ASSERT_EQ(shell.Icons().size(), 1u);
        const auto [hWnd, uID] = shell.Icons().begin()->first;
        shell.RightClick(hWnd, uID);
    }
    void AnswerNextMessageBox(contract::ShownBox& seen) {
        forms.whileMessageBoxOpen = [&seen](const MessageBoxRecord& box) {
            seen = {true, WString(box.title.begin(), box.title.end()), box.prompt, {}};
            if (box.buttons == 0) seen.buttons.push_back(u"OK");  // vbOKOnly: the one button
        };
    }
};

}  // namespace
}  // namespace vedodud::scripted

namespace vedodud::contract {
INSTANTIATE_BOUNDARY_CONTRACTS(Scripted, scripted::ScriptedBackend);
}  // namespace vedodud::contract
