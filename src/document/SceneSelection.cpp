#include "document/SceneSelection.h"

namespace velmora {
namespace {

bool SetMember(std::set<std::int32_t>& set, std::int32_t id, bool selected) {
    return selected ? set.insert(id).second : set.erase(id) > 0;
}

template <typename List>
std::vector<std::size_t> Positions(const List& list, const std::set<std::int32_t>& ids) {
    std::vector<std::size_t> positions;
    if (ids.empty()) return positions;
    for (std::size_t i = 0; i < list.size(); ++i)
        if (ids.contains(list[i].ID)) positions.push_back(i);
    return positions;
}

}  // namespace

bool SceneSelection::SetSpring(std::int32_t id, bool selected) { return SetMember(springs_, id, selected); }

bool SceneSelection::SetGroup(std::int32_t id, bool selected) { return SetMember(groups_, id, selected); }

bool SceneSelection::ClearSprings() {
    const bool had = !springs_.empty();
    springs_.clear();
    return had;
}

bool SceneSelection::ClearGroups() {
    const bool had = !groups_.empty();
    groups_.clear();
    return had;
}

std::vector<std::size_t> SceneSelection::SpringPositions(const Scene& scene) const {
    return Positions(scene.springs, springs_);
}

std::vector<std::size_t> SceneSelection::GroupPositions(const Scene& scene) const {
    return Positions(scene.groups, groups_);
}

}  // namespace velmora
