#include "document/GroupCommands.h"

#include <algorithm>
#include <utility>

#include "app/NumberText.h"
#include "document/SheetText.h"

namespace velmora {
namespace {

constexpr auto kEditable = static_cast<std::int32_t>(CSpringGroup::kEditableChildren);
constexpr auto kCapacity = static_cast<std::int32_t>(CSpringGroup::kMaxChildren);

// The counter's next value; a counter at the top of the range wraps rather
// than overflow.
std::int32_t After(std::int32_t id) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(id) + 1u);
}

std::int32_t UsedMembers(const CSpringGroup& group) {
    return std::clamp(group.childCount, 0, kCapacity);
}

}  // namespace

namespace {

// The IDs of the springs at `positions`, up to one past what a group takes,
// which is enough to tell that there were too many.
std::vector<std::int32_t> MemberIDs(const Scene& scene, const std::vector<std::size_t>& positions) {
    std::vector<std::int32_t> ids;
    const std::size_t wanted = std::min(positions.size(), CSpringGroup::kEditableChildren + 1);
    ids.reserve(wanted);
    for (std::size_t i = 0; i < wanted; ++i) ids.push_back(scene.springs[positions[i]].ID);
    return ids;
}

}  // namespace

MakeGroupCommand::MakeGroupCommand(SceneEditTarget& target, const std::vector<std::size_t>& members,
                                   bool specialButton, std::int32_t initX, std::int32_t initY)
    : MakeGroupCommand(target, target.scene.m_nNextID, MemberIDs(target.scene, members), specialButton, initX,
                       initY) {}

MakeGroupCommand::MakeGroupCommand(SceneEditTarget& target, std::int32_t counter,
                                   const std::vector<std::int32_t>& memberIDs, bool specialButton,
                                   std::int32_t initX, std::int32_t initY)
    : SceneCommand(target), counter_(counter), special_(specialButton) {
    group_.ID = counter_;
    group_.name = (specialButton ? "特殊按钮" : "默认组") + std::to_string(After(counter_));
    group_.bSpecialBTN = specialButton ? 1 : 0;
    for (const std::int32_t id : memberIDs) {
        if (group_.childCount == kEditable) {
            notices_.emplace_back(kTooManyMembers);
            break;
        }
        group_.children[static_cast<std::size_t>(group_.childCount++)] = id;
    }
    if (group_.childCount == 0) {
        notices_.emplace_back(kNothingSelectedNoGroup);
        return;
    }
    madeGroup_ = true;
    if (initX >= 1 && initY >= 1) {
        group_.initX = initX;
        group_.initY = initY;
    }
}

Change MakeGroupCommand::Apply() {
    Scene& scene = target_.scene;
    {
        std::lock_guard lock(target_.outputLock);
        scene.m_nNextID = After(counter_);
        if (madeGroup_) {
            scene.groups.push_back(group_);
            scene.Reindex();
        }
    }
    Change change;
    change.what = Change::kSettings;
    if (madeGroup_) {
        change.what |= Change::kGroups;
        change.allTracks = true;  // a layer may already name this ID
    }
    return change;
}

Change MakeGroupCommand::Revert() {
    Scene& scene = target_.scene;
    {
        std::lock_guard lock(target_.outputLock);
        scene.m_nNextID = counter_;
        if (madeGroup_) {
            scene.groups.pop_back();
            scene.Reindex();
        }
    }
    if (madeGroup_) target_.selection.SetGroup(counter_, false);
    Change change;
    change.what = Change::kSettings;
    if (madeGroup_) {
        change.what |= Change::kGroups | Change::kSelection;
        change.allTracks = true;
    }
    return change;
}

GroupMembersCommand::GroupMembersCommand(SceneEditTarget& target, std::size_t position)
    : SceneCommand(target),
      position_(position),
      before_(target.scene.groups[position].children),
      beforeCount_(target.scene.groups[position].childCount),
      after_(before_),
      afterCount_(beforeCount_) {}

Change GroupMembersCommand::Store(const Members& members, std::int32_t count) {
    if (!changed_ || position_ >= target_.scene.groups.size()) return {};
    {
        std::lock_guard lock(target_.outputLock);
        CSpringGroup& group = target_.scene.groups[position_];
        group.children = members;
        group.childCount = count;
    }
    Change change;
    change.what = Change::kGroups;
    change.allTracks = true;  // rotation blocks of the group's layers turn its members
    return change;
}

