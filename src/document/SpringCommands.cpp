#include "document/SpringCommands.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "app/NumberText.h"
#include "document/SheetText.h"

namespace velmora {
namespace {

Change ListChange() {
    Change change;
    change.what = Change::kSprings | Change::kGroups | Change::kSelection;
    // Layers name springs and groups by ID, so which springs a rotation block
    // turns depends on the lists: the whole show's tracks are built again.
    change.allTracks = true;
    return change;
}

}  // namespace

AddSpringCommand::AddSpringCommand(SceneEditTarget& target, std::int32_t x, std::int32_t y, bool selected)
    : SceneCommand(target), x_(x), y_(y), id_(target.scene.m_nNextID), selected_(selected) {}

Change AddSpringCommand::Apply() {
    Scene& scene = target_.scene;
    CSpring spring;
    spring.x = x_;
    spring.y = y_;
    spring.ID = id_;
    {
        std::lock_guard lock(target_.outputLock);
        scene.springs.push_back(std::move(spring));
        scene.m_nNextID = id_ + 1;
        scene.Reindex();
    }
    if (selected_) target_.selection.SetSpring(id_, true);
    Change change = ListChange();
    change.what |= Change::kSettings;  // the ID counter
    return change;
}

Change AddSpringCommand::Revert() {
    Scene& scene = target_.scene;
    CSpring removed;
    {
        std::lock_guard lock(target_.outputLock);
        removed = std::move(scene.springs.back());
        scene.springs.pop_back();
        scene.m_nNextID = id_;
        scene.Reindex();
    }
    target_.selection.SetSpring(id_, false);
    Change change = ListChange();
    change.what |= Change::kSettings;
    return change;  // the removed spring's tracks are freed here, outside the lock
}

MoveSpringsCommand::MoveSpringsCommand(SceneEditTarget& target, std::vector<Move> moves, std::uint64_t mergeKey)
    : SceneCommand(target), moves_(std::move(moves)), mergeKey_(mergeKey) {}

Change MoveSpringsCommand::Place(bool forward) {
    Change change;
    std::lock_guard lock(target_.outputLock);
    for (const Move& move : moves_) {
        if (move.position >= target_.scene.springs.size()) continue;
        CSpring& spring = target_.scene.springs[move.position];
        const std::int32_t x = forward ? move.toX : move.fromX;
        const std::int32_t y = forward ? move.toY : move.fromY;
        if (spring.x == x && spring.y == y) continue;
        spring.x = x;
        spring.y = y;
        change.what = Change::kSprings;
    }
    return change;
}

Change MoveSpringsCommand::Apply() { return Place(true); }

Change MoveSpringsCommand::Revert() { return Place(false); }

bool MoveSpringsCommand::MergeWith(Command& newer) {
    auto* later = dynamic_cast<MoveSpringsCommand*>(&newer);
    if (later == nullptr || later->moves_.size() != moves_.size()) return false;
    for (std::size_t i = 0; i < moves_.size(); ++i)
        if (later->moves_[i].position != moves_[i].position) return false;
    for (std::size_t i = 0; i < moves_.size(); ++i) {
        moves_[i].toX = later->moves_[i].toX;
        moves_[i].toY = later->moves_[i].toY;
    }
    return true;
}

DeleteCommand::DeleteCommand(SceneEditTarget& target, std::vector<std::size_t> springPositions,
                             std::vector<std::size_t> groupPositions)
    : SceneCommand(target), springPositions_(std::move(springPositions)), groupPositions_(std::move(groupPositions)) {
    std::ranges::sort(springPositions_);
    std::ranges::sort(groupPositions_);
}

namespace {

// Moves the elements at `positions` (ascending) out of `list` into `taken`,
// in one pass: erasing one at a time moves the tail once per deletion.
template <typename T>
void TakeOut(std::vector<T>& list, const std::vector<std::size_t>& positions, std::vector<T>& taken) {
    taken.clear();
    taken.reserve(positions.size());
    std::vector<T> kept;
    kept.reserve(list.size() - positions.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (next < positions.size() && positions[next] == i) {
            taken.push_back(std::move(list[i]));
            ++next;
        } else {
            kept.push_back(std::move(list[i]));
        }
    }
    list.swap(kept);
}

// The inverse: each element of `taken` back at its position.
template <typename T>
void PutBack(std::vector<T>& list, const std::vector<std::size_t>& positions, std::vector<T>& taken) {
    std::vector<T> merged;
    merged.reserve(list.size() + taken.size());
    std::size_t next = 0;
    std::size_t from = 0;
    while (merged.size() < list.size() + taken.size()) {
        if (next < positions.size() && positions[next] == merged.size()) merged.push_back(std::move(taken[next++]));
        else merged.push_back(std::move(list[from++]));
    }
    list.swap(merged);
    taken.clear();
}

}  // namespace

Change DeleteCommand::Apply() {
    if (springPositions_.empty() && groupPositions_.empty()) return {};
    Scene& scene = target_.scene;
    {
        std::lock_guard lock(target_.outputLock);
        TakeOut(scene.springs, springPositions_, springs_);
        TakeOut(scene.groups, groupPositions_, groups_);
        scene.Reindex();
    }
    // A hand request dies with its record: undo must not bring back a motor
    // jog or a lit group that no panel shows any more.
    for (CSpring& spring : springs_) {
        spring.m_nMotorCmd = 0;
        spring.m_nManualOn = -1;
        spring.m_nManualLevel = 0;
        spring.m_nManualColour = 0;
    }
    for (CSpringGroup& group : groups_) group.m_nManualState = -1;
    for (const CSpring& spring : springs_) target_.selection.SetSpring(spring.ID, false);
    for (const CSpringGroup& group : groups_) target_.selection.SetGroup(group.ID, false);
    return ListChange();
}

Change DeleteCommand::Revert() {
    Scene& scene = target_.scene;
    {
        std::lock_guard lock(target_.outputLock);
        PutBack(scene.springs, springPositions_, springs_);
        PutBack(scene.groups, groupPositions_, groups_);
        scene.Reindex();
    }
    // What was deleted was selected; it comes back selected.
    for (const std::size_t position : springPositions_) target_.selection.SetSpring(scene.springs[position].ID, true);
    for (const std::size_t position : groupPositions_) target_.selection.SetGroup(scene.groups[position].ID, true);
    return ListChange();
}

SpringSheet SpringSheetOf(const CSpring& spring) {
    SpringSheet sheet;
    sheet.BLOCKID = ChannelText(spring.BLOCKID);
    sheet.COMID = AddressText(spring.COMID);
    sheet.BLOCKID1 = ChannelText(spring.BLOCKID1);
    sheet.COMID1 = AddressText(spring.COMID1);
    char angle[64];
    std::snprintf(angle, sizeof angle, "%f", static_cast<double>(spring.ORGANGLEY));
    sheet.ORGANGLEY = angle;
    sheet.BLOCKID2 = ChannelText(spring.BLOCKID2);
    sheet.COMID2 = AddressText(spring.COMID2);
    sheet.BLOCKID3 = ChannelText(spring.BLOCKID3);
    sheet.COMID3 = AddressText(spring.COMID3);
    sheet.BLOCKID_L = ChannelText(spring.BLOCKID_L);
    sheet.COMID_L = AddressText(spring.COMID_L);
    return sheet;
}

namespace {

void ReadChannel(const std::string& text, std::int32_t& field) {
    if (!IsUnsetText(text)) field = TextToInt(text);
}

void ReadAddress(const std::string& text, std::string& field) {
    if (!IsUnsetText(text) && text.size() <= kMaxAddressBytes) field = text;
}

}  // namespace

EditSpringCommand::Fields EditSpringCommand::Read(const CSpring& s) {
    return Fields{s.BLOCKID, s.BLOCKID1, s.BLOCKID2, s.BLOCKID3, s.BLOCKID_L,
                  s.COMID,   s.COMID1,   s.COMID2,   s.COMID3,   s.COMID_L, s.ORGANGLEY};
}

EditSpringCommand::EditSpringCommand(SceneEditTarget& target, std::size_t position, const SpringSheet& sheet)
    : SceneCommand(target), position_(position) {
    before_ = Read(target.scene.springs[position]);
    after_ = before_;
    ReadChannel(sheet.BLOCKID, after_.BLOCKID);
    ReadAddress(sheet.COMID, after_.COMID);
    ReadChannel(sheet.BLOCKID1, after_.BLOCKID1);
    ReadAddress(sheet.COMID1, after_.COMID1);
    after_.ORGANGLEY = static_cast<float>(TextToInt(sheet.ORGANGLEY));
    ReadChannel(sheet.BLOCKID2, after_.BLOCKID2);
    ReadAddress(sheet.COMID2, after_.COMID2);
    ReadChannel(sheet.BLOCKID3, after_.BLOCKID3);
    ReadAddress(sheet.COMID3, after_.COMID3);
    ReadChannel(sheet.BLOCKID_L, after_.BLOCKID_L);
    ReadAddress(sheet.COMID_L, after_.COMID_L);
}

Change EditSpringCommand::Store(const Fields& f) {
    if (position_ >= target_.scene.springs.size()) return {};
    CSpring& s = target_.scene.springs[position_];
    if (Read(s) == f) return {};
    {
        // The engine reads the addresses while it writes the image.
        std::lock_guard lock(target_.outputLock);
        s.BLOCKID = f.BLOCKID;
        s.BLOCKID1 = f.BLOCKID1;
        s.BLOCKID2 = f.BLOCKID2;
        s.BLOCKID3 = f.BLOCKID3;
        s.BLOCKID_L = f.BLOCKID_L;
        s.COMID = f.COMID;
        s.COMID1 = f.COMID1;
        s.COMID2 = f.COMID2;
        s.COMID3 = f.COMID3;
        s.COMID_L = f.COMID_L;
        s.ORGANGLEY = f.ORGANGLEY;
    }
    Change change;
    change.what = Change::kSprings;
    return change;
}

Change EditSpringCommand::Apply() { return Store(after_); }

Change EditSpringCommand::Revert() { return Store(before_); }

}  // namespace velmora
