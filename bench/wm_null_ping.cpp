// The longest stall of a Windows program's user-interface thread, seen from another process: a
// message sent to its window is answered only when that thread handles its messages. Sent again
// every few milliseconds; the longest round trip is the longest stall.
// usage: wm_null_ping <window class> <seconds> [interval ms]
// Prints "pings <n> longest_ms <x> median_ms <y>", or "note <text>" when it cannot measure.
#include <windows.h>

#include <cstdio>
#include <cstdlib>

#include "Stats.h"

using vedodud::bench::Clock;
using vedodud::bench::Stats;

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: wm_null_ping <window class> <seconds> [interval ms]\n");
        return 2;
    }
    const auto duration = std::chrono::seconds(std::atoi(argv[2]));
    const DWORD interval = argc > 3 ? static_cast<DWORD>(std::atoi(argv[3])) : 10;
    HWND window = nullptr;
    for (int tries = 0; tries < 100 && window == nullptr; ++tries) {
        window = FindWindowA(argv[1], nullptr);
        if (window == nullptr) Sleep(100);
    }
    if (window == nullptr) {
        std::printf("note no window of class %s\n", argv[1]);
        return 1;
    }
    Stats rounds;
    const auto end = Clock::now() + duration;
    while (Clock::now() < end) {
        const auto start = Clock::now();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result)) {
            std::printf("note the window did not answer within 30 s\n");
            return 1;
        }
        rounds.Add(Clock::now() - start);
        Sleep(interval);
    }
    std::printf("pings %zu longest_ms %.3f median_ms %.3f\n", rounds.ms.size(), rounds.Max(),
                rounds.Median());
    return 0;
}
