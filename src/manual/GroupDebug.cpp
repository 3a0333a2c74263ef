#include "manual/GroupDebug.h"

#include <algorithm>

#include "engine/EngineSnapshot.h"
#include "engine/TakeOrder.h"
#include "scene/Scene.h"

namespace velmora {

namespace {

constexpr int ChannelShift(ColourChannel channel) { return 8 * static_cast<int>(channel); }

}  // namespace

GroupDebug::GroupDebug(Scene& scene, std::int32_t groupId) : scene_(scene), groupId_(groupId) { Sync(); }

CSpringGroup* GroupDebug::FindGroup() const { return scene_.FindGroup(groupId_); }

const CSpringGroup* GroupDebug::Group() const { return FindGroup(); }

void GroupDebug::Sync() {
    std::vector<std::int32_t> fresh;
    if (const CSpringGroup* group = FindGroup()) {
        const std::size_t n = MemberCount(*group);
        fresh.reserve(n);
        for (std::size_t i = 0; i < n; ++i)
            if (scene_.FindSpring(group->children[i]) != nullptr) fresh.push_back(group->children[i]);
    }
    if (fresh == members_) return;

    std::vector<std::int32_t> chosen;
    for (std::size_t i = 0; i < members_.size(); ++i)
        if (selected_[i]) chosen.push_back(members_[i]);
    const std::optional<std::int32_t> anchorId =
        anchor_ && *anchor_ < members_.size() ? std::optional(members_[*anchor_]) : std::nullopt;

    members_ = std::move(fresh);
    selected_.assign(members_.size(), 0);
    anchor_.reset();
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (std::find(chosen.begin(), chosen.end(), members_[i]) != chosen.end()) selected_[i] = 1;
        if (!anchor_ && anchorId && members_[i] == *anchorId) anchor_ = i;
    }
}

bool GroupDebug::IsSelected(std::size_t index) const { return index < selected_.size() && selected_[index] != 0; }

bool GroupDebug::AnySelected() const { return FirstSelectedId().has_value(); }

CSpring* GroupDebug::SpringOf(std::size_t index) const {
    return index < members_.size() ? scene_.FindSpring(members_[index]) : nullptr;
}

std::optional<std::int32_t> GroupDebug::FirstSelectedId() const {
    for (std::size_t i = 0; i < members_.size(); ++i)
        if (selected_[i] && SpringOf(i) != nullptr) return members_[i];
    return std::nullopt;
}

template <class Fn>
void GroupDebug::ForEachSelected(Fn&& fn) {
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (!selected_[i]) continue;
        if (CSpring* spring = SpringOf(i)) fn(*spring);
    }
}

// ---- selection ----

void GroupDebug::Click(std::size_t index, bool shift, bool ctrl) {
    if (index >= members_.size()) return;
    if (!ctrl) std::fill(selected_.begin(), selected_.end(), 0);
    if (!shift) anchor_.reset();
    if (shift && anchor_) {
        // A range runs forwards from the anchor only; the anchor stays.
        if (index >= *anchor_)
            for (std::size_t i = *anchor_; i <= index; ++i) selected_[i] = 1;
        return;
    }
    selected_[index] = ctrl ? static_cast<char>(!selected_[index]) : 1;
    anchor_ = index;
}

void GroupDebug::SelectAll() { std::fill(selected_.begin(), selected_.end(), 1); }

void GroupDebug::SelectNone() { std::fill(selected_.begin(), selected_.end(), 0); }

// ---- level ----

std::optional<std::int32_t> GroupDebug::ShownLevel() const {
    const std::optional<std::int32_t> id = FirstSelectedId();
    if (!id) return std::nullopt;
    const CSpring* spring = scene_.FindSpring(*id);
    return spring ? std::optional(spring->m_nManualLevel.Get()) : std::nullopt;
}

std::optional<int> GroupDebug::KnobTop() const {
    const std::optional<std::int32_t> level = ShownLevel();
    if (!level) return std::nullopt;
    return kKnobBottom - std::clamp(*level, 0, kMaxLevel);
}

