#pragma once
// The best of several timed runs: on a shared, noisy machine the minimum is
// the figure least disturbed by other work.

#include <algorithm>
#include <chrono>
#include <functional>

inline double BestMs(int runs, const std::function<void()>& work) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}
