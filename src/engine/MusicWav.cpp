#include "engine/MusicWav.h"

#include "app/Prompter.h"
#include "show/ShowFile.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <system_error>
#include <thread>

#include "app/Clock.h"
#include "app/Log.h"
#include "app/Workspace.h"
#include "media/MusicList.h"
#include "media/MusicPlayer.h"
#include "media/ProgramList.h"
#include "media/WaitProcess.h"

namespace velmora {

namespace {

class MusicPlayerControl final : public PlayerControl {
public:
    bool Open(const std::filesystem::path& path) override { return player_.Open(path); }
    void Play() override { player_.Play(); }
    void Pause() override { player_.Pause(); }
    bool Seek(double ms) override { return player_.Seek(ms); }
    std::string Mode() const override { return player_.Mode(); }
    double Position() const override { return player_.Position(); }
    double Length() const override { return player_.Length(); }

private:
    MusicPlayer player_;
};

bool Exists(const std::filesystem::path& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

}  // namespace

SpectrumList AnalyseWithProgress(const std::filesystem::path& path, const CMusicWav::Progress& progress) {
    WaitProcess wait({path});
    wait.Start();
    while (wait.Tick()) {
        if (progress) progress(wait.m_fProgress);
        std::this_thread::sleep_for(WaitProcess::kTickPeriod - WaitProcess::kRunningProbe);
    }
    if (progress) progress(1.0);
    if (wait.m_pPlayer && wait.m_pPlayer->m_nError != 0)
        LogMessage("MusicWav: cannot analyse %s", path.string().c_str());
    return wait.Result();
}

CMusicWav::CMusicWav(EntryShowHost& host, Prompter& prompter, Clock clock, PlayerFactory players, Analyser analyser)
    : host_(host),
      prompter_(&prompter),
      clock_(clock ? std::move(clock) : Clock(GetClockMs)),
      players_(players ? std::move(players) : PlayerFactory([] { return std::make_unique<MusicPlayerControl>(); })),
      analyser_(analyser ? std::move(analyser) : Analyser(AnalyseWithProgress)) {
    // Runs on the engine thread before it takes the output lock: only queue.
    state_.onEndOfEntry = [this](int direction) {
        endDirection_.store(direction);
        endPending_.store(true);
        if (wakeOwner_) wakeOwner_();
    };
}

CMusicWav::~CMusicWav() = default;

void CMusicWav::SetLists(CMusicList* music, CProgramList* programs) {
    musicList_ = music;
    programList_ = programs;
}

std::string CMusicWav::PlayerMode() const {
    return player_ ? player_->Mode() : std::string();
}

double CMusicWav::PrepareTime() const {
    return host_.PrepareTimeMs();
}

PlayerControl& CMusicWav::Player() {
    if (!player_) player_ = players_();
    return *player_;
}

std::optional<std::filesystem::path> CMusicWav::Locate(const std::string& path, int programMode) const {
    if (Exists(path)) return std::filesystem::path(path);
    const std::filesystem::path dir = host_.EntryFolder(programMode);
    const std::filesystem::path fallback = ResolveStored(dir, path);
    if (Exists(fallback)) return fallback;
    return std::nullopt;
}

bool CMusicWav::StartEntry(const std::string& requested, int programMode, const ProgramSettings& settings) {
    // The question before saving and the analysis dialog run event loops of
    // their own on this thread; a start asked for from inside them (a timer,
    // an end-of-entry notice) must wait, not begin a second start half-way.
    if (starting_) return false;
    starting_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{starting_};
    // The mode changes only with a start that goes ahead: a failed program
    // start must not switch a playing piece over to the program clock.
    const std::optional<std::filesystem::path> found = Locate(requested, programMode);
    if (!found) return false;
    const std::string path = found->string();
    m_bProgramMode = programMode ? 1 : 0;

    if (!m_strCurrent.empty()) {
        std::string error;
        std::filesystem::path showPath = m_strCurrent;
        showPath += ".tlf";
        // The operator must know when edits did not reach the disk: the
        // show is about to be replaced by the next entry's.
        if (!host_.SaveOpenShow(showPath, *prompter_, &error) && !error.empty() && error != kSaveDeclined) {
            LogMessage("MusicWav: %s", error.c_str());
            prompter_->Tell(std::string(kShowNotSavedMessage) + error);
        }
    }

    std::shared_ptr<const SpectrumList> records;
    if (!m_bProgramMode) {
        PlayerControl& player = Player();
        if (!player.Open(path)) LogMessage("MusicWav: cannot open %s", path.c_str());
        m_strCurrent = path;
        records = std::make_shared<const SpectrumList>(analyser_(path, progress_));
    } else {
        m_strCurrent = path;
        if (player_) player_->Pause();
        m_programSettings = settings;
        auto list = std::make_shared<SpectrumList>();
        // A cell length that is not positive would never end the list; such a
        // program gets the level over its whole length from one record.
        const double cell = settings.cellMs >= 1.0 ? settings.cellMs : std::max(settings.lengthMs, 1.0);
        const double bound = settings.lengthMs / cell + 2.0;
        for (std::size_t i = 0; static_cast<double>(i) < bound && i < kMaxProgramRecords; ++i) {
            spectum r;
            r.level = settings.level * 0.5;
            r.time = static_cast<double>(i) * cell;
            list->push_back(r);
        }
        records = std::move(list);
    }

    // The new entry's clock, records and show go in together, in one hold of
    // the output lock: the engine never evaluates the new show at the old
    // position nor the old show at the new one. The position is back at 0
    // before the end flag is cleared, so the old position can never meet the
    // new length and end the new entry at once.
    const double length = m_bProgramMode ? settings.lengthMs : Player().Length() + PrepareTime();
    std::filesystem::path showPath = path;
    showPath += ".tlf";
    std::string error;
    const bool loaded = host_.LoadOpenShow(showPath, &error, [&] {
        state_.m_dPlayPos.store(0.0);
        state_.m_dLength.store(length);
        state_.SetRecords(std::move(records));
    });
    if (!loaded) {
        // The music plays on without outputs; say why rather than leave a
        // silent fountain unexplained.
        LogMessage("MusicWav: %s", error.c_str());
        prompter_->Tell(std::string(kShowNotReadMessage) + error);
    }

    m_bPictureDirty = true;
    m_nScrollOffset = 0;
    m_bPlaying = true;
    state_.m_bEndNotified.store(0);
    endPending_.store(false);  // a notice for the entry before is void now

    m_nPrerollStart = clock_();
    preparationArmed_ = true;
    ++m_nEntriesStarted;
    return true;
}

void CMusicWav::EndPreparation(std::uint32_t nowMs) {
    preparationArmed_ = false;
    m_nPrerollStart = -1;
    if (m_bProgramMode) {
        m_nClockLast = nowMs;
        m_bClockRunning = 1;
        m_nClockAccum = 0;
    } else if (player_) {
        const auto records = state_.Records();
        player_->Seek(records->empty() ? 0.0 : records->front().time);
        player_->Play();
    }
}

// Milliseconds since `start` on the wrapping 32-bit clock: the difference is
// taken modulo 2^32, so a clock that wrapped since the start still counts
// forward. A reading from before the start (a stale `now`) counts as 0
// instead of as 49 days, which would end the entry at once.
std::uint32_t CMusicWav::Since(std::uint32_t nowMs, std::int64_t start) {
    const std::uint32_t elapsed = nowMs - static_cast<std::uint32_t>(start);
    return elapsed > 0x7fffffffu ? 0u : elapsed;
}

void CMusicWav::UpdatePosition(std::uint32_t nowMs) {
    if (m_nPrerollStart != -1) {
        state_.m_dPlayPos.store(static_cast<double>(Since(nowMs, m_nPrerollStart)));
    } else if (m_bProgramMode) {
        if (m_bClockRunning) {
            m_nClockAccum += static_cast<std::int32_t>(Since(nowMs, m_nClockLast));
            m_nClockLast = nowMs;
        }
        state_.m_dPlayPos.store(static_cast<double>(m_nClockAccum) + PrepareTime());
    } else {
        state_.m_dPlayPos.store((player_ ? player_->Position() : 0.0) + PrepareTime());
        // The music's clock runs exactly while the music plays, so the
        // transport tells the truth after a start, at the end of a piece and
        // after a pause from anywhere.
        m_bClockRunning = player_ && player_->Mode() == kPlayingMode ? 1 : 0;
    }
}

void CMusicWav::Tick(std::uint32_t nowMs) {
    if (starting_) return;  // the start in progress sets the clock itself
    if (preparationArmed_ && m_nPrerollStart != -1 && static_cast<double>(Since(nowMs, m_nPrerollStart)) >= PrepareTime())
        EndPreparation(nowMs);
    UpdatePosition(nowMs);
    // Last: a start made from here reads the clock itself, after `nowMs`.
    ProcessPending();
}

void CMusicWav::ProcessPending() {
    if (starting_) return;  // delivered by the first Tick after the start
    if (!endPending_.exchange(false)) return;
    const int direction = endDirection_.load();
    if (m_bProgramMode) {
        if (programList_) programList_->OnEndOfEntry(direction);
    } else if (musicList_) {
        musicList_->OnEndOfEntry(direction);
    }
}

void CMusicWav::SeekTo(double ms) {
    if (!std::isfinite(ms)) return;
    if (m_bProgramMode) {
        m_nClockAccum = static_cast<std::int32_t>(std::clamp(ms, -2147483648.0, 2147483647.0));
        return;
    }
    if (!player_) return;
    const bool wasPlaying = player_->Mode() == kPlayingMode;
    player_->Seek(ms);
    if (wasPlaying) player_->Play();
}

void CMusicWav::SeekToShowTime(double showMs) {
    if (!std::isfinite(showMs)) return;
    SeekTo(std::max(0.0, showMs - PrepareTime()));
}

void CMusicWav::PlayPause() {
    // The program clock needs no player: a program started before any music
    // can still be paused.
    if (m_bProgramMode) {
        if (m_bClockRunning == 1) {
            m_bClockRunning = 0;
        } else {
            m_bClockRunning = 1;
            m_nClockLast = clock_();
        }
        return;
    }
    if (!player_) return;
    if (player_->Mode() == kPlayingMode) {
        player_->Pause();
        m_bClockRunning = 0;
    } else {
        player_->Play();
        m_bClockRunning = 1;
        m_nClockLast = clock_();
    }
}

bool CMusicWav::SetScale(std::int32_t scale) {
    if (!host_.SetShowScale(scale)) return false;
    m_bPictureDirty = true;
    m_nScrollOffset = 0;
    return true;
}

}  // namespace velmora
