// While a check waits for WinINet, the user-interface thread keeps dispatching its messages.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

// clang-format off
#include "app/Identity.h"
#include "platform/win32/Handles.h"
#include "platform/win32/MessageWait.h"
#include "platform/win32/Win32FormsToolkit.h"
#include "platform/win32/Win32Internet.h"
#include "ui/Form1Layout.h"
// After the backend, whose boundary headers must come before any Windows header.
#include "LoopbackServer.h"
// clang-format on

namespace vedodud::win32 {
namespace {

using namespace std::chrono_literals;

struct CloseEvents : FormEvents {
    std::function<void()> onClose;
    void TimerTick(ControlId) override {}
    void Click(ControlId) override {}
    void MenuClick(MenuId) override {}
    void CloseRequested() override { onClose(); }
};

class MessageWait : public testing::Test {
protected:
    void SetUp() override {
        forms_.Start(kIdentity);
        form_ = forms_.CreateForm(Form1Layout(), events_);
    }
    // A call that answers only when released, or after a minute.
    std::shared_ptr<WorkerAnswer<bool>> HeldCall() {
        return worker_.Start([released = released_] {
            for (int i = 0; i < 600 && !*released; ++i) std::this_thread::sleep_for(100ms);
            return true;
        });
    }
    void TearDown() override { *released_ = true; }

    Win32FormsToolkit forms_;
    CloseEvents events_;
    std::unique_ptr<FormWindow> form_;
    BoundedWorker worker_{1};
    std::shared_ptr<std::atomic<bool>> released_ = std::make_shared<std::atomic<bool>>(false);
};

TEST_F(MessageWait, APostedMessageIsHandledBeforeTheVerdict) {
    test::FullBacklogServer blackhole;
    Win32Internet internet(2000ms);
    std::vector<std::string> order;
    events_.onClose = [&] { order.push_back("message"); };
    PostMessageW(ToHwnd(form_->hWnd()), WM_CLOSE, 0, 0);

    const Long answer = internet.InternetCheckConnectionA(
        "http://127.0.0.1:" + std::to_string(blackhole.Port()) + "/", FLAG_ICC_FORCE_CONNECTION, 0);
    order.push_back("verdict");

    EXPECT_EQ(answer, 0);
    EXPECT_EQ(order, (std::vector<std::string>{"message", "verdict"}));
}

TEST_F(MessageWait, UnloadingTheLastFormEndsTheWaitWithoutTheAnswer) {
    events_.onClose = [&] { form_->Unload(); };
    const auto answer = HeldCall();
    ASSERT_TRUE(answer);
    PostMessageW(ToHwnd(form_->hWnd()), WM_CLOSE, 0, 0);

    const bool answered = WaitDispatchingMessages(*answer, WorkerClock::now() + 30s,
                                                  [&](MSG& msg) { return forms_.Dispatch(msg); });

    EXPECT_FALSE(answered);
    EXPECT_FALSE(answer->Ready()) << "the wait went on after the program had ended";
    EXPECT_EQ(forms_.Run(), 0);
}

TEST_F(MessageWait, AQuitMessageEndsTheWaitAndStaysForItsOwnLoop) {
    const auto answer = HeldCall();
    ASSERT_TRUE(answer);
    PostQuitMessage(7);

    EXPECT_FALSE(WaitDispatchingMessages(*answer, WorkerClock::now() + 30s));

    MSG msg;
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
}

}  // namespace
}  // namespace vedodud::win32
