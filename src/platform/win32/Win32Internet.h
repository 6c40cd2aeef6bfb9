// WinINet's reachability probe, bound by name, with a bound on how long the UI thread waits for it.
#pragma once

#include <chrono>

#include "platform/Internet.h"
#include "platform/common/BoundedWorker.h"
#include "platform/win32/BoundFunction.h"
#include "platform/win32/MessageWait.h"
#include "platform/win32/WindowsApi.h"

namespace vedodud::win32 {

// Checks given up on that may still be running before further checks answer 0 outright.
inline constexpr int kMaxPendingChecks = 2;

class Win32Internet : public Internet {
public:
    // The check runs on a worker thread; `wait` is how the calling thread spends the time until it
    // answers: dispatching its messages, so that its windows stay alive. WinINet may wait minutes
    // for a host that drops connection attempts, or for a name server that never answers: the
    // calling thread waits `budget` at most.
    explicit Win32Internet(
        std::chrono::milliseconds budget = kProbeBudget,
        WorkerWait wait = [](WorkerSignal& answer, WorkerClock::time_point deadline) {
            return WaitDispatchingMessages(answer, deadline);
        });

    // WinINet's answer, or 0 when it does not come within the budget or too many checks still run.
    Long InternetCheckConnectionA(const std::string& lpszUrl, Long dwFlags, Long dwReserved) override;

    // Checks started and not yet finished, including those given up on.
    int PendingChecks() const { return checks_.Pending(); }

private:
    std::chrono::milliseconds budget_;
    WorkerWait wait_;
    BoundFunction<BOOL WINAPI(LPCSTR, DWORD, DWORD)> check_{"wininet.dll", "InternetCheckConnectionA"};
    BoundedWorker checks_{kMaxPendingChecks};
};

}  // namespace vedodud::win32
