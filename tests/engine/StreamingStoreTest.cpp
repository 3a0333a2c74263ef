// Streamed stores must land exactly where plain copies would, whatever the
// destination's alignment (a track is 16-byte aligned, but nothing forces a
// caller's buffer to be) and whatever the count.

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "engine/StreamingStore.h"

namespace velmora {
namespace {

TEST(StreamingStore, CopiesEveryPointAlignedOrNot) {
    std::vector<TrackPoint> from(300);
    for (std::size_t i = 0; i < from.size(); ++i)
        from[i] = {static_cast<float>(i), -0.5f * static_cast<float>(i), static_cast<std::int32_t>(i % 2), 1e6f + static_cast<float>(i)};
    for (std::size_t shift : {std::size_t{0}, std::size_t{4}, std::size_t{8}}) {
        for (std::size_t count : {0u, 1u, 255u, 256u, 257u}) {
            // Room for the points plus a guard on either side that must stay as it was.
            std::vector<unsigned char> bytes((count + 2) * sizeof(TrackPoint) + 16, 0xAB);
            unsigned char* base = bytes.data() + (16 - reinterpret_cast<std::uintptr_t>(bytes.data()) % 16) % 16;
            auto* to = reinterpret_cast<TrackPoint*>(base + sizeof(TrackPoint) + shift);
            StreamPoints(to, from.data(), count);
            FinishStreaming();
            EXPECT_EQ(std::memcmp(to, from.data(), count * sizeof(TrackPoint)), 0) << "shift " << shift << " count " << count;
            const unsigned char* end = reinterpret_cast<const unsigned char*>(to + count);
            for (const unsigned char* p = bytes.data(); p < reinterpret_cast<const unsigned char*>(to); ++p) ASSERT_EQ(*p, 0xAB);
            for (const unsigned char* p = end; p < bytes.data() + bytes.size(); ++p) ASSERT_EQ(*p, 0xAB);
        }
    }
}

TEST(StreamingStore, TrackSizedThenStreamedHoldsThePoints) {
    TrackPoints track = {{1.0f, 2.0f, 0, 3.0f}};
    const std::vector<TrackPoint> more = {{4.0f, 5.0f, 1, 0.0f}, {6.0f, 7.0f, 0, 7.0f}};
    track.resize(3);
    EXPECT_EQ(track[0].m_fAngle, 3.0f);  // growing keeps what was there
    StreamPoints(track.data() + 1, more.data(), more.size());
    FinishStreaming();
    EXPECT_EQ(std::memcmp(track.data() + 1, more.data(), 2 * sizeof(TrackPoint)), 0);
    track.push_back({8.0f, 0.0f, 0, 7.0f});  // values given are kept, not left unset
    EXPECT_EQ(track.back().m_fTime, 8.0f);
    EXPECT_EQ(track.back().m_fAngle, 7.0f);
}

}  // namespace
}  // namespace velmora
