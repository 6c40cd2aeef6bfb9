#include "platform/win32/BoundedCall.h"

#include <exception>
#include <future>
#include <thread>
#include <utility>

namespace vedodud::win32 {

BoundedCall::BoundedCall(std::chrono::milliseconds budget, int maxPending)
    : budget_(budget), maxPending_(maxPending) {}

Long BoundedCall::Run(std::function<Long()> call, Long late) {
    if (pending_->fetch_add(1) >= maxPending_) {
        pending_->fetch_sub(1);
        return late;
    }
    // The promise and the call move into the thread: once given up on, it needs nothing of ours.
    std::promise<Long> promise;
    std::future<Long> answer = promise.get_future();
    try {
        std::thread([call = std::move(call), promise = std::move(promise), pending = pending_]() mutable {
            Long result = 0;
            std::exception_ptr error;
            try {
                result = call();
            } catch (...) {
                error = std::current_exception();
            }
            // Counted out before answering, so a caller holding the answer never sees it pending.
            pending->fetch_sub(1);
            if (error) {
                promise.set_exception(error);
            } else {
                promise.set_value(result);
            }
        }).detach();
    } catch (...) {
        // No thread, so no answer either.
        pending_->fetch_sub(1);
        return late;
    }
    if (answer.wait_for(budget_) != std::future_status::ready) return late;
    return answer.get();
}

}  // namespace vedodud::win32
