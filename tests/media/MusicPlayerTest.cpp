#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "Fixtures.h"
#include "app/ScratchDir.h"
#include "app/WaitFor.h"
#include "media/MusicPlayer.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::Fixture;

// Waits until the position has moved past `ms` (bounded).
bool WaitForPosition(const MusicPlayer& player, double ms, std::chrono::milliseconds bound = 3s) {
    return testing::WaitFor([&] { return player.Position() >= ms; }, bound, 2ms);
}

TEST(Mp3FrameIndex, LengthsFromTheStreamForCbrVbrAndMono) {
    // lame adds one header frame and pads the end to whole frames; the
    // encoded sounds last 4, 4 and 3 seconds.
    struct Case {
        const char* file;
        unsigned rate;
        double seconds;
        unsigned frameSamples;
    };
    for (const Case& c : {Case{"cbr44_stereo.mp3", 44100, 4.0, 1152}, Case{"vbr.mp3", 44100, 4.0, 1152},
                          Case{"mono22.mp3", 22050, 3.0, 576}}) {
        Mp3FrameIndex index;
        ASSERT_TRUE(index.Scan(Fixture(c.file))) << c.file;
        EXPECT_EQ(index.sampleRate, c.rate);
        EXPECT_EQ(index.totalSamples, index.frames.size() * c.frameSamples);
        const double ms = index.totalSamples * 1000.0 / c.rate;
        EXPECT_GE(ms, c.seconds * 1000) << c.file;
        EXPECT_LE(ms, c.seconds * 1000 + 3 * c.frameSamples * 1000.0 / c.rate) << c.file;
        EXPECT_EQ(index.FrameAt(0), 0u);
        EXPECT_EQ(index.FrameAt(c.frameSamples * 3 + 1), 3u);
        EXPECT_EQ(index.FrameAt(index.totalSamples + 99), index.frames.size() - 1);
    }
    // Tags are not frames: the tagged copy has the same frames.
    Mp3FrameIndex plain, tagged;
    ASSERT_TRUE(plain.Scan(Fixture("cbr44_stereo.mp3")));
    ASSERT_TRUE(tagged.Scan(Fixture("tagged.mp3")));
    EXPECT_EQ(plain.totalSamples, tagged.totalSamples);
}

TEST(MusicPlayer, ModesAndLengthAroundOpen) {
    MusicPlayer player(MusicPlayer::Output::Null);
    EXPECT_EQ(player.Mode(), "not ready");
    EXPECT_EQ(player.Position(), 0.0);
    EXPECT_EQ(player.Length(), 0.0);
    player.Play();
    EXPECT_EQ(player.Mode(), "not ready");
    EXPECT_FALSE(player.Seek(100));

    velmora::testing::ScratchDir dir;
    dir.MakeDir("dir.mp3");
    for (const auto& bad : {Fixture("empty.mp3"), Fixture("not_mp3.mp3"), dir.path() / "missing.mp3",
                            dir.path() / "dir.mp3"}) {
        EXPECT_FALSE(player.Open(bad)) << bad;
        EXPECT_EQ(player.Mode(), "not ready");
    }

    ASSERT_TRUE(player.Open(Fixture("cbr44_stereo.mp3")));
    EXPECT_EQ(player.Mode(), "stopped");
    EXPECT_EQ(player.OutputName(), "null");
    EXPECT_EQ(player.Volume(), 1000);
    Mp3FrameIndex index;
    ASSERT_TRUE(index.Scan(Fixture("cbr44_stereo.mp3")));
    EXPECT_DOUBLE_EQ(player.Length(), index.totalSamples * 1000.0 / 44100);
    EXPECT_EQ(player.Position(), 0.0);
}

TEST(MusicPlayer, PositionFollowsTheSamplesAtTheRealRate) {
    MusicPlayer player(MusicPlayer::Output::Null);
    ASSERT_TRUE(player.Open(Fixture("cbr44_stereo.mp3")));
    player.Play();
    EXPECT_EQ(player.Mode(), "playing");
    ASSERT_TRUE(WaitForPosition(player, 100));
    const auto t0 = std::chrono::steady_clock::now();
    const double p0 = player.Position();
    std::this_thread::sleep_for(1500ms);
    const double p1 = player.Position();
    const double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_NEAR((p1 - p0) / elapsed, 1.0, 0.01) << p0 << " " << p1 << " " << elapsed;
}

TEST(MusicPlayer, PauseFreezesSeekJumpsAndTheEndStops) {
    MusicPlayer player(MusicPlayer::Output::Null);
    ASSERT_TRUE(player.Open(Fixture("cbr44_stereo.mp3")));
    player.Play();
    ASSERT_TRUE(WaitForPosition(player, 300));
    player.Pause();
    EXPECT_EQ(player.Mode(), "paused");
    const double paused = player.Position();
    std::this_thread::sleep_for(200ms);
    EXPECT_EQ(player.Position(), paused);

    // Seek while paused: the position is the target at once and stays there.
    ASSERT_TRUE(player.Seek(2000));
    EXPECT_EQ(player.Mode(), "paused");
    EXPECT_NEAR(player.Position(), 2000, 0.1);
    std::this_thread::sleep_for(50ms);
    EXPECT_NEAR(player.Position(), 2000, 0.1);

    // Playing on goes from there.
    player.Play();
    ASSERT_TRUE(WaitForPosition(player, 2100));
    EXPECT_LT(player.Position(), 2600);

    // Seek while playing: back to 500 and on.
    ASSERT_TRUE(player.Seek(500));
    testing::WaitFor([&] { return player.Position() <= 1000; }, 2s, 2ms);
    EXPECT_EQ(player.Mode(), "playing");
    EXPECT_GE(player.Position(), 500);
    EXPECT_LT(player.Position(), 1000);
    ASSERT_TRUE(WaitForPosition(player, 550));

    // Near the end: it plays out and stops at the length.
    ASSERT_TRUE(player.Seek(player.Length() - 150));
    testing::WaitFor([&] { return player.Mode() != "playing"; }, 2s, 5ms);
    EXPECT_EQ(player.Mode(), "stopped");
    EXPECT_DOUBLE_EQ(player.Position(), player.Length());
    player.Play();  // nothing left to play
    EXPECT_EQ(player.Mode(), "stopped");

    // Seeking past the end clamps, a position that is no number is refused;
    // seeking back makes it playable again.
    EXPECT_FALSE(player.Seek(std::nan("")));
    ASSERT_TRUE(player.Seek(-5));
    EXPECT_EQ(player.Position(), 0.0);
    ASSERT_TRUE(player.Seek(1e9));
    EXPECT_DOUBLE_EQ(player.Position(), player.Length());
    ASSERT_TRUE(player.Seek(0));
    player.Play();
    EXPECT_EQ(player.Mode(), "playing");
    ASSERT_TRUE(WaitForPosition(player, 50));
}

TEST(MusicPlayer, PlaysDamagedFilesToTheEnd) {
    for (const char* name : {"corrupt.mp3", "truncated.mp3", "short.mp3", "mono22.mp3"}) {
        MusicPlayer player(MusicPlayer::Output::Null);
        ASSERT_TRUE(player.Open(Fixture(name))) << name;
        ASSERT_TRUE(player.Seek(std::max(0.0, player.Length() - 300)));
        player.Play();
        testing::WaitFor([&] { return player.Mode() != "playing"; }, 2s, 5ms);
        EXPECT_EQ(player.Mode(), "stopped") << name;
        EXPECT_DOUBLE_EQ(player.Position(), player.Length()) << name;
    }
}

}  // namespace
}  // namespace velmora
