#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

#include "Fixtures.h"
#include "app/SourceDir.h"
#include "app/ScratchDir.h"
#include "media/Mp3Analyser.h"
#include "media/Mp3Decoder.h"
#include "media/WaitProcess.h"

namespace velmora {
namespace {

using testing::Fixture;
using Record = CMP3Player::spectum;

std::unique_ptr<CMP3Player> Analyse(const std::filesystem::path& path) {
    auto player = std::make_unique<CMP3Player>(path);
    EXPECT_TRUE(player->WaitFinished(std::chrono::seconds(20))) << path;
    return player;
}

std::filesystem::path DemoMusic() {
    return testing::SourceDir() / "demo" / "Music" / "demo.mp3";
}

int LoudestBand(const Record& r) {
    return static_cast<int>(std::max_element(r.bands.begin(), r.bands.end()) - r.bands.begin());
}

TEST(Mp3Decoder, SampleConversionClipsAndShifts) {
    EXPECT_EQ(MadSampleToInt16(MAD_F_ONE), 32767);
    EXPECT_EQ(MadSampleToInt16(MAD_F_ONE * 3), 32767);
    EXPECT_EQ(MadSampleToInt16(-MAD_F_ONE), -32767);
    EXPECT_EQ(MadSampleToInt16(MAD_F_ONE - 1), 32767);
    EXPECT_EQ(MadSampleToInt16(-MAD_F_ONE + 1), -32768);
    EXPECT_EQ(MadSampleToInt16(8192 * 5), 5);
    EXPECT_EQ(MadSampleToInt16(-1), -1);  // arithmetic shift rounds toward minus infinity
}

TEST(Mp3Decoder, TagSizes) {
    unsigned char v2[10] = {'I', 'D', '3', 4, 0, 0, 0, 0, 2, 1};
    EXPECT_EQ(TagSizeAt(v2, 10), 10u + 257u);
    v2[5] = 0x10;  // footer present
    EXPECT_EQ(TagSizeAt(v2, 10), 10u + 257u + 10u);
    v2[6] = 0x80;  // not sync-safe: not a tag header
    EXPECT_EQ(TagSizeAt(v2, 10), 0u);
    v2[6] = 0;
    v2[3] = 0xff;
    EXPECT_EQ(TagSizeAt(v2, 10), 0u);
    v2[3] = 4;
    EXPECT_EQ(TagSizeAt(v2, 9), 0u);  // header not wholly readable
    const unsigned char v1[3] = {'T', 'A', 'G'};
    EXPECT_EQ(TagSizeAt(v1, 3), 128u);
}

TEST(Mp3Decoder, OpenEstimatesDurationFromTheFirstBitrate) {
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.Open(Fixture("cbr44_stereo.mp3")));
    EXPECT_EQ(decoder.SampleRate(), 44100u);
    EXPECT_EQ(decoder.Channels(), 2u);
    EXPECT_EQ(ChunkFrames(decoder.SampleRate()), 2940u);
    EXPECT_EQ(decoder.m_nDuration, decoder.m_nFileSize * 8 / 64000);
    EXPECT_EQ(decoder.m_nState, 1);
    EXPECT_EQ(decoder.m_nFrames, 1u);  // the samples of the search frame are audio
    EXPECT_EQ(decoder.Buffered(), 1152u * 4);

    Mp3Decoder vbr;
    ASSERT_TRUE(vbr.Open(Fixture("vbr.mp3")));
    // Its first frame is a Xing header with a bitrate unrelated to the rest;
    // the frame count it holds gives the 4 s the file lasts.
    EXPECT_EQ(vbr.m_nDuration, 4u);
}

// A stale Xing count must not cut the analysis short: two VBR files joined
// keep the first one's count (4 s of 8), a truncated one keeps the whole's.
TEST(Mp3Decoder, AStaleXingCountStillLetsTheAnalysisReachTheEndOfTheAudio) {
    velmora::testing::ScratchDir dir;
    const std::string one = velmora::testing::ReadAll(Fixture("vbr.mp3"));
    const auto joined = dir.Write("joined.mp3", one + one);
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.Open(joined));
    EXPECT_GE(decoder.m_nDuration, 8u);
    auto player = Analyse(joined);
    ASSERT_FALSE(player->m_listSpectrum.empty());
    EXPECT_GE(player->m_listSpectrum.back().time, 6500.0);  // records run to the last whole second

