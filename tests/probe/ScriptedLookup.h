// A stand-in resolver for the probe's tests, so that no case ever needs DNS.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/tcpprobe/HostLookup.h"

namespace vedodud::test {

// A stand-in resolver: records what it is asked and answers with a loopback listener's address.
// A held one hangs until released (or 20 s pass), like a resolver that never answers.
class ScriptedLookup {
public:
    explicit ScriptedLookup(bool held = false) { state_->held = held; }
    ~ScriptedLookup() { Release(); }

    NameLookup AnsweringWith(std::uint16_t listenerPort) const {
        return [state = state_, listenerPort](const std::string& host, std::uint16_t port) {
            std::unique_lock lock(state->mutex);
            ++state->calls;
            state->host = host;
            state->port = port;
            state->released.wait_for(lock, std::chrono::seconds(20), [&] { return !state->held; });
            return *NumericHostAddress("127.0.0.1", listenerPort);
        };
    }
    void Release() {
        {
            std::lock_guard lock(state_->mutex);
            state_->held = false;
        }
        state_->released.notify_all();
    }
    int calls() const {
        std::lock_guard lock(state_->mutex);
        return state_->calls;
    }
    std::pair<std::string, std::uint16_t> lastAsked() const {
        std::lock_guard lock(state_->mutex);
        return {state_->host, state_->port};
    }

private:
    struct State {
        std::mutex mutex;
        std::condition_variable released;
        bool held = false;
        int calls = 0;
        std::string host;
        std::uint16_t port = 0;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

}  // namespace vedodud::test
