// An error that leaves an event handler is reported and ends the program; it never unwinds
// into the toolkit's own dispatch code.
#pragma once

#include <exception>
#include <utility>

#include "platform/FormsToolkit.h"

namespace vedodud {

template <class Result, class Handler>
Result RunGuarded(FormsToolkit& forms, Result fallback, Handler&& handler) noexcept {
    try {
        return std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        forms.ReportFatalError(error.what());
    } catch (...) {
        forms.ReportFatalError("Unexpected error");
    }
    return fallback;
}

template <class Handler>
void RunGuarded(FormsToolkit& forms, Handler&& handler) noexcept {
    RunGuarded(forms, 0, [&] {
        std::forward<Handler>(handler)();
        return 0;
    });
}

}  // namespace vedodud
