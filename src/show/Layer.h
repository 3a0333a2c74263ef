#pragma once
#include <cstdint>
#include <string>

namespace velmora {

enum LayerType : std::int32_t { kLayerGroup = 0, kLayerSpring = 1, kLayerProgram = 2 };

// One row of the timeline, bound to a group, a spring or the program channel.
struct Layer {
    std::string name;             // rebuilt from the scene on loading
    std::int32_t GroupID = -1;    // group ID (type 0) or spring ID (type 1)
    std::int32_t type = kLayerGroup;
    std::int32_t m_bArmed = 0;    // armed for live recording, not stored
};

}  // namespace velmora
