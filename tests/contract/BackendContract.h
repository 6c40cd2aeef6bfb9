// What every implementation of the platform boundary must do alike, written once. A backend's
// suite runs the contracts it can with an adapter type `Backend` that offers:
//
//   forms, windows, shell, codePage         the boundary's parts, as members
//   void Settle()                           delivers what is waiting: posted messages, queued events
//   std::vector<WString> ShownTips()        tooltips of the icons in the notification area, sorted;
//                                           u"" for an icon without one
//   void RightClickIcon()                   a right click on the one icon shown
//   void AnswerNextMessageBox(ShownBox&)    once the next message box is open: what it shows, then OK
// and, for the form contract:
//   int Pixels(int twips)                           at the screen's resolution
//   Placement Placed(FormWindow&, ControlId)        in its container's client area
//   Placement ClientArea(FormWindow&)               the form's, on the screen
//   WString Caption(FormWindow&, optional<ControlId>)   the form's without a control
//   void Type(FormWindow&, ControlId, WString), Click(FormWindow&, ControlId), PressCloseBox(FormWindow&)
//   std::optional<ControlId> Focused(FormWindow&)   the control that has the form's focus
//   void PressTab(FormWindow&)
//   void AnswerNextMenu(ShownMenu&, char key)       once the next popup menu is open: its items,
//                                                   then the key (kEscape closes it)
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/Identity.h"
#include "platform/FormsToolkit.h"
#include "platform/RuntimeError.h"
#include "platform/Shell.h"
#include "platform/WindowManager.h"
#include "support/IconRecord.h"
#include "support/RecordingEvents.h"
#include "ui/Form1Layout.h"

namespace vedodud {

// Controls by name in test failures.
inline void PrintTo(ControlId id, std::ostream* out) {
    *out << Form1Layout().Control(id).name;
}

}  // namespace vedodud

namespace vedodud::contract {

// The layout's control of that name; none for the form or any other widget.
inline std::optional<ControlId> ControlNamed(std::string_view name) {
    for (const ControlLayout& control : Form1Layout().controls)
        if (control.name == name) return control.id;
    return std::nullopt;
}

inline constexpr char kEscape = '\x1b';
inline constexpr Long kCallback = 2025;
inline constexpr Long kProbe = 0x8123;  // a message of the program's own, as posted to its window

struct ShownBox {
    bool opened = false;
    WString title, prompt;
    std::vector<WString> buttons;  // captions without access-key marks
};

struct ShownMenu {
    bool opened = false;
    std::vector<WString> items;  // captions as laid out, u"-" for a separator
};

// Pixels; `container` is the name of the control or form whose client area holds it.
struct Placement {
    std::string container;
    int left, top, width, height;
    bool operator==(const Placement&) const = default;
    friend void PrintTo(const Placement& p, std::ostream* out) {
        *out << p.container << " " << p.left << "," << p.top << " " << p.width << "x" << p.height;
    }
};

struct Message {
    Long hWnd, msg, wParam, lParam;
    bool operator==(const Message&) const = default;
};

inline std::vector<Message> Only(Long msg, const std::vector<Message>& log) {
    std::vector<Message> kept;
    std::copy_if(log.begin(), log.end(), std::back_inserter(kept),
                 [msg](const Message& m) { return m.msg == msg; });
    return kept;
}

struct Hooked {
    Long self, previous;
};
// Puts a procedure in front of the window's chain that logs every message and passes it on.
inline Hooked Hook(WindowManager& windows, Long hWnd, std::vector<Message>& log) {
    auto previous = std::make_shared<Long>(0);
    const Long self = windows.AddressOf([&windows, &log, previous](Long h, Long m, Long w, Long l) {
        log.push_back({h, m, w, l});
        return windows.CallWindowProcA(*previous, h, m, w, l);
    });
    *previous = windows.SetWindowLongA(hWnd, GWL_WNDPROC, self);
    return {self, *previous};
}

template <class Backend>
class BackendContract : public ::testing::Test {
protected:
    void SetUp() override {
        backend.forms.Start(kIdentity);
        form = backend.forms.CreateForm(Form1Layout(), events);
        hWnd = form->hWnd();
        icon = form->IconHandle();
    }
    void TearDown() override {
        // A real shell keeps an icon whose window has gone.
        for (const auto& [window, id] : added) Notify(NIM_DELETE, window, id, 0);
        form.reset();
        backend.Settle();
    }

    Hooked Hook(std::vector<Message>& log) { return contract::Hook(backend.windows, hWnd, log); }

    Long Notify(Long operation, Long window, Long id, Long flags, std::string_view tip = {},
                Long size = kNotifyIconDataASize) {
        NotifyIconDataA record = MakeRecord({size, window, id, flags, kCallback, icon}, tip);
        const Long result = backend.shell.Shell_NotifyIconA(operation, record);
        if (operation == NIM_ADD && result) added.emplace_back(window, id);
        return result;
    }

    // A handle that was a window of this toolkit and is no more.
    Long GoneWindow() {
        RecordingEvents otherEvents;
        auto other = backend.forms.CreateForm(Form1Layout(), otherEvents);
        const Long gone = other->hWnd();
        other->Unload();
        return gone;
    }

    Backend backend;
    RecordingEvents events;
    std::unique_ptr<FormWindow> form;
    Long hWnd = 0, icon = 0;
    std::vector<std::pair<Long, Long>> added;  // icons to take away after the test
};

}  // namespace vedodud::contract
