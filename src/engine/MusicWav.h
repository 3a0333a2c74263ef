#pragma once
// The playback object: plays the music of the running entry, publishes the
// show position the engine follows, starts entries (saving the open show,
// analysing the music, loading the entry's show), runs the preparation time
// and the program clock, and hands the engine's end-of-entry notice to the
// list that started the entry. The wave view and the transport draw and
// drive this state; they hold no logic of their own.
//
// Thread contract: everything here runs on the owner's thread (the UI's, or
// the CLI main loop's), which calls Tick every 5 ms, except what the engine
// thread reaches through `state()` (single atomic values) and the
// end-of-entry hand-over, which only queues.

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "engine/EntryShowHost.h"
#include "engine/PlaybackState.h"
#include "media/EntryStarter.h"

namespace velmora {

class CMusicList;
class CProgramList;
class Prompter;

// What the playback object needs of a music player (the MCI window of old):
// MusicPlayer in the program, a scripted fake in tests.
class PlayerControl {
public:
    virtual ~PlayerControl() = default;
    virtual bool Open(const std::filesystem::path& path) = 0;
    virtual void Play() = 0;
    virtual void Pause() = 0;
    virtual bool Seek(double ms) = 0;
    virtual std::string Mode() const = 0;  // "playing" while it plays
    virtual double Position() const = 0;   // ms
    virtual double Length() const = 0;     // ms
};

// Told when starting an entry could not save the open show, or could not
// read the new entry's show; the reason follows.
inline constexpr const char* kShowNotSavedMessage = "节目文件没有保存：";
inline constexpr const char* kShowNotReadMessage = "节目文件无法读取，音乐照常播放但没有喷泉动作：";

class CMusicWav : public EntryStarter {
public:
    using Clock = std::function<std::uint32_t()>;
    using PlayerFactory = std::function<std::unique_ptr<PlayerControl>()>;
    using Progress = std::function<void(double fraction)>;
    // Loudness records of a music file, reporting progress 0..1 on the way.
    using Analyser = std::function<SpectrumList(const std::filesystem::path&, const Progress&)>;

    static constexpr std::uint32_t kUpdatePeriodMs = 5;
    static constexpr const char* kPlayingMode = "playing";
    // A program entry never gets more level records than this, whatever its file says.
    static constexpr std::size_t kMaxProgramRecords = 1'000'000;

    // Null arguments take the real ones: GetClockMs, a MusicPlayer (sound
    // device or null output), the analysis of the "等待" dialog.
    CMusicWav(EntryShowHost& host, Prompter& prompter, Clock clock = nullptr, PlayerFactory players = nullptr,
              Analyser analyser = nullptr);
    ~CMusicWav() override;
    CMusicWav(const CMusicWav&) = delete;
    CMusicWav& operator=(const CMusicWav&) = delete;

    // The lists the end-of-entry notice goes to (music mode / program mode).
    // Set on the owner thread, at any time; used by ProcessPending on it.
    void SetLists(CMusicList* music, CProgramList* programs);
    // Where the question before saving a modified show goes. Set on the
    // owner thread, at any time; asked on the owner thread (StartEntry).
    void SetPrompter(Prompter& prompter) { prompter_ = &prompter; }
    // Called on the owner thread, inside StartEntry, with the analysis
    // progress while an entry's music is analysed. Set on the owner thread
    // while no entry is being started.
    void SetAnalysisProgress(Progress progress) { progress_ = std::move(progress); }
    // Replaces how an entry's music is analysed (the desktop program shows
    // the "等待" dialog). Set on the owner thread while no entry is being started.
    void SetAnalyser(Analyser analyser) { if (analyser) analyser_ = std::move(analyser); }
    // Called on the engine thread, inside its tick before it takes the
    // output lock, when an end-of-entry notice was queued, so an
    // event-driven owner can schedule ProcessPending at once: it must only
    // schedule (post an event), never wait or take a lock. Set on the owner
    // thread before the engine starts (CArbitrageThread::Start), never while
    // it runs.
    void SetWakeOwner(std::function<void()> wake) { wakeOwner_ = std::move(wake); }

