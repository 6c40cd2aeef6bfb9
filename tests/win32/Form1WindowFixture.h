// Form1 built by the Win32 toolkit from its layout, for the tests that look at its window.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "app/Identity.h"
#include "platform/win32/Handles.h"
#include "platform/win32/Win32FormWindow.h"
#include "platform/win32/Win32FormsToolkit.h"
#include "support/RecordingEvents.h"
#include "ui/Form1Layout.h"

namespace vedodud::win32 {

class Form1Window : public testing::Test {
protected:
    void SetUp() override {
        forms_.Start(kIdentity);
        form_ = forms_.CreateForm(Form1Layout(), events_);
        hwnd_ = ToHwnd(form_->hWnd());
        window_ = static_cast<Win32FormWindow*>(form_.get());
        HDC screen = GetDC(nullptr);
        dpi_ = GetDeviceCaps(screen, LOGPIXELSX);
        ReleaseDC(nullptr, screen);
    }
    int Pixels(int twips) const { return MulDiv(twips, dpi_, 1440); }
    HWND Control(ControlId id) const { return window_->ControlHandle(id); }

    Win32FormsToolkit forms_;
    RecordingEvents events_;
    std::unique_ptr<FormWindow> form_;
    Win32FormWindow* window_ = nullptr;
    HWND hwnd_ = nullptr;
    int dpi_ = 96;
};

}  // namespace vedodud::win32
