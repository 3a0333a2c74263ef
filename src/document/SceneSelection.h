#pragma once
// What the scene's views have selected: springs (canvas, debug panel) and
// groups (group element panel), kept by ID so that adding or deleting other
// records never shifts it, plus the drag of the canvas in progress. View
// state: never stored, never marks the scene modified.
//
// Springs that share an ID (the file does not forbid it) are selected together.
//
// Thread contract: owner thread only.

#include <cstdint>
#include <set>
#include <unordered_map>
#include <vector>

#include "scene/Scene.h"

namespace velmora {

class SceneSelection {
public:
    bool HasSpring(std::int32_t id) const { return springs_.contains(id); }
    bool HasGroup(std::int32_t id) const { return groups_.contains(id); }
    // True when the state changed.
    bool SetSpring(std::int32_t id, bool selected);
    bool SetGroup(std::int32_t id, bool selected);
    bool ClearSprings();
    bool ClearGroups();

    // List positions of the selected springs / groups that exist, in list order.
    std::vector<std::size_t> SpringPositions(const Scene& scene) const;
    std::vector<std::size_t> GroupPositions(const Scene& scene) const;

    // The drag of selected springs: each one's offset from the grab point,
    // taken when the button went down.
    struct DragOffset {
        std::int32_t dx = 0;
        std::int32_t dy = 0;
    };
    bool dragging = false;
    std::uint64_t dragGesture = 0;
    std::unordered_map<std::int32_t, DragOffset> dragOffsets;  // by spring ID

private:
    std::set<std::int32_t> springs_;
    std::set<std::int32_t> groups_;
};

}  // namespace velmora
