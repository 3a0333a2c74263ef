#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/Profile.h"
#include "app/Prompter.h"
#include "runtime/Runtime.h"
#include "app/ScratchDir.h"
#include "app/SourceDir.h"
#include "app/WaitFor.h"
#include "engine/EngineTick.h"
#include "engine/MusicWav.h"
#include "media/MusicList.h"
#include "media/ProgramList.h"

namespace velmora {
namespace {

using testing::ScratchDir;

// A player whose position runs on the test's clock while it plays.
struct FakePlayer : PlayerControl {
    explicit FakePlayer(const std::uint32_t& clock) : now(clock) {}
    const std::uint32_t& now;
    double length = 180000.0;
    bool playing = false;
    double held = 0.0;
    std::uint32_t since = 0;
    std::vector<std::string> opened;
    std::vector<double> seeks;

    bool Open(const std::filesystem::path& path) override {
        opened.push_back(path.string());
        playing = false;
        held = 0.0;
        return true;
    }
    void Play() override {
        if (playing) return;
        since = now;
        playing = true;
    }
    void Pause() override {
        held = Position();
        playing = false;
    }
    bool Seek(double ms) override {
        seeks.push_back(ms);
        held = ms;
        since = now;
        return true;
    }
    std::string Mode() const override { return playing ? "playing" : "paused"; }
    double Position() const override { return playing ? held + (now - since) : held; }
    double Length() const override { return length; }
};

class MusicWavTest : public ::testing::Test {
protected:
    MusicWavTest() {
        dir_.Write("Music/song.mp3", "not decoded here");
        dir_.Write("Music/song.mp3.tlf", "[TimeLine]\nTimeBlockCount=1\nTB0_cannel=0\nTB0_start=10\nTB0_end=20\n");
        dir_.Write("Music/other.mp3", "x");
        dir_.Write("Program/P.prog", "[Main]\nunitMS=1000\nnum=60\npower=64\n");
        runtime_.scene.settings.g_nPrepareTime = 2000;
    }

    std::string MusicFile(const char* name) const { return (dir_.path() / "Music" / name).string(); }

    ScratchDir dir_;
    Runtime runtime_{Workspace(dir_.path())};
    RecordingPrompter prompter_{true};
    std::uint32_t now_ = 10000;
    FakePlayer* player_ = nullptr;
    std::vector<std::string> analysed_;
    CMusicWav wav_{runtime_, prompter_, [this] { return now_; },
                   [this] {
                       auto p = std::make_unique<FakePlayer>(now_);
                       player_ = p.get();
                       return p;
                   },
                   [this](const std::filesystem::path& path, const CMusicWav::Progress& progress) {
                       analysed_.push_back(path.string());
                       if (progress) progress(1.0);
                       SpectrumList records(3);
                       for (int i = 0; i < 3; ++i) records[static_cast<std::size_t>(i)].time = 200.0 * (i + 1);
                       return records;
                   }};

    void Advance(std::uint32_t ms) {
        for (std::uint32_t t = 0; t < ms; t += CMusicWav::kUpdatePeriodMs) {
            now_ += CMusicWav::kUpdatePeriodMs;
            wav_.Tick(now_);
        }
    }
};

TEST_F(MusicWavTest, PreparationTimeLeadsTheMusic) {
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    EXPECT_EQ(analysed_.size(), 1u);
    EXPECT_EQ(wav_.state().Records()->size(), 3u);
    EXPECT_DOUBLE_EQ(wav_.state().m_dLength.load(), 182000.0);
    Advance(1000);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 1000.0);
    EXPECT_FALSE(player_->playing);
    Advance(995);
    EXPECT_FALSE(player_->playing);
    Advance(5);
    ASSERT_TRUE(player_->playing);  // the music starts at show time 2000
    ASSERT_EQ(player_->seeks.size(), 1u);
    EXPECT_DOUBLE_EQ(player_->seeks[0], 200.0);  // the first record's time
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 2200.0);
    Advance(1000);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 3200.0);  // music position + 2000
}

TEST_F(MusicWavTest, NoPreparationStartsTheMusicAtOnce) {
    runtime_.scene.settings.g_nPrepareTime = 0;
    player_ = nullptr;
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    wav_.Tick(now_);
    ASSERT_TRUE(player_->playing);
    EXPECT_EQ(wav_.m_nPrerollStart, -1);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 200.0);
}

