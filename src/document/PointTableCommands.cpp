#include "document/PointTableCommands.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <utility>

namespace velmora {
namespace {

// The counter after `count` IDs taken from `id`; it wraps at the top of the
// range as the group command's does.
std::int32_t Advanced(std::int32_t id, std::size_t count) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(id) + static_cast<std::uint32_t>(count));
}

bool IsNewID(std::int32_t id, std::int32_t first, std::size_t count) {
    return static_cast<std::uint32_t>(id) - static_cast<std::uint32_t>(first) < count;
}

// The members "成组" will find once the new springs are in: every spring in
// list order whose ID is selected (the new ones are), then the new springs.
std::vector<std::int32_t> GroupMembers(const SceneEditTarget& target, std::int32_t first, std::size_t count) {
    std::vector<std::int32_t> ids;
    for (const CSpring& spring : target.scene.springs)
        if (target.selection.HasSpring(spring.ID) || IsNewID(spring.ID, first, count)) ids.push_back(spring.ID);
    for (std::size_t i = 0; i < count; ++i) ids.push_back(Advanced(first, i));
    return ids;
}

}  // namespace

ImportPointTableCommand::ImportPointTableCommand(SceneEditTarget& target, const std::vector<PointTableRow>& rows)
    : SceneCommand(target) {
    for (const PointTableRow& row : rows) {
        if (row.position >= target.scene.springs.size()) continue;
        SpringAddressing before = SpringAddressing::Of(target.scene.springs[row.position]);
        SpringAddressing after = row.Over(before);
        if (after != before) edits_.push_back({row.position, std::move(before), std::move(after)});
    }
}

Change ImportPointTableCommand::Store(bool forward) {
    if (edits_.empty()) return {};
    {
        // The engine and the senders read the addresses while they write the image.
        std::lock_guard lock(target_.outputLock);
        for (const Edit& edit : edits_) {
            if (edit.position >= target_.scene.springs.size()) continue;
            (forward ? edit.after : edit.before).StoreIn(target_.scene.springs[edit.position]);
        }
    }
    return Change::Of(Change::kSprings);
}

BatchAddCommand::BatchAddCommand(SceneEditTarget& target, const BatchPlacement& placement)
    : SceneCommand(target),
      points_(placement.points),
      firstID_(target.scene.m_nNextID),
      group_(target, Advanced(firstID_, points_.size()), GroupMembers(target, firstID_, points_.size()), false,
             placement.initX, placement.initY) {
    notices_ = group_.Notices();
}

Change BatchAddCommand::Apply() {
    if (points_.empty()) return {};
    Scene& scene = target_.scene;
    {
        std::lock_guard lock(target_.outputLock);
        scene.springs.reserve(scene.springs.size() + points_.size());
        for (std::size_t i = 0; i < points_.size(); ++i) {
            CSpring spring;
            spring.x = points_[i].x;
            spring.y = points_[i].y;
            spring.ID = Advanced(firstID_, i);
            scene.springs.push_back(std::move(spring));
        }
        scene.m_nNextID = Advanced(firstID_, points_.size());
        scene.Reindex();
    }
    for (std::size_t i = 0; i < points_.size(); ++i) target_.selection.SetSpring(Advanced(firstID_, i), true);
    Change change = group_.Apply();
    change.what |= Change::kSprings | Change::kGroups | Change::kSelection | Change::kSettings;
    change.allTracks = true;  // layers name springs and groups by ID
    return change;
}

Change BatchAddCommand::Revert() {
    if (points_.empty()) return {};
    Change change = group_.Revert();
    Scene& scene = target_.scene;
    std::vector<CSpring> removed;  // freed after the lock is released
    {
        std::lock_guard lock(target_.outputLock);
        const std::size_t keep = scene.springs.size() - std::min(points_.size(), scene.springs.size());
        removed.assign(std::make_move_iterator(scene.springs.begin() + static_cast<std::ptrdiff_t>(keep)),
                       std::make_move_iterator(scene.springs.end()));
        scene.springs.resize(keep);
        scene.m_nNextID = firstID_;
        scene.Reindex();
    }
    for (std::size_t i = 0; i < points_.size(); ++i) target_.selection.SetSpring(Advanced(firstID_, i), false);
    change.what |= Change::kSprings | Change::kGroups | Change::kSelection | Change::kSettings;
    change.allTracks = true;
    return change;
}

}  // namespace velmora
