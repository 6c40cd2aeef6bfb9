// A loaded Form1 on the scripted platform, as start-up leaves it.
#pragma once

#include <gtest/gtest.h>

#include "app/Identity.h"
#include "scripted/ScriptedPlatform.h"
#include "tray/APIStuff.h"
#include "ui/Form1.h"
#include "ui/Form1Layout.h"

namespace vedodud::scripted {

inline constexpr long long kTick = 10000;

class ProgramFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform_.forms.Start(kIdentity);
        form_ = Form1::Create(platform_.platform, tray_);
        form_->Load();
        ASSERT_TRUE(screen()) << "the form should be loaded";
    }

    ScriptedForm* screen() { return platform_.forms.Form(); }
    Long hWnd() { return platform_.forms.AnyForm()->Handle(); }
    const TrayIcon* icon() { return platform_.shell.Icon(hWnd()); }
    void Tick() { platform_.forms.Advance(kTick); }

    ScriptedPlatform platform_;
    APIStuff tray_{platform_.platform};
    std::shared_ptr<Form1> form_;
};

}  // namespace vedodud::scripted
