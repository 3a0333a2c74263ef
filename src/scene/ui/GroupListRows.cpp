#include "scene/ui/GroupListRows.h"

#include <algorithm>

#include "engine/TakeOrder.h"

namespace velmora {

std::vector<GroupRow> BuildGroupRows(const Scene& scene, const std::set<std::int32_t>& collapsed) {
    std::vector<GroupRow> rows;
    rows.reserve(scene.groups.size());
    for (std::size_t g = 0; g < scene.groups.size(); ++g) {
        const CSpringGroup& group = scene.groups[g];
        rows.push_back(GroupRow{GroupRow::kGroup, g, group.ID, 0, -1});
        if (collapsed.contains(group.ID)) continue;
        const std::size_t used = MemberCount(group);
        for (std::size_t j = 0; j < used; ++j) {
            const std::int32_t id = group.children[j];
            if (scene.FindSpring(id) == nullptr) continue;
            rows.push_back(GroupRow{GroupRow::kMember, g, group.ID, j, id});
        }
    }
    return rows;
}

int GroupListHeight(std::size_t rowCount) {
    return static_cast<int>(std::min<std::size_t>(rowCount + 1, 50'000'000)) * kGroupRowPitch;
}

std::string OutputText(std::int32_t channel, const std::string& address) {
    if (channel < 1) return "CH[--].--";
    return "CH[" + std::to_string(channel) + "]." + address;
}

std::string MemberRowText(const CSpring& spring) {
    return "[" + std::to_string(spring.ID) + "][" + OutputText(spring.BLOCKID, spring.COMID) + "],(" +
           OutputText(spring.BLOCKID1, spring.COMID1) + ")";
}

std::string GroupRowName(const CSpringGroup& group) {
    return group.name + " (" + std::to_string(MemberCount(group)) + "个元素)";
}

int FindGroupRow(const std::vector<GroupRow>& rows, const GroupRow& key) {
    int moved = -1;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const GroupRow& row = rows[i];
        if (row.kind != key.kind || row.groupID != key.groupID) continue;
        if (row.kind == GroupRow::kGroup) {
            // Groups that share an ID (the file allows it) keep their place.
            if (row.group == key.group) return static_cast<int>(i);
            if (moved < 0) moved = static_cast<int>(i);
            continue;
        }
        if (row.springID != key.springID) continue;
        if (row.member == key.member && row.group == key.group) return static_cast<int>(i);
        if (moved < 0) moved = static_cast<int>(i);
    }
    return moved;
}

}  // namespace velmora
