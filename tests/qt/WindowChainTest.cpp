// Window handles and procedure chains: hooking, passing on, posting, and destruction order.
#include "BackendFixture.h"

namespace vedodud::qt {
namespace {

struct Message {
    Long hWnd, msg, wParam, lParam;
    bool operator==(const Message&) const = default;
};

class WindowChainTest : public BackendTest {
protected:
    // Installs a procedure in front of the window's current one that logs and passes on.
    Long Hook(Long hWnd, std::vector<Message>& log, std::function<void(const Message&)> also = {}) {
        auto previous = std::make_shared<Long>(0);
        const Long self = windows.AddressOf([this, &log, previous, also](Long h, Long m, Long w, Long l) {
            log.push_back({h, m, w, l});
            if (also) also({h, m, w, l});
            return windows.CallWindowProcA(*previous, h, m, w, l);
        });
        *previous = windows.SetWindowLongA(hWnd, GWL_WNDPROC, self);
        return self;
    }
};

TEST_F(WindowChainTest, MessagesGoThroughTheCurrentProcedureAndPostingIsQueued) {
    QtFormWindow& form = Create();
    const Long hWnd = form.hWnd();
    std::vector<Message> outer, inner;
    Hook(hWnd, inner);
    Hook(hWnd, outer);

    EXPECT_EQ(windows.PostMessageA(hWnd, WM_NULL, 7, 9), 1);
    EXPECT_TRUE(outer.empty());  // not yet: posted, not sent
    Settle();
    EXPECT_EQ(outer, (std::vector<Message>{{hWnd, WM_NULL, 7, 9}}));
    EXPECT_EQ(inner, outer);  // passed on unchanged
}

TEST_F(WindowChainTest, WrongValuesLeaveTheChainAlone) {
    QtFormWindow& form = Create();
    const Long hWnd = form.hWnd();
    std::vector<Message> log;
    const Long hook = Hook(hWnd, log);
    EXPECT_EQ(windows.SetWindowLongA(hWnd, GWL_WNDPROC, 0x1234), 0);    // not a procedure
    EXPECT_EQ(windows.SetWindowLongA(hWnd, -16, hook), 0);              // not the procedure slot
    EXPECT_EQ(windows.SetWindowLongA(hWnd + 1, GWL_WNDPROC, hook), 0);  // not a window
    EXPECT_EQ(windows.CallWindowProcA(0x1234, hWnd, WM_NULL, 0, 0), 0);
    EXPECT_EQ(windows.PostMessageA(hWnd + 1, WM_NULL, 0, 0), 0);
    windows.PostMessageA(hWnd, WM_NULL, 1, 2);
    Settle();
    EXPECT_EQ(log.size(), 1u);  // the hook is still in front
}

TEST_F(WindowChainTest, SetForegroundWindowKeepsAHiddenWindowHidden) {
    QtFormWindow& form = Create();
    EXPECT_EQ(windows.SetForegroundWindow(form.hWnd()), 1);
    EXPECT_FALSE(Form().isVisible());
    EXPECT_EQ(windows.SetForegroundWindow(form.hWnd() + 1), 0);
}

TEST_F(WindowChainTest, UnloadDeliversNcDestroyLastWhileTheHandleStillWorks) {
    QtFormWindow& form = Create();
    const Long hWnd = form.hWnd();
    std::vector<Message> inner, outer;
    Hook(hWnd, inner);
    Long outerPrevious = 0;
    Long handleDuringNcDestroy = 0, restoreResult = 0;
    const Long outerSelf = windows.AddressOf([&](Long h, Long m, Long w, Long l) {
        outer.push_back({h, m, w, l});
        if (m == WM_NCDESTROY) {
            // What the tray hook does on its way out: read the handle, restore, pass on.
            handleDuringNcDestroy = form.hWnd();
            restoreResult = windows.SetWindowLongA(form.hWnd(), GWL_WNDPROC, outerPrevious);
        }
        return windows.CallWindowProcA(outerPrevious, h, m, w, l);
    });
    outerPrevious = windows.SetWindowLongA(hWnd, GWL_WNDPROC, outerSelf);
    QPointer<QWidget> widget = window->Widget();

    form.Unload();
    ASSERT_FALSE(outer.empty());
    EXPECT_EQ(outer.back().msg, WM_NCDESTROY);
    ASSERT_FALSE(inner.empty());
    EXPECT_EQ(inner.back().msg, WM_NCDESTROY);  // the window's own chain still got it last
    EXPECT_EQ(handleDuringNcDestroy, hWnd);
    EXPECT_EQ(restoreResult, outerSelf);

    EXPECT_THROW(form.hWnd(), RuntimeError);
    EXPECT_EQ(windows.SetWindowLongA(hWnd, GWL_WNDPROC, outerSelf), 0);
    EXPECT_EQ(windows.PostMessageA(hWnd, WM_NULL, 0, 0), 0);
    EXPECT_EQ(forms.LoadedForms(), 0);
    Settle();
    EXPECT_TRUE(widget.isNull());
    form.Unload();  // a second unload finds nothing to do
    EXPECT_EQ(
        std::count_if(inner.begin(), inner.end(), [](const Message& m) { return m.msg == WM_NCDESTROY; }), 1);
}

TEST_F(WindowChainTest, RunEndsWithZeroWhenTheLastFormGoesAndNonZeroAfterAFatalError) {
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

TEST_F(WindowChainTest, AnErrorFromAProcedureCalledByQtIsReportedNotThrown) {
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
