// Form1 loaded on the scripted forms toolkit, with the real Linux probe answering its ticks.
#pragma once

#include <chrono>
#include <memory>

#include "app/Identity.h"
#include "platform/tcpprobe/TcpProbe.h"
#include "scripted/ScriptedForms.h"
#include "scripted/ScriptedServices.h"
#include "scripted/ScriptedShell.h"
#include "tray/APIStuff.h"
#include "ui/Form1.h"
#include "ui/Form1Layout.h"

namespace vedodud::reliability {

inline constexpr long long kTickMs = 10000;

struct RealProbePlatform {
    explicit RealProbePlatform(std::chrono::milliseconds budget, NameLookup lookup)
        : internet(codePage, budget, std::move(lookup)) {}

    scripted::ScriptedWindows windows;
    scripted::ScriptedShell shell{windows};
    scripted::ScriptedForms forms{windows};
    scripted::ScriptedCodePage codePage;
    TcpProbe internet;
    Platform platform{forms, windows, shell, internet, codePage};
};

class PollRig {
public:
    explicit PollRig(std::chrono::milliseconds budget, NameLookup lookup = SystemNameLookup)
        : real_(budget, std::move(lookup)) {
        real_.forms.Start(kIdentity);
        form_ = Form1::Create(real_.platform, tray_);
        form_->Load();
    }

    RealProbePlatform& real() { return real_; }
    scripted::ScriptedForms& forms() { return real_.forms; }
    scripted::ScriptedForm& screen() { return *real_.forms.Form(); }
    bool Loaded() { return real_.forms.Form() != nullptr; }
    Long hWnd() { return real_.forms.AnyForm()->Handle(); }

    // One timer period of virtual time; returns how long the UI thread was busy in it.
    std::chrono::steady_clock::duration Tick() {
        const auto start = std::chrono::steady_clock::now();
        real_.forms.Advance(kTickMs);
        return std::chrono::steady_clock::now() - start;
    }

private:
    RealProbePlatform real_;
    APIStuff tray_{real_.platform};
    std::shared_ptr<Form1> form_;
};

// Waits (bounded) until lookups the probe gave up on have finished in the background.
inline bool ProbesSettle(TcpProbe& probe, std::chrono::seconds limit = std::chrono::seconds(20)) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (probe.PendingProbes() > 0 && std::chrono::steady_clock::now() < until) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return probe.PendingProbes() == 0;
}

}  // namespace vedodud::reliability
