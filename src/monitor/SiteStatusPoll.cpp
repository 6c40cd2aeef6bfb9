// The site status poll: on every tick, probe the URL and paint the status light.
#include "monitor/StatusColours.h"
#include "platform/Internet.h"
#include "ui/Form1.h"
#include "ui/Form1Layout.h"

namespace vedodud {
namespace {

// The probe answers, or is given up on, before the next tick is due.
static_assert(std::chrono::milliseconds(kPollPeriodMs) > kProbeBudget);

// Marks a tick as running for as long as it is on the stack.
class TickInProgress {
public:
    explicit TickInProgress(bool& flag) : flag_(flag) { flag_ = true; }
    ~TickInProgress() { flag_ = false; }
    TickInProgress(const TickInProgress&) = delete;
    TickInProgress& operator=(const TickInProgress&) = delete;

private:
    bool& flag_;
};

}  // namespace

bool Form1::CheckInternetConnection(WString strURL) {
    const std::string narrowUrl = platform_.codePage.ToAnsi(strURL);
    return platform_.internet.InternetCheckConnectionA(narrowUrl, FLAG_ICC_FORCE_CONNECTION, 0) != 0;
}

void Form1::Timer1_Timer() {
    // A tick that arrives while the last one still waits (in the probe or the alert box) is
    // dropped: the user would otherwise come back to a stack of identical boxes.
    if (tickRunning_) return;
    const TickInProgress running(tickRunning_);

    const bool reachable = CheckInternetConnection(Text1Text());
    if (!loaded_) return;
    if (reachable) {
        SetShape1FillColor(STATUS_ONLINE_COLOR);
        return;
    }
    if (Shape1FillColor() == STATUS_ONLINE_COLOR && Check1Value() == 1) {
        platform_.forms.MsgBox(kOfflinePrompt, 0);
        // The form may have been closed from the tray while the box was open.
        if (!loaded_) return;
    }
    SetShape1FillColor(STATUS_OFFLINE_COLOR);
}

}  // namespace vedodud
