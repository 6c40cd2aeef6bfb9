#include "platform/win32/Win32Internet.h"

namespace vedodud::win32 {

Win32Internet::Win32Internet(std::chrono::milliseconds budget, WorkerWait wait)
    : budget_(budget), wait_(std::move(wait)) {}

Long Win32Internet::InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long dwReserved) {
    // WinINet would read only up to the NUL and probe some other host.
    if (lpszUrl.find('\0') != std::string::npos) return 0;
    const auto deadline = WorkerClock::now() + budget_;
    // Bound here, so a missing entry point is still reported to the caller; the worker gets the
    // address and its own copy of the URL.
    const auto check = check_.Resolve();
    const auto answer = checks_.Start([check, url = lpszUrl, flags = static_cast<DWORD>(dwFlags),
                                       reserved = static_cast<DWORD>(dwReserved)] {
        return static_cast<Long>(check(url.c_str(), flags, reserved));
    });
    if (!answer || !wait_(*answer, deadline)) return 0;
    // An exception from the check reaches the caller if it comes in time.
    return answer->Take();
}

}  // namespace vedodud::win32