    const auto truncated = dir.Write("truncated.mp3", one.substr(0, one.size() / 2));
    Mp3Decoder cut;
    ASSERT_TRUE(cut.Open(truncated));
    EXPECT_EQ(cut.m_nDuration, 4u);  // the header's count, longer than what is left
    EXPECT_GE(Analyse(truncated)->m_listSpectrum.back().time, 1500.0);
}

TEST(Mp3Decoder, DurationIsTheLargerEstimateAndScalesAStaleCountToTheFile) {
    const XingCounts xing{155, 18778};
    EXPECT_EQ(EstimateSeconds(1, xing, 18778, 1152, 44100), 4u);
    EXPECT_EQ(EstimateSeconds(9, xing, 18778, 1152, 44100), 9u);        // the bitrate's estimate is larger
    EXPECT_EQ(EstimateSeconds(2, xing, 3 * 18778, 1152, 44100), 12u);   // three copies joined
    EXPECT_EQ(EstimateSeconds(0, XingCounts{155, 0}, 99999, 1152, 44100), 4u);  // no byte count
    EXPECT_EQ(EstimateSeconds(3, XingCounts{}, 99999, 1152, 44100), 3u);
}

// The ring is refilled by decoding, never padded with silence, until the
// stream ends: every byte delivered before the end is decoded audio. The demo
// music crosses several 40960-byte input refills.
TEST(Mp3Decoder, PullsDeliverOnlyDecodedAudioUntilTheEnd) {
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.Open(DemoMusic()));
    std::vector<std::uint8_t> chunk(11760);
    std::uint64_t delivered = 0;
    int zeroFills = 0;
    while (!decoder.Ended()) {
        const bool hadAudio = decoder.Buffered() > 0;
        const std::uint64_t framesBefore = decoder.m_nFrames;
        const std::size_t got = decoder.Pull(chunk.data(), chunk.size());
        if (!hadAudio && decoder.m_nFrames == framesBefore) {
            ++zeroFills;
            EXPECT_TRUE(decoder.Ended()) << "silence delivered mid-stream after " << delivered << " bytes";
        } else {
            delivered += got;
        }
    }
    EXPECT_LE(zeroFills, 1);
    EXPECT_GT(decoder.m_nFrames, 1000u);
    EXPECT_EQ(delivered + decoder.Buffered(), decoder.m_nFrames * 1152 * 4);
    // After the end, pulls give zeros of the size asked for.
    while (decoder.Buffered() > 0) decoder.Pull(chunk.data(), chunk.size());
    std::fill(chunk.begin(), chunk.end(), 0xaa);
    EXPECT_EQ(decoder.Pull(chunk.data(), 100), 100u);
    EXPECT_TRUE(std::all_of(chunk.begin(), chunk.begin() + 100, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(chunk[100], 0xaa);
}

TEST(Mp3Decoder, FileCutShortWhileDecodingEnds) {
    velmora::testing::ScratchDir dir;
    const auto copy = dir.path() / "copy.mp3";
    std::filesystem::copy_file(DemoMusic(), copy);
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.Open(copy));
    std::vector<std::uint8_t> chunk(11760);
    for (int i = 0; i < 20; ++i) decoder.Pull(chunk.data(), chunk.size());
    std::filesystem::resize_file(copy, 1000);
    int pulls = 0;
    while (!decoder.Ended() && pulls < 10000) {
        decoder.Pull(chunk.data(), chunk.size());
        ++pulls;
    }
    EXPECT_TRUE(decoder.Ended());
    // Only what was already read in still comes out: one 40960-byte buffer of
    // the 64 kbps demo music, plus the frame that straddled its end.
    EXPECT_LE(decoder.ElapsedMs(), 40960 * 8 / 64 + 27);
    EXPECT_GT(decoder.ElapsedMs(), 4000);
}

