#pragma once
// One tick of the real-time engine: the music level, the end-of-entry
// hand-over, then, under the output lock, the whole output image rebuilt
// from the show at the playback position (or from the hand-panel requests).
// A plain function of its inputs: the engine thread only paces it, and tests,
// benchmarks and the render command call it directly with their own clock.
//
// Thread contract: one caller at a time (the engine thread, or a test's or
// the CLI's main thread while no engine thread runs). Takes the output lock
// itself; must not be called with it held. Nothing inside allocates, reads a
// file or takes another lock: the show's assets were prepared beforehand.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

#include "app/Config.h"
#include "comm/ChannelImage.h"
#include "engine/PlaybackState.h"
#include "show/Show.h"

namespace velmora {

class EngineSnapshotBuffer;
class Scene;
class ShowAssets;

// What the runtime owns and a tick works on.
struct EngineWorld {
    Scene& scene;
    const Show& show;  // the open show; read under outputLock
    // The prepared assets of the open show (PrepareShowAssets); replaced
    // only under outputLock, read by the tick under it. Null: none yet.
    const std::shared_ptr<const ShowAssets>& assets;
    OutputImage& image;
    std::mutex& outputLock;  // g_csOutput
    const NightWindow& night;
};

// The values a tick samples once at its start.
struct EngineTickInputs {
    bool handMode = false;          // g_bHandMode
    std::uint32_t clockMs = 0;      // GetClockMs() now
    std::uint32_t startMs = 0;      // m_nStartMs
    std::int32_t nowMinute = 0;     // local minute of the day, for the light window
    bool logEnabled = false;        // whether the log file exists
    std::int32_t g_nEngineElapsed = 0;  // the value published so far
    // A level that replaces the music level (outside hand mode); none = follow the music.
    std::optional<std::int32_t> fixedLevel;
    // Where the springs' and groups' new state is captured, still under the
    // output lock, for the caller to publish; none = no capture.
    EngineSnapshotBuffer* capture = nullptr;
};

struct EngineTickResult {
    double position = 0.0;          // m_dPosition: the position the tick evaluated
    std::int32_t level = 0;         // L
    double g_dPlayheadUnits = 0.0;  // position / scale
    std::int32_t g_nEngineElapsed = 0;
    bool endOfEntry = false;        // the hand-over was made on this tick
};

EngineTickResult EngineTick(EngineWorld& world, PlaybackState& playback, const EngineTickInputs& inputs);

}  // namespace velmora
