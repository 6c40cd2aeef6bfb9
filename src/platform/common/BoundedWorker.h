// Blocking calls run on threads of their own, so that whoever waits for them can stop waiting.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <type_traits>
#include <utility>

namespace vedodud {

using WorkerClock = std::chrono::steady_clock;

// Tells whoever waits that a worker's answer is in. The worker's thread signals it once; the waiting
// thread may block on it, or have itself woken some other way (a toolkit's event loop).
class WorkerSignal {
public:
    bool Ready() const;
    // True once the answer is in; false when the deadline comes first.
    bool WaitUntil(WorkerClock::time_point deadline);
    // `wake` runs on the worker's thread when the answer comes in, or here at once if it already has.
    // Whoever sets one clears it (nullptr) before anything it touches goes away; after that call
    // returns, `wake` is never running and never runs again.
    void OnReady(std::function<void()> wake);

protected:
    void Signal();
    mutable std::mutex mutex_;

private:
    std::condition_variable ready_;
    bool done_ = false;
    std::function<void()> wake_;
};

// The answer of one call: its result, or the exception it threw.
template <class Result>
class WorkerAnswer final : public WorkerSignal {
public:
    // Only once Ready(): the result, or the call's exception rethrown.
    Result Take() {
        std::lock_guard lock(mutex_);
        if (error_) std::rethrow_exception(error_);
        return std::move(*result_);
    }

    void Set(Result result) {
        {
            std::lock_guard lock(mutex_);
            result_.emplace(std::move(result));
        }
        Signal();
    }
    void Fail(std::exception_ptr error) {
        {
            std::lock_guard lock(mutex_);
            error_ = std::move(error);
        }
        Signal();
    }

private:
    std::optional<Result> result_;
    std::exception_ptr error_;
};

// How a waiting thread spends the time until a worker answers or the deadline comes: true if the
// answer is in. The default blocks; a user-interface thread keeps handling its events instead.
using WorkerWait = std::function<bool(WorkerSignal& answer, WorkerClock::time_point deadline)>;

bool BlockUntilAnswered(WorkerSignal& answer, WorkerClock::time_point deadline);

// Starts each call on a thread of its own. A call that nobody waits for any more finishes in the
// background, owning everything it uses; while maxPending calls still run no new one starts, so a
// call that never returns cannot pile up threads.
class BoundedWorker {
public:
    explicit BoundedWorker(int maxPending) : maxPending_(maxPending) {}

    // The call's future answer; nullptr when maxPending calls still run or no thread can start.
    template <class Call>
    auto Start(Call call) -> std::shared_ptr<WorkerAnswer<std::invoke_result_t<Call&>>> {
        using Result = std::invoke_result_t<Call&>;
        if (pending_->fetch_add(1) >= maxPending_) {
            pending_->fetch_sub(1);
            return nullptr;
        }
        try {
            auto answer = std::make_shared<WorkerAnswer<Result>>();
            std::thread([call = std::move(call), answer, pending = pending_]() mutable {
                std::optional<Result> result;
                std::exception_ptr error;
                try {
                    result.emplace(call());
                } catch (...) {
                    error = std::current_exception();
                }
                // Counted out before answering, so a caller holding the answer never sees it pending.
                pending->fetch_sub(1);
                if (error) {
                    answer->Fail(error);
                } else {
                    answer->Set(std::move(*result));
                }
            }).detach();
            return answer;
        } catch (...) {
            // No thread (or no memory for one): no answer either.
            pending_->fetch_sub(1);
            return nullptr;
        }
    }

    // Calls started and not yet finished, including those nobody waits for any more.
    int Pending() const { return pending_->load(); }

private:
    int maxPending_;
    std::shared_ptr<std::atomic<int>> pending_ = std::make_shared<std::atomic<int>>(0);
};

}  // namespace vedodud