TEST(Mp3Analysis, FirstRecordCarriesTheSixthChunkAndTheTimerAfterIt) {
    auto player = Analyse(Fixture("cbr44_stereo.mp3"));
    ASSERT_EQ(player->m_nError, 0);
    ASSERT_GE(player->m_listSpectrum.size(), 3u);

    // Decode the same file by hand, chunk by chunk.
    Mp3Decoder decoder;
    ASSERT_TRUE(decoder.Open(Fixture("cbr44_stereo.mp3")));
    const std::size_t frames = ChunkFrames(decoder.SampleRate());
    std::vector<std::vector<std::int16_t>> chunks;
    std::vector<long> timerAfter;
    for (int c = 0; c < 9; ++c) {
        std::vector<std::int16_t> chunk(frames * 2);
        auto* out = reinterpret_cast<std::uint8_t*>(chunk.data());
        std::size_t filled = 0;
        while (filled < frames * 4) filled += decoder.Pull(out + filled, frames * 4 - filled);
        chunks.push_back(chunk);
        timerAfter.push_back(decoder.ElapsedMs());
    }
    Cfft fft;
    fft.SetFileBands();
    std::array<double, Cfft::kSize> mono{};
    std::array<std::int32_t, Cfft::kBands> bands{};
    AnalyseChunk(fft, chunks[5].data(), frames, mono, bands);
    EXPECT_EQ(player->m_listSpectrum[0].bands, bands);
    EXPECT_EQ(player->m_listSpectrum[0].time, static_cast<double>(timerAfter[5]));
    AnalyseChunk(fft, chunks[8].data(), frames, mono, bands);
    EXPECT_EQ(player->m_listSpectrum[1].bands, bands);
    EXPECT_EQ(player->m_listSpectrum[1].time, static_cast<double>(timerAfter[8]));
}

void ExpectWellFormed(const std::vector<Record>& records) {
    for (const Record& r : records) {
        for (std::size_t j = 43; j < 64; ++j) ASSERT_EQ(r.bands[j], 0);
        const double sum = std::accumulate(r.bands.begin(), r.bands.begin() + 43, 0.0);
        ASSERT_DOUBLE_EQ(r.level, sum / 64);
    }
}

// Records come every 0.2 s of audio: 3 chunks, stamped at frame granularity.
void ExpectRecordEvery200Ms(const std::vector<Record>& records, double frameMs) {
    ASSERT_GE(records.size(), 2u);
    for (std::size_t i = 1; i < records.size(); ++i) {
        const double step = records[i].time - records[i - 1].time;
        EXPECT_NEAR(step, 200.0, frameMs + 1) << "record " << i;
    }
}

TEST(Mp3Analysis, ToneLandsInItsBandForStereoAndMono) {
    // 3445.3 Hz is bin 10 at 44.1 kHz (band 9) and bin 20 at 22.05 kHz (band 17).
    auto stereo = Analyse(Fixture("cbr44_stereo.mp3"));
    ExpectWellFormed(stereo->m_listSpectrum);
    ExpectRecordEvery200Ms(stereo->m_listSpectrum, 1152 * 1000.0 / 44100);
    for (const Record& r : stereo->m_listSpectrum) EXPECT_EQ(LoudestBand(r), 9) << r.time;

    auto mono = Analyse(Fixture("mono22.mp3"));
    ASSERT_EQ(mono->m_nError, 0);
    ExpectWellFormed(mono->m_listSpectrum);
    // MPEG-2 frames hold 576 samples.
    ExpectRecordEvery200Ms(mono->m_listSpectrum, 576 * 1000.0 / 22050);
    for (const Record& r : mono->m_listSpectrum) {
        EXPECT_EQ(LoudestBand(r), 17) << r.time;
        EXPECT_GT(r.level, 1.0);
    }
}

TEST(Mp3Analysis, SilenceGivesZeroBandsAndLevel) {
    auto player = Analyse(Fixture("silence.mp3"));
    ASSERT_EQ(player->m_nError, 0);
    ASSERT_FALSE(player->m_listSpectrum.empty());
    for (const Record& r : player->m_listSpectrum) {
        EXPECT_EQ(r.level, 0.0);
        for (std::int32_t b : r.bands) EXPECT_EQ(b, 0);
    }
}

