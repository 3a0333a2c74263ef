#pragma once
// The real-time engine thread: one engine tick per wake-up. The pacer wakes
// it once every 21 ms (Resume); each pass runs the tick, tests the stop
// signal and suspends itself, so a late pass is never made up and passes
// never queue.
//
// Members are grouped by the thread that owns them.

#include <array>
#include <atomic>
#include <cstdint>

#include "app/Thread.h"
#include "engine/EngineSnapshot.h"
#include "engine/EngineTick.h"
#include "engine/PlaybackState.h"

namespace velmora {

class CPacer;

class CArbitrageThread : public Thread {
public:
    // What the engine publishes for the UI and the pacer's owner; written
    // by the engine thread, read by any thread as latest values.
    struct Published {
        std::atomic<std::int32_t>& g_nEngineElapsed;  // ms since m_nStartMs, at the last system colour
        std::atomic<double>& g_dPlayheadUnits;       // position / scale
    };

    // `handMode` is g_bHandMode (1 = hand mode), read once per tick.
    CArbitrageThread(EngineWorld world, const std::atomic<std::int32_t>& handMode, Published published);
    ~CArbitrageThread() override;

    // Thread contract: owner thread, before Start (a change while running
    // takes effect from the next tick). The playback clock to follow; with
    // none the engine holds position 0 and still serves the hand panel.
    void SetMusic(PlaybackState* music) { m_pMusic.store(music); }
    PlaybackState* music() const { return m_pMusic.load(); }

    // Thread contract: owner thread, any time. The pacer that wakes the
    // engine; each tick measures its lateness against the pacer's grid point.
    // With none the published lateness is 0.
    void SetPacer(const CPacer* pacer) { m_pPacer.store(pacer); }

    // The state views draw, published after every tick. Thread contract:
    // Read from any thread; Reserve as EngineSnapshotBuffer says (owner
    // thread, output lock held).
    const EngineSnapshotBuffer& snapshots() const { return snapshots_; }
    EngineSnapshotBuffer& snapshots() { return snapshots_; }

    // Thread contract: any thread. Ticks run so far, and the position the last one evaluated.
    std::uint64_t ticks() const { return ticks_.load(); }
    double position() const { return m_dPosition.load(); }
    // GetClockMs() when the body started.
    std::uint32_t startMs() const { return m_nStartMs.load(); }

    // What one tick evaluated: enough to run the same tick again elsewhere
    // (the render command takes position, level, time of day and engine clock).
    struct TickRecord {
        std::uint64_t number = 0;           // 1 for the first tick; 0: no such tick
        double position = 0.0;              // m_dPosition
        std::int32_t level = 0;             // L
        std::int32_t nowMinute = 0;         // local minute of the day the light window saw
        std::uint32_t elapsed = 0;          // GetClockMs() - m_nStartMs at the tick
        std::int32_t g_nEngineElapsed = 0;  // the published value after the tick
    };
    // Thread contract: owner thread, once the body has ended (after Stop, and
    // not when Stop abandoned it). The last two ticks, the newest first: a
    // sender's last pass copied the image of one of them.
    std::array<TickRecord, 2> LastTicks() const { return lastTicks_; }

protected:
    void Run() override;

private:
    void Tick();

    // Set by the owner, read by the engine thread.
    std::atomic<PlaybackState*> m_pMusic{nullptr};
    std::atomic<const CPacer*> m_pPacer{nullptr};
    EngineWorld world_;
    const std::atomic<std::int32_t>& handMode_;
    Published published_;

    // Written by the engine thread, readable anywhere.
    std::atomic<double> m_dPosition{0.0};
    std::atomic<std::uint32_t> m_nStartMs{0};
    std::atomic<std::uint64_t> ticks_{0};

    // Engine thread only.
    PlaybackState idle_;  // followed when no playback clock is linked
    std::uint32_t lastTickEnd_ = 0;
    static constexpr std::uint32_t kLogProbeMs = 1000;
    bool logProbed_ = false;
    bool logEnabled_ = false;
    std::uint32_t lastLogProbe_ = 0;
    std::array<TickRecord, 2> lastTicks_{};

    // Filled by the engine thread, read by the views.
    EngineSnapshotBuffer snapshots_;
};

}  // namespace velmora
