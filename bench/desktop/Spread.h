#pragma once
// Median and 99th percentile of a set of timings, for the desktop benchmarks.

#include <algorithm>
#include <cstddef>
#include <vector>

#include <QElapsedTimer>

namespace velmora {

struct Spread {
    double p50 = 0, p99 = 0;
};

inline Spread SpreadOf(std::vector<double> ms) {
    Spread s;
    if (ms.empty()) return s;
    std::sort(ms.begin(), ms.end());
    s.p50 = ms[ms.size() / 2];
    s.p99 = ms[static_cast<std::size_t>(0.99 * static_cast<double>(ms.size() - 1))];
    return s;
}

inline double Ms(const QElapsedTimer& t) { return static_cast<double>(t.nsecsElapsed()) / 1e6; }

}  // namespace velmora