AddToGroupCommand::AddToGroupCommand(SceneEditTarget& target, std::size_t position,
                                     const std::vector<std::size_t>& members)
    : GroupMembersCommand(target, position) {
    afterCount_ = UsedMembers(target.scene.groups[position]);
    for (const std::size_t member : members) {
        if (afterCount_ >= kEditable) {
            notices_.emplace_back(kTooManyMembers);
            break;
        }
        after_[static_cast<std::size_t>(afterCount_++)] = target.scene.springs[member].ID;
    }
    // Nothing added leaves the count as the file gave it.
    if (afterCount_ == UsedMembers(target.scene.groups[position])) afterCount_ = beforeCount_;
    Done();
}

RemoveMemberCommand::RemoveMemberCommand(SceneEditTarget& target, std::size_t position, std::size_t index)
    : GroupMembersCommand(target, position) {
    const auto used = static_cast<std::size_t>(UsedMembers(target.scene.groups[position]));
    if (index < used) {
        std::move(after_.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                  after_.begin() + static_cast<std::ptrdiff_t>(used), after_.begin() + static_cast<std::ptrdiff_t>(index));
        after_[used - 1] = 0;
        afterCount_ = static_cast<std::int32_t>(used - 1);
    }
    Done();
}

MoveMemberCommand::MoveMemberCommand(SceneEditTarget& target, std::size_t position, std::size_t index, int step,
                                     std::uint64_t mergeKey)
    : GroupMembersCommand(target, position), mergeKey_(mergeKey) {
    const auto used = static_cast<std::size_t>(UsedMembers(target.scene.groups[position]));
    if (index < used) {
        if (step < 0 && index > 0) std::swap(after_[index], after_[index - 1]);
        if (step > 0 && index + 1 < used) std::swap(after_[index], after_[index + 1]);
    }
    Done();
}

bool MoveMemberCommand::MergeWith(Command& newer) {
    auto* later = dynamic_cast<MoveMemberCommand*>(&newer);
    if (later == nullptr || later->position_ != position_) return false;
    // The newer swap was made on top of this one's result, so its outcome is
    // the outcome of both; undo goes back to this one's start.
    after_ = later->after_;
    afterCount_ = later->afterCount_;
    Done();
    return true;
}

GroupSheet GroupSheetOf(const CSpringGroup& group) {
    GroupSheet sheet;
    sheet.name = group.name;
    sheet.BLOCKID = ChannelText(group.BLOCKID);
    sheet.COMID = AddressText(group.COMID);
    sheet.nPreTime = std::to_string(group.nPreTime);
    sheet.bMannual = group.bMannual == 1 ? "是" : "否";
    return sheet;
}

std::vector<std::pair<std::string, std::string>> GroupMemberRows(const CSpringGroup& group) {
    std::vector<std::pair<std::string, std::string>> rows;
    const auto used = static_cast<std::size_t>(UsedMembers(group));
    rows.reserve(used);
    for (std::size_t j = 0; j < used; ++j)
        rows.emplace_back(std::to_string(j), "ID[" + std::to_string(group.children[j]) + "]");
    return rows;
}

EditGroupCommand::Fields EditGroupCommand::Read(const CSpringGroup& g) {
    return Fields{g.name, g.BLOCKID, g.COMID, g.nPreTime, g.bMannual};
}

EditGroupCommand::EditGroupCommand(SceneEditTarget& target, std::size_t position, const GroupSheet& sheet)
    : SceneCommand(target), position_(position) {
    before_ = Read(target.scene.groups[position]);
    after_ = before_;
    after_.name = FirstCharacters(sheet.name, kNameCharacters);
    // "---" stands for "no channel" / "no address" on the sheet; stored as a
    // text or a 0 it would change a record the operator did not touch.
    if (!IsUnsetText(sheet.BLOCKID)) after_.BLOCKID = TextToInt(sheet.BLOCKID);
    if (!IsUnsetText(sheet.COMID) && sheet.COMID.size() <= kMaxAddressBytes) after_.COMID = sheet.COMID;
    after_.nPreTime = TextToInt(sheet.nPreTime);
    after_.bMannual = sheet.bMannual == "是" ? 1 : 0;
}

Change EditGroupCommand::Store(const Fields& f) {
    if (position_ >= target_.scene.groups.size()) return {};
    CSpringGroup& g = target_.scene.groups[position_];
    if (Read(g) == f) return {};
    {
        std::lock_guard lock(target_.outputLock);
        g.name = f.name;
        g.BLOCKID = f.BLOCKID;
        g.COMID = f.COMID;
        g.nPreTime = f.nPreTime;
        g.bMannual = f.bMannual;
    }
    Change change;
    change.what = Change::kGroups;
    return change;
}

Change EditGroupCommand::Apply() { return Store(after_); }

Change EditGroupCommand::Revert() { return Store(before_); }

}  // namespace velmora
