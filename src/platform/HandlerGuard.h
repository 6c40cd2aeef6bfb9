// An error that leaves an event handler is reported and ends the program; it never unwinds
// into the toolkit's own dispatch code.
#pragma once

#include <exception>
#include <string>
#include <utility>

#include "platform/FormsToolkit.h"

namespace vedodud {

// The one place where an error leaving program code is caught: its text goes to `report`, and
// `fallback` is the answer.
template <class Result, class Reporter, class Handler>
Result RunReporting(Reporter&& report, Result fallback, Handler&& handler) noexcept {
    try {
        return std::forward<Handler>(handler)();
    } catch (const std::exception& error) {
        report(std::string(error.what()));
    } catch (...) {
        report(std::string("Unexpected error"));
    }
    return fallback;
}

template <class Result, class Handler>
Result RunGuarded(FormsToolkit& forms, Result fallback, Handler&& handler) noexcept {
    return RunReporting([&forms](const std::string& message) { forms.ReportFatalError(message); }, fallback,
                        std::forward<Handler>(handler));
}

template <class Handler>
void RunGuarded(FormsToolkit& forms, Handler&& handler) noexcept {
    RunGuarded(forms, 0, [&] {
        std::forward<Handler>(handler)();
        return 0;
    });
}

}  // namespace vedodud