    // Starts a music (programMode 0) or program-control (1) entry. False,
    // changing nothing, when neither `path` nor the file of that name in the
    // Music/Program folder exists.
    bool StartEntry(const std::string& path, int programMode, const ProgramSettings& settings) override;
    // The file StartEntry would open for `path`: the path itself, else the
    // file of that name in the Music/Program folder; nullopt when neither
    // exists (the list windows mark such entries).
    std::optional<std::filesystem::path> Locate(const std::string& path, int programMode) const;

    // Whether a StartEntry is under way (its question or analysis may run an
    // event loop on this thread): Tick and ProcessPending wait until it ends,
    // and a second StartEntry is refused.
    bool starting() const { return starting_; }

    // The 5 ms update: delivers a queued end-of-entry notice, ends the
    // preparation time when it is over, and refreshes the show position.
    void Tick(std::uint32_t nowMs);
    void Tick() { Tick(clock_()); }
    // Delivers a queued end-of-entry notice to the list that started the entry.
    void ProcessPending();

    // Seek to music/program time `ms`, keeping the play state.
    void SeekTo(double ms);
    // Seek from a view drawn in show time (the wave view, the progress
    // strip): show time t is music time t - g_nPrepareTime, so the position
    // lands where the operator clicked; times inside the preparation go to 0.
    void SeekToShowTime(double showMs);
    // The transport's play/pause; nothing before a player exists.
    void PlayPause();
    // New timeline scale (ms per unit): the show's blocks are rescaled with
    // it, the wave picture is redrawn and the views scroll back to the start.
    bool SetScale(std::int32_t scale);
    // Whether the show position moves on its own: an entry runs and is in
    // its preparation time, or its music or program clock runs.
    bool Advancing() const { return m_bPlaying && (m_nPrerollStart != -1 || m_bClockRunning == 1); }

    PlaybackState& state() { return state_; }
    const PlaybackState& state() const { return state_; }
    bool HasPlayer() const { return player_ != nullptr; }
    // "playing", "paused", ...; empty before a player exists.
    std::string PlayerMode() const;

    // Owner-thread state (the wave view and the transport read it).
    std::int32_t m_bProgramMode = 0;
    std::string m_strCurrent;
    std::int64_t m_nPrerollStart = -1;  // clock value at the start; -1 once running
    std::int32_t m_bClockRunning = 0;   // the program clock runs; in music mode, the music plays
    std::uint32_t m_nClockLast = 0;
    std::int32_t m_nClockAccum = 0;
    ProgramSettings m_programSettings;
    bool m_bPictureDirty = true;  // the wave view's cached picture must be rebuilt
    bool m_bPlaying = false;      // an entry has been started
    std::int32_t m_nScrollOffset = 0;     // the wave view's and timeline's horizontal offset, pixels
    std::uint32_t m_nEntriesStarted = 0;  // successful starts, for status displays

private:
    PlayerControl& Player();
    void EndPreparation(std::uint32_t nowMs);
    void UpdatePosition(std::uint32_t nowMs);
    double PrepareTime() const;
    static std::uint32_t Since(std::uint32_t nowMs, std::int64_t start);

    EntryShowHost& host_;
    Prompter* prompter_;
    Clock clock_;
    PlayerFactory players_;
    Analyser analyser_;
    Progress progress_;
    std::function<void()> wakeOwner_;
    CMusicList* musicList_ = nullptr;
    CProgramList* programList_ = nullptr;
    std::unique_ptr<PlayerControl> player_;  // created on first use
    bool preparationArmed_ = false;          // the one-shot timer of the preparation time
    bool starting_ = false;                  // inside StartEntry

    // Shared with the engine thread.
    PlaybackState state_;
    std::atomic<bool> endPending_{false};
    std::atomic<int> endDirection_{1};
};

// The loudness records of `path` through the "等待" dialog's logic, ticking
// it every 70 ms and reporting its progress.
SpectrumList AnalyseWithProgress(const std::filesystem::path& path, const CMusicWav::Progress& progress);

}  // namespace velmora
