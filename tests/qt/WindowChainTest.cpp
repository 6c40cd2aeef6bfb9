// Window handles and procedure chains where the Qt window table differs from user32: values it can
// check, deletion of the widget, and errors from procedures called from Qt's own dispatch.
#include "BackendFixture.h"
#include "contract/BackendContract.h"

namespace vedodud::qt {
namespace {

using contract::Hook;
using contract::Message;
using contract::Only;

// user32 takes such values on trust and fails later; this table can see them for what they are.
TEST_F(BackendTest, ValuesThatAreNoProcedureOrSlotLeaveTheChainAlone) {
    QtFormWindow& form = Create();
    const Long hWnd = form.hWnd();
    std::vector<Message> log;
    const Long hook = Hook(windows, hWnd, log).self;
    EXPECT_EQ(windows.SetWindowLongA(hWnd, GWL_WNDPROC, 0x1234), 0);  // not a procedure
    EXPECT_EQ(windows.SetWindowLongA(hWnd, -16, hook), 0);            // not the procedure slot
    EXPECT_EQ(windows.CallWindowProcA(0x1234, hWnd, WM_NULL, 0, 0), 0);
    windows.PostMessageA(hWnd, WM_NULL, 1, 2);
    Settle();
    EXPECT_EQ(log.size(), 1u);  // the hook is still in front
}

TEST_F(BackendTest, UnloadDeletesTheWidgetLaterAndASecondUnloadFindsNothingToDo) {
    QtFormWindow& form = Create();
    std::vector<Message> log;
    Hook(windows, form.hWnd(), log);
    QPointer<QWidget> widget = &QtFormWindowInspector::Widget(form);
    form.Unload();
    EXPECT_EQ(forms.LoadedForms(), 0);
    Settle();
    EXPECT_TRUE(widget.isNull());
    form.Unload();  // the Win32 backend reports this as an error instead: user32 knows the handle is gone
    EXPECT_EQ(Only(WM_NCDESTROY, log).size(), 1u);
}

TEST_F(BackendTest, RunEndsWithZeroWhenTheLastFormGoesAndNonZeroAfterAFatalError) {
    QtFormWindow& form = Create();
    QTimer::singleShot(0, [&] { form.Unload(); });
    EXPECT_EQ(forms.Run(), 0);
    EXPECT_EQ(forms.Run(), 0);  // nothing left to run

    Create();
    QTimer::singleShot(0, [&] { forms.Deliver([] { throw RuntimeError("Object required"); }); });
    EXPECT_NE(forms.Run(), 0);
    EXPECT_TRUE(forms.Failed());
    // After the report no more events reach the program.
    bool delivered = false;
    forms.Deliver([&] { delivered = true; });
    EXPECT_FALSE(delivered);
}

TEST_F(BackendTest, AnErrorFromAProcedureCalledByQtIsReportedNotThrown) {
    QtFormWindow& form = Create();
    const Long failing =
        windows.AddressOf([](Long, Long, Long, Long) -> Long { throw RuntimeError("boom"); });
    windows.SetWindowLongA(form.hWnd(), GWL_WNDPROC, failing);
    windows.PostMessageA(form.hWnd(), WM_NULL, 0, 0);
    Settle();
    EXPECT_TRUE(forms.Failed());
}

}  // namespace
}  // namespace vedodud::qt
