#pragma once
// The engine's pacing lateness as the views see it: the published snapshot
// sampled often enough to catch every tick once, summarised at the end.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "engine/EngineSnapshot.h"
#include "runtime/Runtime.h"

namespace velmora {

struct Lateness {
    double p50 = 0, p99 = 0, max = 0;
    std::size_t ticks = 0;
};

// Samples the published snapshot often enough to see every tick once.
class LatenessSampler {
public:
    explicit LatenessSampler(const Runtime& runtime) : runtime_(runtime) {
        thread_ = std::thread([this] {
            EngineSnapshot snapshot;
            std::uint64_t last = 0;
            while (!stop_.load()) {
                if (runtime_.ReadEngineSnapshot(snapshot) && snapshot.tick != last) {
                    last = snapshot.tick;
                    samples_.push_back(snapshot.latenessMs);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
            }
        });
    }
    Lateness Stop() {
        stop_.store(true);
        thread_.join();
        Lateness l;
        l.ticks = samples_.size();
        if (samples_.empty()) return l;
        std::sort(samples_.begin(), samples_.end());
        auto at = [&](double q) { return samples_[static_cast<std::size_t>(q * static_cast<double>(samples_.size() - 1))]; };
        l.p50 = at(0.5);
        l.p99 = at(0.99);
        l.max = samples_.back();
        return l;
    }

private:
    const Runtime& runtime_;
    std::atomic<bool> stop_{false};
    std::vector<float> samples_;
    std::thread thread_;
};

}  // namespace velmora
