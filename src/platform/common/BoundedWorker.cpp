#include "platform/common/BoundedWorker.h"

namespace vedodud {

bool WorkerSignal::Ready() const {
    std::lock_guard lock(mutex_);
    return done_;
}

bool WorkerSignal::WaitUntil(WorkerClock::time_point deadline) {
    std::unique_lock lock(mutex_);
    return ready_.wait_until(lock, deadline, [&] { return done_; });
}

void WorkerSignal::OnReady(std::function<void()> wake) {
    std::lock_guard lock(mutex_);
    wake_ = std::move(wake);
    if (done_ && wake_) wake_();
}

void WorkerSignal::Signal() {
    std::lock_guard lock(mutex_);
    done_ = true;
    ready_.notify_all();
    // Under the lock, so that a waiter clearing its wake-up knows it is not running.
    if (wake_) wake_();
}

bool BlockUntilAnswered(WorkerSignal& answer, WorkerClock::time_point deadline) {
    return answer.WaitUntil(deadline);
}

}  // namespace vedodud
