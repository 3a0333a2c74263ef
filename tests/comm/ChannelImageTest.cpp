#include "comm/ChannelImage.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace velmora {
namespace {

bool AllZero(const std::vector<std::int32_t>& slots) {
    return std::all_of(slots.begin(), slots.end(), [](std::int32_t v) { return v == 0; });
}

TEST(ChannelImageTest, SlotsFollowTagNumAndStartZeroed) {
    ChannelTable channels;
    channels[0].tagNum = 5;
    channels[1].tagNum = 0;
    channels[2].tagNum = -7;
    channels[3].tagNum = 800;

    OutputImage image;
    image.Reallocate(channels);
    EXPECT_EQ(image.g_ChannelImage[0].size(), 5u);
    EXPECT_TRUE(image.g_ChannelImage[1].empty());
    EXPECT_TRUE(image.g_ChannelImage[2].empty());
    EXPECT_EQ(image.g_ChannelImage[3].size(), 800u);
    EXPECT_EQ(image.g_ChannelImage[99].size(), 30u);  // default row
    for (const auto& slots : image.g_ChannelImage) EXPECT_TRUE(AllZero(slots));
}

TEST(ChannelImageTest, ReallocationDropsOldValues) {
    ChannelTable channels;
    OutputImage image;
    image.Reallocate(channels);
    image.g_ChannelImage[4][29] = 0x1234;
    image.g_Light512Buf[4][511] = 0xFF;
    image.g_Light512Buf[0][0] = 7;

    channels[4].tagNum = 40;  // grows: the old slots must not reappear
    image.Reallocate(channels);
    EXPECT_EQ(image.g_ChannelImage[4].size(), 40u);
    EXPECT_TRUE(AllZero(image.g_ChannelImage[4]));
    EXPECT_EQ(image.g_Light512Buf[4][511], 0);
    EXPECT_EQ(image.g_Light512Buf[0][0], 0);
}

TEST(ChannelImageTest, DamagedTagNumIsBounded) {
    ChannelTable channels;
    channels[7].tagNum = INT32_MAX;
    channels[8].tagNum = OutputImage::kMaxSlots;
    OutputImage image;
    image.Reallocate(channels);
    EXPECT_EQ(image.g_ChannelImage[7].size(), static_cast<std::size_t>(OutputImage::kMaxSlots));
    EXPECT_EQ(image.g_ChannelImage[8].size(), static_cast<std::size_t>(OutputImage::kMaxSlots));
}

}  // namespace
}  // namespace velmora
