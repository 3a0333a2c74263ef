#include "show/Show.h"

namespace velmora {

bool Show::SetScale(std::int32_t newScale) {
    if (newScale < 1) return false;
    // A scale below 1 can only come from a direct assignment; its positions
    // have no meaning in milliseconds, so they are kept rather than zeroed.
    if (m_nScale >= 1 && m_nScale != newScale) {
        // The factor and the products stay float: the engine's timings are
        // truncated from these exact float values.
        const float factor = static_cast<float>(m_nScale) / static_cast<float>(newScale);
        for (TimeBlock& block : blocks) {
            block.start *= factor;
            block.end *= factor;
        }
    }
    m_nScale = newScale;
    return true;
}

void Show::Reset() {
    layers.assign(static_cast<std::size_t>(kDefaultLayerCount), Layer{});
    blocks.clear();
    g_fMusicMultiplier = kDefaultMusicMultiplier;
    m_nScale = kFileScale;
    m_bModified = false;
}

}  // namespace velmora
