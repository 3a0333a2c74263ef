#pragma once
// What the group debug panel's parts share: the request object bound to the
// group, the engine's newest published state, and the display mode the
// toolbar chose. Owned by the dialog; its member selector and tool area
// hold a reference.
//
// Thread contract: UI thread.

#include <cstdint>

#include "engine/EngineSnapshot.h"
#include "manual/GroupDebug.h"

namespace velmora {

enum class DebugDisplayMode { Analog = 0, Switch = 1, Light = 2, Motor = 3 };

struct DebugPanelState {
    DebugPanelState(Scene& scene, std::int32_t groupId) : debug(scene, groupId) {}

    GroupDebug debug;
    EngineSnapshot snapshot;
    bool haveSnapshot = false;
    DebugDisplayMode mode = DebugDisplayMode::Analog;

    // The engine's state, or nullptr before its first published tick.
    const EngineSnapshot* Snapshot() const { return haveSnapshot ? &snapshot : nullptr; }
};

}  // namespace velmora
