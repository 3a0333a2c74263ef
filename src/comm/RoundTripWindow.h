#pragma once
// Round-trip times of the last minute as a fixed-size histogram, so that a
// sender can keep its p50/p99 current after every exchange without
// allocating. Times are kept in log-linear buckets (16 per power of two):
// exact below 32 µs, otherwise within 1/16 of the true value, and never
// outside the smallest and largest time seen in the window. The minute is
// twelve 5-second slices: a slice leaves the window whole, so the window
// spans between 55 and 60 seconds.
//
// Thread contract: one thread (the channel's sender, or a test).

#include <array>
#include <cstdint>

namespace velmora {

class RoundTripWindow {
public:
    static constexpr std::int64_t kSliceMs = 5000;
    static constexpr int kSlices = 12;
    static constexpr int kBuckets = 352;
    static constexpr std::int64_t kMaxUs = (std::int64_t{1} << 25) - 1;  // about 33 s; longer times count as this

    // Records one time (µs) taken at `nowMs` (a steady clock, ms), after
    // dropping what has left the window by then.
    void Add(std::int64_t us, std::int64_t nowMs);
    // Drops the slices that have left the window at `nowMs`; true when any did.
    bool Expire(std::int64_t nowMs);

    // The nearest-rank percentile (0 < p <= 1) of the times in the window,
    // in µs; -1 when the window is empty.
    std::int64_t Percentile(double p) const;
    std::uint32_t Count() const { return count_; }

    static int BucketOf(std::int64_t us);
    // The largest time that falls in `bucket`.
    static std::int64_t BucketTop(int bucket);

private:
    struct Slice {
        std::int64_t number = -1;  // nowMs / kSliceMs of its times; -1 = empty
        std::uint32_t count = 0;
        std::int64_t min = 0;
        std::int64_t max = 0;
        std::array<std::uint32_t, kBuckets> buckets{};
    };
    void Drop(Slice& slice);

    std::array<Slice, kSlices> slices_{};
    std::array<std::uint32_t, kBuckets> total_{};
    std::uint32_t count_ = 0;
};

}  // namespace velmora
