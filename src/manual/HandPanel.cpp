#include "manual/HandPanel.h"

#include <algorithm>

#include "comm/ModbusTCPThread.h"

namespace velmora {

namespace {

std::size_t MemberCount(const CSpringGroup& group) {
    return static_cast<std::size_t>(
        std::clamp<std::int32_t>(group.childCount, 0, static_cast<std::int32_t>(CSpringGroup::kMaxChildren)));
}

// An output that goes nowhere cannot be late; one that names a channel
// needs that channel's link.
bool OutputReachable(std::int32_t channel, const std::string& address, const ChannelStates& channels) {
    if (channel < 1 || channel > kChannelCount || address.empty()) return true;
    return channels[static_cast<std::size_t>(channel - 1)] == ChannelState::Connected;
}

}  // namespace

std::vector<HandCellPlace> HandCellPlaces(int count, int clientWidth) {
    std::vector<HandCellPlace> places;
    if (clientWidth < kHandCellSize || count <= 0) return places;
    places.reserve(static_cast<std::size_t>(count));
    int column = 0;
    int top = 0;
    for (int i = 0; i < count; ++i) {
        places.push_back({column * kHandCellSize, top});
        if (clientWidth < column * kHandCellSize + 2 * kHandCellSize) {
            column = 0;
            top += kHandCellSize;
        } else {
            ++column;
        }
    }
    return places;
}

int HandContentHeight(int count, int clientWidth, int visibleHeight) {
    // A pane narrower than a cell plus the bar still holds one per row; the
    // bare formula would divide by zero there.
    const int perRow = std::max(1, (clientWidth - kHandScrollBarWidth) / kHandCellSize);
    const int height = std::max(0, count) / perRow * kHandCellSize + kHandCellSize;
    return std::max(height, visibleHeight);
}

ChannelStates ReadChannelStates(const std::array<CModbusTCPThread, kChannelCount>& senders) {
    ChannelStates states{};
    // A connection that no exchange has proven yet is still on its way.
    for (std::size_t i = 0; i < states.size(); ++i) {
        const ChannelHealth& health = senders[i].health;
        const ChannelState state = health.state();
        states[i] = state == ChannelState::Connected && !health.LinkUp() ? ChannelState::Connecting : state;
    }
    return states;
}

bool HandRequestDelivered(const Scene& scene, const CSpringGroup& group, const ChannelStates& channels) {
    if (!OutputReachable(group.BLOCKID, group.COMID, channels)) return false;
    const std::size_t n = MemberCount(group);
    for (std::size_t i = 0; i < n; ++i) {
        const CSpring* spring = scene.FindSpring(group.children[i]);
        if (spring == nullptr) continue;
        if (!OutputReachable(spring->BLOCKID, spring->COMID, channels) ||
            !OutputReachable(spring->BLOCKID1, spring->COMID1, channels) ||
            !OutputReachable(spring->BLOCKID_L, spring->COMID_L, channels))
            return false;
    }
    return true;
}

HandPanel::HandPanel(Scene& scene, std::atomic<std::int32_t>& handModeFlag)
    : scene_(scene), handModeFlag_(handModeFlag) {}

void HandPanel::SetMode(int index) {
    if (index == 0) {
        mode_ = HandPanelMode::Watch;
        handModeFlag_.store(0);
        // The show takes the fountain back; only the special buttons keep
        // what the operator asked of them.
        std::vector<CSpringGroup*> dropped;
        for (CSpringGroup& group : scene_.groups) {
            if (group.bSpecialBTN != 0) continue;
            if (group.m_nManualState.Get() == 1) dropped.push_back(&group);
            group.m_nManualState = -1;
        }
        // Hand mode drives every spring from its hand level, so a dropped
        // group's members would come back on at the next switch to hand
        // mode while their button reads off. Members that a standing "on"
        // request still covers keep theirs.
        for (CSpringGroup* group : dropped) {
            const std::size_t n = MemberCount(*group);
            for (std::size_t i = 0; i < n; ++i) {
                CSpring* spring = scene_.FindSpring(group->children[i]);
                if (spring == nullptr || CoveredByStandingRequest(spring->ID)) continue;
                spring->m_nManualLevel = 0;
                spring->m_nManualColour = 0;
            }
        }
    } else if (index == 1) {
        mode_ = HandPanelMode::Hand;
        handModeFlag_.store(1);
    }
}

bool HandPanel::CoveredByStandingRequest(std::int32_t springId) const {
    for (const CSpringGroup& group : scene_.groups) {
        if (group.m_nManualState.Get() != 1) continue;
        const std::size_t n = MemberCount(group);
        for (std::size_t i = 0; i < n; ++i)
            if (group.children[i] == springId) return true;
    }
    return false;
}

bool HandPanel::IsLive(const CSpringGroup& group) const {
    return handMode() || group.bSpecialBTN == 1 || group.bMannual == 1;
}

std::int32_t HandPanel::AppliedState(const EngineSnapshot* snapshot, std::int32_t groupId) {
    if (snapshot == nullptr) return 0;
    for (const GroupSnapshot& g : snapshot->groups)
        if (g.ID == groupId) return g.m_nAppliedState;
    return 0;
}

bool HandPanel::Toggle(std::int32_t groupId, const EngineSnapshot* snapshot) {
    CSpringGroup* group = scene_.FindGroup(groupId);
    if (group == nullptr || !IsLive(*group)) return false;
    // The request follows what the engine did, not the previous request:
    // two clicks before the engine runs ask for the same state twice.
    const bool on = AppliedState(snapshot, groupId) == 0;
    group->m_nManualState = on ? 1 : 0;
    const std::size_t n = MemberCount(*group);
    for (std::size_t i = 0; i < n; ++i) {
        CSpring* spring = scene_.FindSpring(group->children[i]);
        if (spring == nullptr) continue;
        spring->m_nManualLevel = on ? kHandOnLevel : 0;
        spring->m_nManualColour = on ? kHandOnColour : 0;
    }
    return true;
}

std::vector<HandCellView> HandPanel::Cells(const EngineSnapshot* snapshot, const ChannelStates& channels) const {
    std::vector<HandCellView> cells;
    cells.reserve(scene_.groups.size());
    for (std::size_t i = 0; i < scene_.groups.size(); ++i) {
        const CSpringGroup& group = scene_.groups[i];
        HandCellView cell;
        cell.groupId = group.ID;
        cell.name = group.name;
        cell.special = group.bSpecialBTN == 1;
        cell.live = IsLive(group);
        // The snapshot lists the groups in scene order; after an edit it may
        // lag a tick behind, so the ID decides.
        if (snapshot != nullptr && i < snapshot->groups.size() && snapshot->groups[i].ID == group.ID)
            cell.applied = snapshot->groups[i].m_nAppliedState == 1;
        else
            cell.applied = AppliedState(snapshot, group.ID) == 1;
        cell.requested = group.m_nManualState.Get() != -1;
        cell.delivered = !cell.requested || HandRequestDelivered(scene_, group, channels);
        cells.push_back(std::move(cell));
    }
    return cells;
}

}  // namespace velmora
