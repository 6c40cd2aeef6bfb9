// What a screen reader hears of a control where Windows' own accessible object for it says too
// little: its name, role, value or checked state. Everything else stays Windows' own.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

struct AccessibleFacts {
    std::optional<std::wstring> name, value;
    std::optional<long> role;
    bool checkable = false;  // checked or not as the button says (BM_GETCHECK)

    bool Any() const { return name || value || role || checkable; }
};

// The answer to WM_GETOBJECT for `control`: for its client object, Windows' standard object for
// the window with `facts` said in place of what it would say; 0 for any other object, or when
// the object cannot be made, which leaves the question to the window's own procedure.
LRESULT AnswerAccessibleObject(HWND control, WPARAM wParam, LPARAM lParam,
                               const std::shared_ptr<const AccessibleFacts>& facts) noexcept;

}  // namespace vedodud::win32