TEST(Mp3Analysis, TagsAtBothEndsAreSkipped) {
    // The ID3v2 tag (with footer) holds real frames and the ID3v1 block a
    // frame header: decoded as audio they would shift every record.
    auto plain = Analyse(Fixture("cbr44_stereo.mp3"));
    auto tagged = Analyse(Fixture("tagged.mp3"));
    ASSERT_EQ(tagged->m_nError, 0);
    const auto& a = plain->m_listSpectrum;
    const auto& b = tagged->m_listSpectrum;
    ASSERT_GE(b.size(), a.size());
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].time, b[i].time) << i;
        EXPECT_EQ(a[i].bands, b[i].bands) << i;
    }
}

TEST(Mp3Analysis, LongFileKeepsRecordsInStepWithTheAudio) {
    // Across many input refills the mean spacing stays 200 ms: no silence is
    // slipped in at a refill, which would make the stamps fall behind.
    auto player = Analyse(DemoMusic());
    ASSERT_EQ(player->m_nError, 0);
    const auto& r = player->m_listSpectrum;
    ASSERT_GT(r.size(), 100u);
    const double mean = (r.back().time - r.front().time) / static_cast<double>(r.size() - 1);
    EXPECT_NEAR(mean, 200.0, 0.5);
    ExpectWellFormed(r);
    // Ended by the duration rule one second before the estimate.
    EXPECT_GE(r.back().time, (player->Duration() - 1) * 1000.0 - 200);
    EXPECT_LE(r.back().time, player->Duration() * 1000.0);
}

TEST(Mp3Analysis, DamagedFilesEndCleanly) {
    // Noise in the middle: frames there are dropped, the rest still analysed.
    auto plain = Analyse(Fixture("cbr44_stereo.mp3"));
    auto corrupt = Analyse(Fixture("corrupt.mp3"));
    ASSERT_EQ(corrupt->m_nError, 0);
    ExpectWellFormed(corrupt->m_listSpectrum);
    EXPECT_EQ(corrupt->m_listSpectrum.size(), plain->m_listSpectrum.size());
    EXPECT_EQ(corrupt->m_listSpectrum.front().bands, plain->m_listSpectrum.front().bands);

    // Cut mid-frame, shorter than its estimate suggests? It still ends and its
    // records stop at the end of its audio.
    auto truncated = Analyse(Fixture("truncated.mp3"));
    ASSERT_EQ(truncated->m_nError, 0);
    ASSERT_FALSE(truncated->m_listSpectrum.empty());
    EXPECT_LE(truncated->m_listSpectrum.back().time, 2500.0);

    // Under a second: the estimate is 0 and the stall rule ends it.
    auto shortFile = Analyse(Fixture("short.mp3"));
    ASSERT_EQ(shortFile->m_nError, 0);
    EXPECT_EQ(shortFile->Duration(), 0u);
    EXPECT_LT(shortFile->m_nPercent.load(), 100);
    ASSERT_FALSE(shortFile->m_listSpectrum.empty());
    EXPECT_LE(shortFile->m_listSpectrum.back().time, 700.0);
    // The records after the audio ends carry its final time.
    EXPECT_EQ(shortFile->m_listSpectrum.back().time, shortFile->m_listSpectrum[shortFile->m_listSpectrum.size() - 2].time);
}

TEST(Mp3Analysis, UnreadableInputFailsWithoutThreadOrRecords) {
    velmora::testing::ScratchDir dir;
    dir.MakeDir("folder.mp3");
    for (const std::filesystem::path& path :
         {Fixture("empty.mp3"), Fixture("not_mp3.mp3"), Fixture("huge_tag.mp3"), dir.path() / "missing.mp3",
          dir.path() / "folder.mp3"}) {
        CMP3Player player(path);
        EXPECT_EQ(player.m_nError, kMp3OpenError) << path;
        EXPECT_EQ(player.m_pDecoder, nullptr);
        EXPECT_TRUE(player.Finished());
        EXPECT_TRUE(player.m_listSpectrum.empty());
        EXPECT_EQ(player.m_nPercent.load(), 0);
    }
}

