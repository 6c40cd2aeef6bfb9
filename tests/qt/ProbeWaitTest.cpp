// The desktop program's probe waits in a local event loop: events are handled meanwhile, and
// "&Close" during the wait ends the program at once with status 0 and no icon left.
#include <netinet/in.h>

#include <QTimer>
#include <chrono>

#include "BackendFixture.h"
#include "platform/qt/EventLoopWait.h"
#include "platform/tcpprobe/TcpProbe.h"
#include "probe/LoopbackServer.h"
#include "probe/ScriptedLookup.h"
#include "tray/APIStuff.h"
#include "ui/Form1.h"

namespace vedodud::qt {
namespace {

using test::ScriptedLookup;

class ProbeWaitTest : public BackendTest {
protected:
    test::LoopbackPort listener{AF_INET, true};
    // Answers only once released: the probe's verdict cannot come before that.
    ScriptedLookup lookup{/*held=*/true};
    TcpProbe probe{codePage, kProbeBudget, lookup.AnsweringWith(listener.port()), WaitHandlingEvents};
    std::string url = "http://slow.test:" + std::to_string(listener.port()) + "/";
};

TEST_F(ProbeWaitTest, APostedEventIsHandledBeforeTheVerdict) {
    ASSERT_TRUE(listener.valid());
    std::vector<std::string> order;
    QTimer::singleShot(0, [&] {
        order.push_back("event");
        lookup.Release();
    });

    const Long answer = probe.InternetCheckConnectionA(url, FLAG_ICC_FORCE_CONNECTION, 0);
    order.push_back("verdict");

    EXPECT_EQ(answer, 1) << "the lookup answers only after the event, so the event ran during the wait";
    EXPECT_EQ(order, (std::vector<std::string>{"event", "verdict"}));
}

TEST_F(ProbeWaitTest, CloseDuringTheWaitEndsTheProgramAtOnce) {
    ASSERT_TRUE(listener.valid());
    Platform platform{forms, windows, shell, probe, codePage};
    APIStuff tray{platform};
    const auto form = Form1::Create(platform, tray);
    form->Load();
    ASSERT_EQ(QtShellInspector::IconCount(shell), 1u);
    // The tick, then "&Close" from the tray while its probe waits for the held lookup.
    bool closed = false;
    QTimer::singleShot(0, [&] { static_cast<FormEvents&>(*form).TimerTick(ControlId::Timer1); });
    QTimer::singleShot(50, [&] {
        closed = true;
        static_cast<FormEvents&>(*form).MenuClick(MenuId::mnuTrayClose);
    });

    const auto start = std::chrono::steady_clock::now();
    const int status = forms.Run();
    const auto took = std::chrono::steady_clock::now() - start;

    EXPECT_TRUE(closed);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(forms.Failed());
    EXPECT_FALSE(form->IsLoaded());
    EXPECT_EQ(QtShellInspector::IconCount(shell), 0u);
    EXPECT_EQ(lookup.calls(), 1) << "the tick was waiting for its probe";
    EXPECT_LT(took, kProbeBudget) << "the program waited for the probe's verdict";
}

}  // namespace
}  // namespace vedodud::qt
