#pragma once
// What the playback clock shares with the real-time engine: the show
// position and length, the music level records of the
// running entry, the end-of-entry flag and hand-over, and the engine's last
// tick period for display.
//
// Thread contract: the playback clock (UI or CLI main thread) writes the
// position, length and records; the engine thread reads them without
// a lock, so each is a single atomic value. The records are replaced as a
// whole (a new immutable list), so a tick never sees a half-written list.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "media/Mp3Analyser.h"

namespace velmora {

using spectum = CMP3Player::spectum;
using SpectrumList = std::vector<spectum>;

struct PlaybackState {
    std::atomic<double> m_dPlayPos{0.0};       // the show position, ms
    std::atomic<double> m_dLength{100000.0};   // length of the running entry incl. preparation, ms
    std::atomic<std::int32_t> m_bEndNotified{0};
    std::atomic<float> m_fTickPeriod{0.0f};    // written by the engine each tick, ms

    // The music level records of the running entry (never null).
    std::shared_ptr<const SpectrumList> Records() const { return records_.load(); }
    void SetRecords(std::shared_ptr<const SpectrumList> records) {
        records_.store(records ? std::move(records) : std::make_shared<const SpectrumList>());
    }

    // The end-of-entry hand-over (message 10025, wParam 1) to the list that
    // started the entry. Called on the engine thread, inside its tick before
    // it takes the output lock; the owner must hand it to its own thread
    // (queue it) or handle it without taking a lock the engine may hold.
    // Set on the owner thread before the engine follows this state
    // (CArbitrageThread::SetMusic, Start), never while it runs: the engine
    // reads it without a lock. CMusicWav sets it in its constructor.
    std::function<void(int direction)> onEndOfEntry;

private:
    std::atomic<std::shared_ptr<const SpectrumList>> records_{std::make_shared<const SpectrumList>()};
};

}  // namespace velmora