TEST_F(MusicWavTest, ProgramEntryRunsItsOwnClockAndRestartsAtItsEnd) {
    runtime_.scene.settings.g_nPrepareTime = 0;
    CProgramList programs(dir_.path() / "Program", &wav_);
    CMusicList music(&wav_);
    wav_.SetLists(&music, &programs);
    Profile ini;
    ini.LoadFromBytes("[ProgramList]\nProgramCount=1\npro0_path=C:\\old\\P.prog\n");
    programs.LoadProgramList(ini);
    programs.DoubleClick(0);  // found in the Program folder

    EXPECT_EQ(wav_.m_bProgramMode, 1);
    EXPECT_DOUBLE_EQ(wav_.state().m_dLength.load(), 60000.0);
    const auto records = wav_.state().Records();
    ASSERT_EQ(records->size(), 62u);
    for (const spectum& r : *records) EXPECT_DOUBLE_EQ(r.level, 32.0);
    EXPECT_DOUBLE_EQ(records->back().time, 61000.0);

    EngineWorld world{runtime_.scene, runtime_.show, runtime_.g_pShowAssets, runtime_.output, runtime_.g_csOutput,
                      runtime_.night};
    wav_.Tick(now_);
    EXPECT_EQ(wav_.m_bClockRunning, 1);
    now_ += 30000;
    wav_.Tick(now_);
    EngineTickResult tick = EngineTick(world, wav_.state(), EngineTickInputs{});
    EXPECT_EQ(tick.level, 64);  // the program's power as music level
    EXPECT_FALSE(tick.endOfEntry);

    wav_.PlayPause();  // pausing the program clock freezes the position
    now_ += 10000;
    wav_.Tick(now_);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 30000.0);
    wav_.PlayPause();
    now_ += 30000;
    wav_.Tick(now_);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 60000.0);

    // The engine thread's notice is queued; the restart happens on this thread.
    std::thread engine([&] { tick = EngineTick(world, wav_.state(), EngineTickInputs{}); });
    engine.join();
    EXPECT_TRUE(tick.endOfEntry);
    EXPECT_EQ(wav_.m_nPrerollStart, -1);  // not restarted yet
    wav_.Tick(now_);
    EXPECT_EQ(wav_.m_nPrerollStart, static_cast<std::int64_t>(now_));
    EXPECT_EQ(wav_.state().m_bEndNotified.load(), 0);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 0.0);
    wav_.Tick(now_ + 5);  // no preparation time: the program clock starts here
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 0.0);
    wav_.Tick(now_ + 12);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 7.0);
}

TEST_F(MusicWavTest, EndOfPieceStepsTheMusicListWithItsModes) {
    runtime_.scene.settings.g_nPrepareTime = 0;
    CMusicList music(&wav_);
    music.Add({MusicFile("song.mp3"), "C:\\elsewhere\\OTHER.MP3"});
    wav_.SetLists(&music, nullptr);
    music.DoubleClick(0);
    wav_.state().onEndOfEntry(1);
    wav_.Tick(now_);
    EXPECT_EQ(music.m_nCurrent, 1);
    EXPECT_EQ(wav_.m_strCurrent, MusicFile("other.mp3"));  // case-insensitive fallback
    ASSERT_EQ(player_->opened.size(), 2u);
    // The show of the piece before was written back (unchanged: no question).
    EXPECT_TRUE(prompter_.questions.empty());
}

TEST_F(MusicWavTest, StartingTheNextEntrySavesAModifiedShowAfterAsking) {
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    runtime_.show.m_bModified = true;
    runtime_.show.blocks.at(0).end = 30;
    ASSERT_TRUE(wav_.StartEntry(MusicFile("other.mp3"), 0, {}));
    EXPECT_EQ(prompter_.questions, std::vector<std::string>{"是否保存被修改的文件？"});
    Runtime check{Workspace(dir_.path())};
    ASSERT_TRUE(check.LoadShowFile(dir_.path() / "Music" / "song.mp3.tlf"));
    ASSERT_EQ(check.show.blocks.size(), 1u);
    EXPECT_FLOAT_EQ(check.show.blocks[0].end, 30.0f);
}