TEST(Mp3Analysis, StopEndsARunningAnalysisPromptly) {
    const auto begin = std::chrono::steady_clock::now();
    {
        CMP3Player player(DemoMusic());
        ASSERT_EQ(player.m_nError, 0);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(3000));
}

TEST(WaitProcess, WalksTheFilesAndKeepsTheLastRecords) {
    velmora::testing::ScratchDir dir;
    WaitProcess wait({dir.path() / "missing.mp3", Fixture("silence.mp3"), Fixture("mono22.mp3")});
    EXPECT_EQ(std::string(WaitProcess::kTitle), "等待");
    wait.Start();
    std::vector<std::size_t> indexes;
    double last = 0.0;
    int ticks = 0;
    while (wait.Tick() && ++ticks < 2000) {
        indexes.push_back(wait.m_nIndex);
        EXPECT_GE(wait.m_fProgress, 0.0);
        EXPECT_LE(wait.m_fProgress, 1.0);
        EXPECT_GE(wait.m_fProgress, last);
        last = wait.m_fProgress;
    }
    EXPECT_TRUE(wait.Closed());
    EXPECT_TRUE(std::is_sorted(indexes.begin(), indexes.end()));
    EXPECT_EQ(wait.CurrentFile(), Fixture("mono22.mp3"));
    auto alone = Analyse(Fixture("mono22.mp3"));
    ASSERT_EQ(wait.Result().size(), alone->m_listSpectrum.size());
    for (std::size_t i = 0; i < alone->m_listSpectrum.size(); ++i)
        EXPECT_EQ(wait.Result()[i].bands, alone->m_listSpectrum[i].bands);
    EXPECT_LE(last, 1.0);

    WaitProcess missing({dir.path() / "missing.mp3"});
    missing.Start();
    int n = 0;
    while (missing.Tick() && ++n < 100) {}
    EXPECT_TRUE(missing.Closed());
    EXPECT_TRUE(missing.Result().empty());
    EXPECT_EQ(missing.m_pPlayer->m_nError, kMp3OpenError);
}

TEST(WaitProcess, CancelStopsTheAnalysisAndKeepsTheRecordsMadeSoFar) {
    const auto whole = Analyse(DemoMusic());
    ASSERT_FALSE(whole->m_listSpectrum.empty());

    WaitProcess wait({DemoMusic(), Fixture("mono22.mp3")});
    wait.Start();
    const auto begin = std::chrono::steady_clock::now();
    wait.Cancel();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::milliseconds(1000));
    EXPECT_TRUE(wait.Closed());
    EXPECT_TRUE(wait.Cancelled());
    EXPECT_FALSE(wait.Tick());
    // The second file is never started; what the first made is a prefix of
    // its whole analysis.
    EXPECT_EQ(wait.m_nIndex, 0u);
    EXPECT_EQ(wait.CurrentFile(), DemoMusic());
    const auto& partial = wait.Result();
    ASSERT_LE(partial.size(), whole->m_listSpectrum.size());
    for (std::size_t i = 0; i < partial.size(); ++i) {
        EXPECT_EQ(partial[i].bands, whole->m_listSpectrum[i].bands) << i;
        EXPECT_EQ(partial[i].time, whole->m_listSpectrum[i].time) << i;
    }

    // A cancel after the end changes nothing: the whole result stays.
    WaitProcess done({Fixture("mono22.mp3")});
    done.Start();
    int ticks = 0;
    while (done.Tick() && ++ticks < 2000) {}
    const std::size_t size = done.Result().size();
    ASSERT_GT(size, 0u);
    done.Cancel();
    EXPECT_FALSE(done.Cancelled());
    EXPECT_EQ(done.Result().size(), size);

    // Nothing to analyse: a cancel is harmless too.
    WaitProcess none({});
    none.Start();
    none.Cancel();
    EXPECT_TRUE(none.Closed());
    EXPECT_TRUE(none.Result().empty());
}

}  // namespace
}  // namespace velmora
