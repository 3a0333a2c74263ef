#include "comm/RoundTripWindow.h"

#include <algorithm>
#include <bit>
#include <cmath>

namespace velmora {
namespace {

constexpr int kSub = 16;          // buckets per power of two
constexpr int kExact = 2 * kSub;  // times below this have a bucket each

}  // namespace

int RoundTripWindow::BucketOf(std::int64_t us) {
    const auto v = static_cast<std::uint64_t>(std::clamp<std::int64_t>(us, 0, kMaxUs));
    if (v < static_cast<std::uint64_t>(kExact)) return static_cast<int>(v);
    const int e = std::bit_width(v) - 1;  // 5..24
    const int shift = e - 4;              // leaves v >> shift in 16..31
    return kExact + (e - 5) * kSub + static_cast<int>((v >> shift) - kSub);
}

std::int64_t RoundTripWindow::BucketTop(int bucket) {
    if (bucket < kExact) return bucket;
    const int j = bucket - kExact;
    const int shift = j / kSub + 1;
    const std::int64_t mantissa = j % kSub + kSub;
    return ((mantissa + 1) << shift) - 1;
}

void RoundTripWindow::Drop(Slice& slice) {
    for (int b = 0; b < kBuckets; ++b) total_[static_cast<std::size_t>(b)] -= slice.buckets[static_cast<std::size_t>(b)];
    count_ -= slice.count;
    slice.buckets.fill(0);
    slice.count = 0;
    slice.number = -1;
}

bool RoundTripWindow::Expire(std::int64_t nowMs) {
    const std::int64_t current = nowMs / kSliceMs;
    bool dropped = false;
    for (Slice& slice : slices_) {
        if (slice.number >= 0 && (slice.number <= current - kSlices || slice.number > current)) {
            Drop(slice);
            dropped = true;
        }
    }
    return dropped;
}

void RoundTripWindow::Add(std::int64_t us, std::int64_t nowMs) {
    us = std::clamp<std::int64_t>(us, 0, kMaxUs);
    Expire(nowMs);
    const std::int64_t number = nowMs / kSliceMs;
    Slice& slice = slices_[static_cast<std::size_t>(number % kSlices)];
    if (slice.number != number) {
        if (slice.number >= 0) Drop(slice);
        slice.number = number;
        slice.min = us;
        slice.max = us;
    }
    const auto b = static_cast<std::size_t>(BucketOf(us));
    ++slice.buckets[b];
    ++slice.count;
    slice.min = std::min(slice.min, us);
    slice.max = std::max(slice.max, us);
    ++total_[b];
    ++count_;
}

std::int64_t RoundTripWindow::Percentile(double p) const {
    if (count_ == 0) return -1;
    std::int64_t min = kMaxUs;
    std::int64_t max = 0;
    for (const Slice& slice : slices_) {
        if (slice.count == 0) continue;
        min = std::min(min, slice.min);
        max = std::max(max, slice.max);
    }
    // Nearest rank: the smallest time with at least p of the times at or below it.
    const auto rank = static_cast<std::uint64_t>(
        std::max(1.0, std::ceil(std::clamp(p, 0.0, 1.0) * static_cast<double>(count_))));
    std::uint64_t seen = 0;
    for (int b = 0; b < kBuckets; ++b) {
        seen += total_[static_cast<std::size_t>(b)];
        if (seen >= rank) return std::clamp(BucketTop(b), min, max);
    }
    return max;
}

}  // namespace velmora