TEST_F(MusicWavTest, AShowThatCannotBeSavedOrReadIsToldNotJustLogged) {
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    // The next entry's show is unreadable (a folder where the file should be).
    std::filesystem::create_directories(dir_.path() / "Music" / "other.mp3.tlf");
    ASSERT_TRUE(wav_.StartEntry(MusicFile("other.mp3"), 0, {}));
    ASSERT_EQ(prompter_.messages.size(), 1u);
    EXPECT_EQ(prompter_.messages[0].rfind(kShowNotReadMessage, 0), 0u) << prompter_.messages[0];
    EXPECT_TRUE(runtime_.show.blocks.empty());  // the music plays on an empty show

    // Leaving it: its show cannot be written back either, and the operator hears so.
    runtime_.show.m_bModified = true;
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    ASSERT_EQ(prompter_.messages.size(), 2u);
    EXPECT_EQ(prompter_.messages[1].rfind(kShowNotSavedMessage, 0), 0u) << prompter_.messages[1];

    // Answering No is no failure and tells nothing.
    prompter_.SetAnswer(false);
    runtime_.show.m_bModified = true;
    ASSERT_TRUE(wav_.StartEntry(MusicFile("other.mp3"), 0, {}));
    EXPECT_EQ(prompter_.messages.size(), 3u);  // only the unreadable show again
}

TEST_F(MusicWavTest, MissingFileChangesNothing) {
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    Advance(3000);
    const double position = wav_.state().m_dPlayPos.load();
    EXPECT_FALSE(wav_.StartEntry("/gone/nothing.mp3", 0, {}));
    EXPECT_FALSE(wav_.StartEntry("D:\\gone\\nothing.prog", 1, {}));
    EXPECT_EQ(wav_.m_bProgramMode, 0);  // a failed program start leaves music mode
    EXPECT_EQ(wav_.m_strCurrent, MusicFile("song.mp3"));
    ASSERT_EQ(runtime_.show.blocks.size(), 1u);  // the previous show stays loaded
    Advance(5);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), position + 5);
}

TEST_F(MusicWavTest, ScaleChangeRescalesBlocksKeepingTheirTimes) {
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    ASSERT_TRUE(wav_.SetScale(25));
    EXPECT_EQ(runtime_.show.m_nScale, 25);
    EXPECT_FLOAT_EQ(runtime_.show.blocks[0].start, 20.0f);
    EXPECT_FLOAT_EQ(runtime_.show.blocks[0].end, 40.0f);
    EXPECT_FALSE(wav_.SetScale(0));
    EXPECT_EQ(runtime_.show.m_nScale, 25);
    // A new scale redraws the wave picture and scrolls the views home.
    wav_.m_nScrollOffset = 300;
    wav_.m_bPictureDirty = false;
    ASSERT_TRUE(wav_.SetScale(10));
    EXPECT_EQ(wav_.m_nScrollOffset, 0);
    EXPECT_TRUE(wav_.m_bPictureDirty);
}

TEST_F(MusicWavTest, SeekKeepsPlayingOnlyIfItWasPlaying) {
    runtime_.scene.settings.g_nPrepareTime = 0;
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    wav_.Tick(now_);
    wav_.SeekTo(50000);
    Advance(100);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 50100.0);
    wav_.PlayPause();
    EXPECT_EQ(wav_.m_bClockRunning, 0);
    wav_.SeekTo(1000);
    Advance(100);
    EXPECT_FALSE(player_->playing);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 1000.0);
}

TEST_F(MusicWavTest, MusicClockRunsExactlyWhileTheMusicPlays) {
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    EXPECT_TRUE(wav_.Advancing());  // the preparation time runs
    Advance(2100);
    ASSERT_TRUE(player_->playing);
    EXPECT_EQ(wav_.m_bClockRunning, 1);
    EXPECT_TRUE(wav_.Advancing());
    wav_.PlayPause();
    Advance(5);
    EXPECT_EQ(wav_.m_bClockRunning, 0);
    EXPECT_FALSE(wav_.Advancing());
    player_->Play();  // played from elsewhere: the next update sees it
    Advance(5);
    EXPECT_EQ(wav_.m_bClockRunning, 1);
}

