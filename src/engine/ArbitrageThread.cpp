#include "engine/ArbitrageThread.h"

#include "app/Clock.h"
#include "app/Log.h"
#include "comm/OutputWrites.h"
#include "engine/Pacer.h"

namespace velmora {

CArbitrageThread::CArbitrageThread(EngineWorld world, const std::atomic<std::int32_t>& handMode,
                                   Published published)
    : world_(world), handMode_(handMode), published_(published) {
    // Nothing plays until an entry starts: the idle clock has no length, so
    // it never hands an end of entry over.
    idle_.m_dLength.store(0.0);
}

CArbitrageThread::~CArbitrageThread() {
    WaitForBodiesToEnd();
}

void CArbitrageThread::Run() {
    m_nStartMs.store(GetClockMs());
    lastTickEnd_ = m_nStartMs.load();
    for (;;) {
        Tick();
        if (StopRequested()) return;
        if (!SuspendSelf()) return;
    }
}

void CArbitrageThread::Tick() {
    PlaybackState* music = m_pMusic.load();
    PlaybackState& playback = music != nullptr ? *music : idle_;
    float lateness = 0.0f;
    if (const CPacer* pacer = m_pPacer.load(); pacer != nullptr) {
        const std::int64_t deadline = pacer->LastEngineDeadlineNs();
        const std::int64_t late = MonotonicNs() - deadline;
        if (deadline > 0 && late > 0) lateness = static_cast<float>(static_cast<double>(late) / 1e6);
    }

    EngineTickInputs inputs;
    inputs.handMode = handMode_.load() == 1;
    inputs.clockMs = GetClockMs();
    inputs.startMs = m_nStartMs.load();
    inputs.nowMinute = LocalMinuteOfDay();
    // Whether the log file exists is looked at once a second, not on every
    // pass: the probe is a file-system call and takes the log's lock.
    if (!logProbed_ || inputs.clockMs - lastLogProbe_ >= kLogProbeMs) {
        logEnabled_ = LogEnabled();
        lastLogProbe_ = inputs.clockMs;
        logProbed_ = true;
    }
    inputs.logEnabled = logEnabled_;
    inputs.g_nEngineElapsed = published_.g_nEngineElapsed.load();
    inputs.capture = &snapshots_;

    const EngineTickResult result = EngineTick(world_, playback, inputs);

    m_dPosition.store(result.position);
    published_.g_dPlayheadUnits.store(result.g_dPlayheadUnits);
    published_.g_nEngineElapsed.store(result.g_nEngineElapsed);
    // The effective period: from the end of the previous tick to the end of
    // this one, on the wrapping 32-bit clock.
    const std::uint32_t end = GetClockMs();
    const auto period = static_cast<float>(end - lastTickEnd_);
    playback.m_fTickPeriod.store(period);
    lastTickEnd_ = end;
    lastTicks_[1] = lastTicks_[0];
    lastTicks_[0] = TickRecord{ticks_.load() + 1, result.position, result.level, inputs.nowMinute,
                               inputs.clockMs - inputs.startMs, result.g_nEngineElapsed};
    snapshots_.Publish(ticks_.load() + 1, period, lateness);
    ticks_.fetch_add(1);
}

}  // namespace velmora
