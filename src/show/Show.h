#pragma once
// The one show open in the timeline: a fixed stack of layers and a flat list
// of time blocks in file order, with the scale at which block positions are
// held (ms per timeline unit; files always hold scale 50).
//
// Thread contract: one owner thread (the UI's, or the CLI main thread) edits
// the open show; while the engine runs, every edit of what it reads (layers,
// blocks, the scale, the multiplier) and every replacement of the show
// happens under the output lock, and the engine reads the show only under
// it. The assets its blocks name are prepared from it on the owner thread
// and published with it (engine/ShowAssets.h). A save also holds the lock.

#include <cstdint>
#include <vector>

#include "show/Layer.h"
#include "show/TimeBlock.h"

namespace velmora {

class Show {
public:
    static constexpr std::int32_t kFileScale = 50;
    static constexpr std::int32_t kDefaultLayerCount = 200;
    static constexpr float kDefaultMusicMultiplier = 2.0f;
    // Counts beyond these are damage, not a show; loading caps them and logs it.
    static constexpr std::int32_t kMaxLayers = 100000;
    static constexpr std::int32_t kMaxBlocks = 100000;

    std::vector<Layer> layers;
    std::vector<TimeBlock> blocks;
    float g_fMusicMultiplier = kDefaultMusicMultiplier;  // "mutiMusic"
    std::int32_t m_nScale = kFileScale;                  // ms per timeline unit
    // Mirrors the show document's modified flag (the document sets it);
    // read by the save question.
    bool m_bModified = false;

    // Rescales every block by old / new and keeps the new scale. A scale
    // below 1 is refused (returns false) since positions would become infinite.
    bool SetScale(std::int32_t newScale);

    // The empty show of a missing file: 200 unbound layers, no blocks, multiplier 2.
    void Reset();
};

}  // namespace velmora
