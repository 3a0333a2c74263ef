#pragma once
// Everything one engine tick reads besides the show, fixed at the start of
// the tick so that a tick is a pure function of its inputs (tests and the
// render command inject the clock and the time of day), and the values the
// tick publishes.
//
// Thread contract: built and used on the engine thread (or a test's), inside
// the output lock.

#include <cstdint>

#include "app/Config.h"
#include "comm/OutputWrites.h"

namespace velmora {

class Scene;
class ShowAssets;
class TickLog;

struct TickContext {
    OutputTarget out;            // channel table and image
    Scene& scene;
    const ShowAssets& assets;    // every asset of the show, prepared before the tick
    NightWindow night;           // light operating window
    std::int32_t nowMinute = 0;  // local minute of the day, for the window
    double position = 0.0;       // P: the music position, ms
    std::int32_t scale = 50;     // ms per timeline unit
    bool handMode = false;       // g_bHandMode
    float musicMultiplier = 2.0f;  // g_fMusicMultiplier of the open show
    std::uint32_t clockMs = 0;   // GetClockMs() for this tick
    std::uint32_t startMs = 0;   // m_nStartMs of the engine
    std::int32_t systemInterval = 2000;  // SystemInterval, ms per system colour
    bool logEnabled = false;     // the log file existed at the start of the tick
    // Where the tick's log lines wait until the output lock is released;
    // null: written at once (a direct call outside a tick).
    TickLog* log = nullptr;

    // Published: ms since startMs, refreshed whenever a system colour is computed.
    std::int32_t g_nEngineElapsed = 0;
};

}  // namespace velmora
