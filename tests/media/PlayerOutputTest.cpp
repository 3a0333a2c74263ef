// The music player driven by a hand-pumped output: what it plays is the
// decoded music from the right sample on, and its position is what the
// output reports as heard.

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <thread>
#include <vector>

#include "Fixtures.h"
#include "app/ScratchDir.h"
#include "media/AudioOutput.h"
#include "media/Mp3Decoder.h"
#include "media/MusicPlayer.h"

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::Fixture;

struct Pump {
    AudioSource* source = nullptr;
    std::uint64_t pulled = 0;
    std::uint64_t latency = 0;  // frames queued between the pull and the listener
    std::vector<std::int16_t> captured;

    void Run(std::size_t frames) {
        std::vector<std::int16_t> block(frames * 2);
        source->Render(block.data(), frames);
        captured.insert(captured.end(), block.begin(), block.end());
        pulled += frames;
    }
};

class ManualOutput final : public AudioOutput {
public:
    explicit ManualOutput(Pump* pump) : pump_(pump) {}
    bool Start(AudioSource* source, unsigned) override {
        pump_->source = source;
        return true;
    }
    void Stop() override {}
    double HeardFrames() const override {
        return pump_->pulled > pump_->latency ? static_cast<double>(pump_->pulled - pump_->latency) : 0.0;
    }
    std::string Name() const override { return "manual"; }

private:
    Pump* pump_;
};

std::vector<std::int16_t> ReferenceDecode(const std::filesystem::path& path) {
    Mp3Decoder decoder;
    EXPECT_TRUE(decoder.Open(path));
    std::vector<std::int16_t> samples;
    std::vector<std::uint8_t> bytes(4096);
    while (true) {
        const bool hadAudio = decoder.Buffered() > 0;
        const std::uint64_t frames = decoder.m_nFrames;
        const std::size_t got = decoder.Pull(bytes.data(), bytes.size());
        if (!hadAudio && decoder.m_nFrames == frames) break;  // only zeros from here
        for (std::size_t i = 0; i + 1 < got; i += 2)
            samples.push_back(static_cast<std::int16_t>(bytes[i] | (bytes[i + 1] << 8)));
    }
    return samples;
}

std::unique_ptr<MusicPlayer> MakePlayer(Pump& pump) {
    return std::make_unique<MusicPlayer>([&pump] { return std::make_unique<ManualOutput>(&pump); });
}

// Gives the decoder thread time to fill its ring.
void LetDecoderFill() { std::this_thread::sleep_for(100ms); }

TEST(PlayerOutput, PlaysTheDecodedMusicFromTheSeekTarget) {
    const std::vector<std::int16_t> reference = ReferenceDecode(Fixture("cbr44_stereo.mp3"));
    ASSERT_GT(reference.size(), 44100u * 2 * 3);
    for (double ms : {0.0, 1000.0, 1234.5, 2500.0}) {
        Pump pump;
        auto player = MakePlayer(pump);
        ASSERT_TRUE(player->Open(Fixture("cbr44_stereo.mp3")));
        EXPECT_EQ(player->OutputName(), "manual");
        ASSERT_TRUE(player->Seek(ms));
        pump.Run(1);  // stopped: silence, and the blocks decoded before the seek are let go
        LetDecoderFill();
        pump.captured.clear();
        player->Play();
        pump.Run(20000);
        const auto start = static_cast<std::size_t>(ms * 44.1) * 2;
        ASSERT_EQ(pump.captured.size(), 40000u);
        std::size_t mismatches = 0;
        for (std::size_t i = 0; i < pump.captured.size(); ++i)
            if (pump.captured[i] != reference[start + i]) ++mismatches;
        EXPECT_EQ(mismatches, 0u) << "seek to " << ms;
        EXPECT_NEAR(player->Position(), ms + 20000 / 44.1, 0.05);
        EXPECT_EQ(player->Mode(), "playing");
    }
}

TEST(PlayerOutput, PositionIsWhatIsHeardAndPauseReplaysTheQueuedAudio) {
    const std::vector<std::int16_t> reference = ReferenceDecode(Fixture("cbr44_stereo.mp3"));
    Pump pump;
    pump.latency = 4410;  // 100 ms on the way to the speaker
    auto player = MakePlayer(pump);
    ASSERT_TRUE(player->Open(Fixture("cbr44_stereo.mp3")));
    player->Play();
    LetDecoderFill();
    pump.Run(22050);
    LetDecoderFill();
    pump.Run(22050);
    EXPECT_NEAR(player->Position(), 900.0, 0.05);  // 1 s handed out, 0.1 s still queued

    player->Pause();
    EXPECT_EQ(player->Mode(), "paused");
    EXPECT_NEAR(player->Position(), 900.0, 0.05);
    pump.Run(4410);  // the queue drains; silence follows
    EXPECT_NEAR(player->Position(), 900.0, 0.05);

    // Playing on starts again from what was heard, not from what was queued.
    // The output's first pull after the resume lets go of the queued blocks;
    // it is silence when the decoder has had no room to refill yet.
    pump.captured.clear();
    player->Play();
    pump.Run(1);
    LetDecoderFill();
    pump.Run(8820);
    const std::size_t start = 39690 * 2;
    const std::size_t lead = pump.captured[0] == 0 && pump.captured[1] == 0 ? 2 : 0;
    std::size_t mismatches = 0;
    for (std::size_t i = lead; i < pump.captured.size(); ++i)
        if (pump.captured[i] != reference[start + i - lead]) ++mismatches;
    EXPECT_EQ(mismatches, 0u);
    // The first 100 ms handed out after the resume are not heard yet.
    EXPECT_NEAR(player->Position(), 1000.0, 0.05);

    // A seek while playing shows once its audio is heard.
    ASSERT_TRUE(player->Seek(3000));
    pump.Run(441);
    EXPECT_NEAR(player->Position(), 1010.0, 0.05);
    LetDecoderFill();
    pump.Run(8820);
    EXPECT_GT(player->Position(), 3000.0);
    EXPECT_LT(player->Position(), 3200.0);
}

TEST(PlayerOutput, SoundDeviceProbeIsQuietAndFallsBack) {
    // Whatever this machine has, opening the sound device writes nothing to
    // stderr; without one, the player falls back to the null output.
    velmora::testing::ScratchDir dir;
    const auto log = dir.path() / "stderr.txt";
    std::fflush(stderr);
    const int saved = ::dup(2);
    FILE* capture = std::fopen(log.c_str(), "w");
    ASSERT_NE(capture, nullptr);
    ::dup2(::fileno(capture), 2);
    std::string name;
    {
        MusicPlayer player(MusicPlayer::Output::Automatic);
        const bool opened = player.Open(Fixture("short.mp3"));
        name = player.OutputName();
        std::fflush(stderr);
        ::dup2(saved, 2);
        ::close(saved);
        std::fclose(capture);
        ASSERT_TRUE(opened);
    }
    EXPECT_TRUE(name == "portaudio" || name == "null") << name;
    std::ifstream in(log);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace velmora
