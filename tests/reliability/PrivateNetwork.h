// A network of the tests' own: a fresh network namespace holding only loopback, and a mount
// namespace whose /etc/resolv.conf sends name lookups to a resolver the tests run on 127.0.0.1.
// Nothing sent from inside can leave the machine, so real name lookups are safe to make.
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace vedodud::reliability {

// A name the private hosts file maps to 127.0.0.1 alone.
inline constexpr char kLoopbackName[] = "loopback.reliability.test";
// A name the private hosts file maps to ::1 and 127.0.0.1.
inline constexpr char kTwoAddressName[] = "two-addresses.reliability.test";

// The tests' resolver settings: the system resolver gives up by itself after a few seconds, long
// after the probe's budget in the tests.
inline constexpr char kQuickResolverOptions[] = "options timeout:3 attempts:1\n";

// Moves the calling process into the private network. Call from main() before any thread starts.
// resolverOptions is the options line of the private resolv.conf (empty: the system's defaults).
// Returns an empty string on success, otherwise why it could not be done.
std::string EnterPrivateNetwork(const std::string& resolverOptions = kQuickResolverOptions);

// Whether EnterPrivateNetwork succeeded in this process.
bool InPrivateNetwork();

// Empty inside the private network; otherwise one line: what failed and what would grant it.
std::string NoPrivateNetwork();

// A DNS server on 127.0.0.1:53 that either says no name exists or swallows every query.
class LoopbackResolver {
public:
    enum class Mode { NoSuchName, Swallow };

    LoopbackResolver();
    ~LoopbackResolver();
    LoopbackResolver(const LoopbackResolver&) = delete;
    LoopbackResolver& operator=(const LoopbackResolver&) = delete;

    bool valid() const { return socket_ >= 0; }
    void SetMode(Mode mode) { mode_ = mode; }
    int Queries() const { return queries_.load(); }

private:
    void Serve();

    int socket_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::atomic<Mode> mode_{Mode::NoSuchName};
    std::atomic<int> queries_{0};
    std::thread server_;
};

}  // namespace vedodud::reliability
