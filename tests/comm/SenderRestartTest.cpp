#include <gtest/gtest.h>

#include <array>
#include <mutex>

#include "app/ScopedLogPath.h"
#include "app/ScratchDir.h"
#include "comm/ModbusTCPThread.h"

namespace velmora {
namespace {

// Starting the senders again while they run (the playback started twice)
// must not write the channel index a running body reads on every pass, nor
// start a second body.
TEST(SenderRestartTest, StartingRunningSendersAgainLeavesThemAsTheyAre) {
    testing::ScratchDir dir;
    const testing::ScopedLogPath log(dir.path() / "no-log-here.log");
    std::mutex lock;
    ChannelTable channels;  // every IP 0.0.0.0: connects fail at once, bodies pause
    OutputImage image;
    image.Reallocate(channels);
    std::array<CModbusTCPThread, 3> senders;
    for (auto& s : senders) s.Bind(lock, channels, image);

    senders[0].m_nChannel = 7;  // started by hand for channel 8
    ASSERT_TRUE(senders[0].Start());
    StartSenders(senders);
    EXPECT_EQ(senders[0].m_nChannel, 7);
    EXPECT_EQ(senders[1].m_nChannel, 1);
    EXPECT_EQ(senders[2].m_nChannel, 2);
    for (const auto& s : senders) EXPECT_TRUE(s.IsRunning());

    StartSenders(senders);
    EXPECT_EQ(senders[0].m_nChannel, 7);
    std::array<Thread*, 3> threads{&senders[0], &senders[1], &senders[2]};
    EXPECT_TRUE(StopAllInParallel(threads));
    for (const auto& s : senders) EXPECT_FALSE(s.HasAbandonedBody());
}

}  // namespace
}  // namespace velmora
