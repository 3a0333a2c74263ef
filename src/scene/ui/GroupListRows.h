#pragma once
// The rows of the group element panel, in the order they are drawn: one per
// group in list order and, below each group that is not collapsed, one per
// member in the group's member order. A member whose spring no longer exists
// is neither drawn nor hit and takes no row, so the rows, the hit test and
// the scroll range always agree.
//
// Thread contract: UI thread (reads the scene, which only that thread edits).

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "scene/Scene.h"

namespace velmora {

inline constexpr int kGroupRowPitch = 23;
inline constexpr int kGroupBandHeight = 18;

struct GroupRow {
    enum Kind { kGroup, kMember };
    Kind kind = kGroup;
    std::size_t group = 0;       // position in the scene's group list
    std::int32_t groupID = -1;
    std::size_t member = 0;      // index in the group's member list (member rows)
    std::int32_t springID = -1;  // the member's spring (member rows)

    bool operator==(const GroupRow&) const = default;
};

// `collapsed` holds the IDs of the groups whose members are hidden.
std::vector<GroupRow> BuildGroupRows(const Scene& scene, const std::set<std::int32_t>& collapsed);

// The height the rows take: one pitch per row and one to spare below them.
int GroupListHeight(std::size_t rowCount);

// "CH[2].5;1", or "CH[--].--" when the output has no channel.
std::string OutputText(std::int32_t channel, const std::string& address);
// What a member row shows: "[9001][CH[1].5],(CH[2].3)", the spring's ID,
// analog output and switch output.
std::string MemberRowText(const CSpring& spring);
// What a group row is called to assistive technology: "默认组3 (4个元素)".
std::string GroupRowName(const CSpringGroup& group);

// The row that shows what `key` showed when it was selected, -1 when it is
// gone. A member that moved within its group is still found by its spring.
int FindGroupRow(const std::vector<GroupRow>& rows, const GroupRow& key);

}  // namespace velmora