TEST_F(MusicWavTest, SeekInShowTimeLandsWhereTheViewsDrawIt) {
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    Advance(2100);
    wav_.SeekToShowTime(10000);
    Advance(5);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 10005.0);
    wav_.SeekToShowTime(500);  // inside the preparation: the music's start
    EXPECT_DOUBLE_EQ(player_->seeks.back(), 0.0);
    EXPECT_TRUE(player_->playing);

    ASSERT_TRUE(wav_.StartEntry((dir_.path() / "Program" / "P.prog").string(), 1, {1000, 60000, 64}));
    Advance(2005);
    wav_.SeekToShowTime(7000);
    wav_.PlayPause();  // stop the program clock so the position holds
    Advance(5);
    EXPECT_EQ(wav_.m_nClockAccum, 5000);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 7000.0);
}

TEST_F(MusicWavTest, ClockDifferencesWrapModulo2To32) {
    runtime_.scene.settings.g_nPrepareTime = 5000;
    now_ = 0xFFFFFC18u;  // 1000 ms before the 32-bit clock wraps
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    wav_.Tick(now_ + 3000u);  // wraps past 0
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 3000.0);
    wav_.Tick(now_ - 10u);  // a stale reading counts as no time, not as 49 days
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 0.0);
}

TEST(MusicWavPlayerTest, RealPlayerAndAnalysisFollowTheMusic) {
    setenv("VELMORA_AUDIO", "null", 1);
    ScratchDir dir;
    const auto source = testing::SourceDir() / "tests" / "media" / "fixtures" / "short.mp3";
    std::filesystem::create_directories(dir.path() / "Music");
    std::filesystem::copy_file(source, dir.path() / "Music" / "short.mp3");
    Runtime runtime{Workspace(dir.path())};
    RecordingPrompter prompter;
    CMusicWav wav(runtime, prompter);
    std::vector<double> progress;
    wav.SetAnalysisProgress([&](double f) { progress.push_back(f); });
    ASSERT_TRUE(wav.StartEntry("short.mp3", 0, {}));  // found in Music/
    EXPECT_FALSE(wav.state().Records()->empty());
    ASSERT_FALSE(progress.empty());
    EXPECT_DOUBLE_EQ(progress.back(), 1.0);
    EXPECT_GT(wav.state().m_dLength.load(), 0.0);
    wav.Tick();
    EXPECT_EQ(wav.PlayerMode(), "playing");
    EXPECT_TRUE(testing::WaitFor(
        [&] {
            wav.Tick();
            return wav.state().m_dPlayPos.load() >= 150.0;
        },
        std::chrono::seconds(3), std::chrono::milliseconds(5)));
}

// The next entry's clock goes in with its show: while the new show's motor
// actions are compiled the engine still sees the old entry's position and
// length (the caches' clock is read in the middle of that compile, which is
// where they are checked), and afterwards the new ones.
TEST_F(MusicWavTest, NextEntrysClockChangesWithItsShow) {
    CSpring spring;
    spring.ID = 7;
    runtime_.scene.springs.push_back(spring);
    runtime_.scene.Reindex();
    dir_.Write("Music/other.mp3.tlf",
               "[TimeLine]\nLayerCount=1\nly0_GroupID=7\nly0_type=1\nTimeBlockCount=1\nTB0_start=2\n"
               "TB0_end=100\nTB0_nSpecicalType=1\nTB0_szMotor=gone.motor\n");
    ASSERT_TRUE(wav_.StartEntry(MusicFile("song.mp3"), 0, {}));
    Advance(5000);
    const double oldPosition = wav_.state().m_dPlayPos.load();
    ASSERT_GT(oldPosition, 4000.0);

    int checks = 0;
    bool clockChangedEarly = false;
    runtime_.caches.SetClock([&] {
        ++checks;
        // Read again once the show is in (its assets are prepared then): only
        // a change while the old show still plays is early.
        const bool newShow = !runtime_.show.blocks.empty() && runtime_.show.blocks[0].szMotor == "gone.motor";
        if (!newShow && wav_.state().m_dPlayPos.load() != oldPosition) clockChangedEarly = true;
        return std::uint32_t{0};
    });
    ASSERT_TRUE(wav_.StartEntry(MusicFile("other.mp3"), 0, {}));
    runtime_.caches.SetClock([this] { return now_; });
    EXPECT_GT(checks, 0);  // the check above did run
    EXPECT_FALSE(clockChangedEarly);
    EXPECT_DOUBLE_EQ(wav_.state().m_dPlayPos.load(), 0.0);
    ASSERT_EQ(runtime_.show.blocks.size(), 1u);
    EXPECT_EQ(runtime_.show.blocks[0].szMotor, "gone.motor");
}

}  // namespace
}  // namespace velmora
