#pragma once
// Edits of groups: make one from the selected springs, add the selection to
// one, remove or move a member (group element panel), and the group property
// sheet's OK.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "document/SceneEditTarget.h"

namespace velmora {

inline constexpr const char* kTooManyMembers = "组内元素太多！";
inline constexpr const char* kNothingSelectedNoGroup = "没有选择任何元素，组添加失败！";

// "成组" / "控制按钮": a group of the springs at `members` (list positions, in
// list order), named after the counter. The counter advances even when no
// member is given and no group is made; only 450 members are taken.
class MakeGroupCommand final : public SceneCommand {
public:
    MakeGroupCommand(SceneEditTarget& target, const std::vector<std::size_t>& members, bool specialButton,
                     std::int32_t initX, std::int32_t initY);
    // The same for members given by ID, with the counter at `counter` when
    // the command applies: a command that adds the members first and takes
    // their IDs from the counter builds its group before they exist.
    MakeGroupCommand(SceneEditTarget& target, std::int32_t counter, const std::vector<std::int32_t>& memberIDs,
                     bool specialButton, std::int32_t initX, std::int32_t initY);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return special_ ? "控制按钮" : "成组"; }
    bool madeGroup() const { return madeGroup_; }
    std::int32_t id() const { return counter_; }

private:
    std::int32_t counter_;  // the counter before the command: the group's ID
    bool special_;
    bool madeGroup_ = false;
    CSpringGroup group_;
};

// A group's member list replaced as a whole; what adding, removing and
// moving members have in common.
class GroupMembersCommand : public SceneCommand {
public:
    Change Apply() override { return Store(after_, afterCount_); }
    Change Revert() override { return Store(before_, beforeCount_); }

protected:
    GroupMembersCommand(SceneEditTarget& target, std::size_t position);
    // Call at the end of the constructor, once after_ holds the new members.
    void Done() { changed_ = afterCount_ != beforeCount_ || after_ != before_; }

    using Members = decltype(CSpringGroup::children);
    std::size_t position_;
    Members before_;
    std::int32_t beforeCount_;
    Members after_;
    std::int32_t afterCount_;

private:
    Change Store(const Members& members, std::int32_t count);
    bool changed_ = false;
};

// "添加到组": the springs at `members` appended in order to the group at
// list position `position`, up to 450 members; IDs already in the group are
// appended again.
class AddToGroupCommand final : public GroupMembersCommand {
public:
    AddToGroupCommand(SceneEditTarget& target, std::size_t position, const std::vector<std::size_t>& members);
    std::string Text() const override { return "添加到组"; }
};

// Removes member `index` of a group, keeping the others in order.
class RemoveMemberCommand final : public GroupMembersCommand {
public:
    RemoveMemberCommand(SceneEditTarget& target, std::size_t position, std::size_t index);
    std::string Text() const override { return "从组内移除"; }
};

// Swaps member `index` with its upper (step -1) or lower (step +1) neighbour.
// The swaps of one drag carry one non-zero merge key and become one step.
class MoveMemberCommand final : public GroupMembersCommand {
public:
    MoveMemberCommand(SceneEditTarget& target, std::size_t position, std::size_t index, int step,
                      std::uint64_t mergeKey = 0);
    std::string Text() const override { return "移动组元素"; }
    std::uint64_t MergeKey() const override { return mergeKey_; }
    bool MergeWith(Command& newer) override;

private:
    std::uint64_t mergeKey_;
};

// The rows of the group property sheet that OK reads back.
struct GroupSheet {
    std::string name;     // "名称"
    std::string BLOCKID;  // "通道号"
    std::string COMID;    // "通讯位置"
    std::string nPreTime; // "提前时间"
    std::string bMannual; // "强制手操": "是" or "否"
};

GroupSheet GroupSheetOf(const CSpringGroup& group);
// The member rows: label = position, value "ID[%d]".
std::vector<std::pair<std::string, std::string>> GroupMemberRows(const CSpringGroup& group);

// The sheet's OK: the name cut to 15 characters, channel and lead time by
// decimal conversion, the address only when at most 7 characters, "是" for
// forced manual. "---" leaves the channel or address as it is.
class EditGroupCommand final : public SceneCommand {
public:
    EditGroupCommand(SceneEditTarget& target, std::size_t position, const GroupSheet& sheet);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return "属性"; }

    static constexpr std::size_t kNameCharacters = 15;

private:
    struct Fields {
        std::string name;
        std::int32_t BLOCKID;
        std::string COMID;
        std::int32_t nPreTime;
        std::int32_t bMannual;
        bool operator==(const Fields&) const = default;
    };
    static Fields Read(const CSpringGroup& group);
    Change Store(const Fields& fields);

    std::size_t position_;
    Fields before_;
    Fields after_;
};

}  // namespace velmora
