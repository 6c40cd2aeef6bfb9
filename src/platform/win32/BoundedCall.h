// A blocking call that its caller waits for only so long.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

#include "platform/Types.h"

namespace vedodud::win32 {

// Runs each call on a thread of its own and waits for its answer at most the budget. A call given
// up on finishes in the background, owning everything it uses; while maxPending such calls still
// run no new one starts, so a call that never returns cannot pile up threads.
class BoundedCall {
public:
    BoundedCall(std::chrono::milliseconds budget, int maxPending);

    // The call's answer; `late` when the budget runs out first, too many calls still run, or no
    // thread can be started. An exception from the call reaches the caller if it comes in time.
    Long Run(std::function<Long()> call, Long late);

    // Calls started and not yet finished, including those given up on.
    int Pending() const { return pending_->load(); }

private:
    std::chrono::milliseconds budget_;
    int maxPending_;
    std::shared_ptr<std::atomic<int>> pending_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace vedodud::win32
