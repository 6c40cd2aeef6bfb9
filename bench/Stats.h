// Min / median / max of repeated measurements, printed in milliseconds.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

namespace vedodud::bench {

using Clock = std::chrono::steady_clock;

struct Stats {
    std::vector<double> ms;

    void Add(Clock::duration d) { ms.push_back(std::chrono::duration<double, std::milli>(d).count()); }
    double Min() const { return *std::min_element(ms.begin(), ms.end()); }
    double Max() const { return *std::max_element(ms.begin(), ms.end()); }
    double Median() const {
        std::vector<double> sorted = ms;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        return n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    }
    std::string Row() const {
        char text[96];
        std::snprintf(text, sizeof text, "%.3f / %.3f / %.3f", Min(), Median(), Max());
        return text;
    }
};

}  // namespace vedodud::bench