std::int32_t GroupDebug::LevelForKnobTop(int knobTop) {
    return kMaxLevel - std::clamp(knobTop - kTravelTop, 0, kMaxLevel);
}

bool GroupDebug::BeginKnobDrag(int pressY) {
    const std::optional<int> top = KnobTop();
    if (!top) return false;
    grab_ = pressY - *top;
    dragging_ = true;
    return true;
}

void GroupDebug::DragKnobTo(int mouseY) {
    if (!dragging_) return;
    SetLevel(LevelForKnobTop(mouseY - grab_));
}

// The on flag follows the level whatever set it, so no member is left
// "off" at level 100 after the ON button or a step.
void GroupDebug::ApplyLevel(CSpring& spring, std::int32_t level) {
    level = std::clamp(level, 0, kMaxLevel);
    spring.m_nManualLevel = level;
    spring.m_nManualOn = level > 0 ? 1 : 0;
}

void GroupDebug::SetLevel(std::int32_t level) {
    ForEachSelected([level](CSpring& spring) { ApplyLevel(spring, level); });
}

void GroupDebug::StepLevel(int delta) {
    ForEachSelected([delta](CSpring& spring) { ApplyLevel(spring, spring.m_nManualLevel.Get() + delta); });
}

// ---- colour ----

bool GroupDebug::ChannelOn(ColourChannel channel) const { return ((colour_ >> ChannelShift(channel)) & 0xFFu) != 0; }

void GroupDebug::SetColour(COLORREF colour) {
    colour_ = colour & 0x00FFFFFFu;
    const COLORREF shown = colour_;
    ForEachSelected([shown](CSpring& spring) { spring.m_nManualColour = shown; });
}

void GroupDebug::ToggleChannel(ColourChannel channel) {
    const int shift = ChannelShift(channel);
    const COLORREF mask = 0xFFu << shift;
    SetColour(ChannelOn(channel) ? colour_ & ~mask : colour_ | mask);
}

// ---- group ----

void GroupDebug::SetGroupState(std::int32_t state) {
    if (CSpringGroup* group = FindGroup()) group->m_nManualState = state;
}

bool GroupDebug::GroupStateOn() const {
    const CSpringGroup* group = FindGroup();
    return group != nullptr && group->m_nManualState.Get() >= 1;
}

void GroupDebug::Reset() {
    for (std::size_t i = 0; i < members_.size(); ++i) {
        if (CSpring* spring = SpringOf(i)) {
            ApplyLevel(*spring, 0);
            spring->m_nManualColour = 0;
        }
    }
    SelectNone();
}

// ---- what the engine did ----

const SpringSnapshot* GroupDebug::SnapshotOf(std::int32_t id, const EngineSnapshot* snapshot) const {
    if (snapshot == nullptr) return nullptr;
    const int at = scene_.SpringIndexOf(id);
    if (at < 0 || static_cast<std::size_t>(at) >= snapshot->springs.size()) return nullptr;
    const SpringSnapshot& state = snapshot->springs[static_cast<std::size_t>(at)];
    // A snapshot of the scene before an edit says nothing about this spring.
    return state.ID == id ? &state : nullptr;
}

std::vector<DebugMemberView> GroupDebug::Views(const EngineSnapshot* snapshot) const {
    std::vector<DebugMemberView> views;
    views.reserve(members_.size());
    for (std::size_t i = 0; i < members_.size(); ++i) {
        DebugMemberView view;
        view.id = members_[i];
        view.selected = selected_[i] != 0;
        if (const SpringSnapshot* state = SnapshotOf(view.id, snapshot)) {
            view.lit = state->m_bLit != 0;
            view.outLevel = std::clamp(state->m_nOutLevel, 0, kMaxLevel);
            view.colour = state->m_crColor;
        }
        views.push_back(view);
    }
    return views;
}

bool GroupDebug::FirstSelectedOutputOn(const EngineSnapshot* snapshot) const {
    const std::optional<std::int32_t> id = FirstSelectedId();
    if (!id) return false;
    const SpringSnapshot* state = SnapshotOf(*id, snapshot);
    return state != nullptr && state->m_nOutLevel > 0;
}

}  // namespace velmora
