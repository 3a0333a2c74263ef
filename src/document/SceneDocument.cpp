#include "document/SceneDocument.h"

#include <algorithm>
#include <limits>

#include "app/AtomicFile.h"
#include "app/Prompter.h"
#include "app/RegularFile.h"
#include "engine/AssetCaches.h"
#include "engine/ShowCompiler.h"
#include "scene/PointTable.h"
#include "scene/SceneFile.h"

namespace velmora {
namespace {

// Merge keys: one per drag gesture (springs on the canvas, a member in the
// group element panel), one per selection moved by arrow keys.
constexpr std::uint64_t kDragKey = 1ull << 63;
constexpr std::uint64_t kArrowKey = 1ull << 62;
constexpr std::uint64_t kMemberDragKey = 1ull << 61;

// A point table holds a few hundred bytes per spring; anything far beyond
// what the largest scene could export is not one.
constexpr std::size_t kMaxPointTableBytes = std::size_t{256} << 20;

std::uint64_t ArrowKeyOf(const std::vector<std::size_t>& positions) {
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a
    for (const std::size_t position : positions) {
        hash ^= position;
        hash *= 1099511628211ull;
    }
    return kArrowKey | (hash & (kArrowKey - 1)) | 1u;
}

std::int32_t Clamped(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

SceneDocument::SceneDocument(Scene& scene, const Show& show, AssetCaches& caches, OutputImage& output,
                             std::mutex& outputLock)
    : scene_(scene),
      show_(show),
      caches_(caches),
      outputLock_(outputLock),
      target_{scene, output, outputLock, selection_, {}} {}

bool SceneDocument::Load(const std::filesystem::path& path, std::string* error) {
    Scene loaded;
    std::string reason;
    bool ok = true;
    if (std::filesystem::exists(path)) ok = file_.Load(path, loaded, &reason);
    if (!ok) loaded = Scene{};
    // The open show keeps playing on the new scene: its motor tracks are
    // built for the new springs first and go in with them.
    loaded.Reindex();
    std::vector<SpringTracks> tracks;
    BuildTracks(loaded, show_, caches_, tracks);
    SwapTracksIn(loaded, tracks);
    {
        std::lock_guard lock(outputLock_);
        scene_ = std::move(loaded);
        scene_.Reindex();
        target_.output.Reallocate(scene_.g_Channels);
    }
    selection_ = SceneSelection{};
    ResetHistory();
    Changed(Change{Change::kAll, {}, false});
    if (!ok && error) *error = reason;
    return ok;
}

bool SceneDocument::Save(const std::filesystem::path& path, std::string* error) {
    if (!file_.Save(path, scene_, error)) return false;
    MarkSaved();
    return true;
}

void SceneDocument::AfterChange(const Change& change) {
    if (change.allTracks || !change.springs.empty()) velmora::CompileShow(scene_, show_, caches_, outputLock_);
}

bool SceneDocument::Run(std::unique_ptr<SceneCommand> command) {
    const std::vector<std::string> notices = command->Notices();
    const bool done = Execute(std::move(command));
    if (prompter_)
        for (const std::string& text : notices) prompter_->Tell(text);
    return done;
}

void SceneDocument::SelectionChanged() {
    Changed(Change{Change::kSelection, {}, false});
}

void SceneDocument::SelectSpring(std::int32_t id, bool selected) {
    if (selection_.SetSpring(id, selected)) SelectionChanged();
}

void SceneDocument::SelectGroup(std::int32_t id, bool selected) {
    if (selection_.SetGroup(id, selected)) SelectionChanged();
}

void SceneDocument::ClearSelection() {
    const bool springs = selection_.ClearSprings();
    const bool groups = selection_.ClearGroups();
    if (springs || groups) SelectionChanged();
}

std::vector<std::int32_t> SceneDocument::SelectedSpringIDs() const {
    std::vector<std::int32_t> ids;
    for (const std::size_t i : selection_.SpringPositions(scene_)) ids.push_back(scene_.springs[i].ID);
    return ids;
}

std::vector<std::int32_t> SceneDocument::SelectedGroupIDs() const {
    std::vector<std::int32_t> ids;
    for (const std::size_t i : selection_.GroupPositions(scene_)) ids.push_back(scene_.groups[i].ID);
    return ids;
}

std::optional<std::int32_t> SceneDocument::FirstSelectedSpring() const {
    const auto positions = selection_.SpringPositions(scene_);
    if (positions.empty()) return std::nullopt;
    return scene_.springs[positions.front()].ID;
}

bool SceneDocument::PressAt(std::optional<std::int32_t> hit, std::int32_t x, std::int32_t y, bool shift) {
    if (hit && scene_.FindSpring(*hit) == nullptr) hit.reset();
    bool changed = false;
    if (!shift && !(hit && selection_.HasSpring(*hit))) changed = selection_.ClearSprings();
    if (hit) {
        const bool select = shift ? !selection_.HasSpring(*hit) : true;
        changed = selection_.SetSpring(*hit, select) || changed;
    }
    selection_.dragOffsets.clear();
    selection_.dragging = hit.has_value();
    if (selection_.dragging) {
        selection_.dragGesture = ++gestures_;
        for (const std::size_t i : selection_.SpringPositions(scene_)) {
            const CSpring& spring = scene_.springs[i];
            selection_.dragOffsets.emplace(spring.ID, SceneSelection::DragOffset{
                                                          Clamped(std::int64_t{x} - spring.x),
                                                          Clamped(std::int64_t{y} - spring.y)});
        }
    }
    if (changed) SelectionChanged();
    return hit.has_value();
}

bool SceneDocument::DragTo(std::int32_t x, std::int32_t y) {
    if (!selection_.dragging) return false;
    std::vector<MoveSpringsCommand::Move> moves;
    for (const std::size_t i : selection_.SpringPositions(scene_)) {
        const CSpring& spring = scene_.springs[i];
        const auto offset = selection_.dragOffsets.find(spring.ID);
        if (offset == selection_.dragOffsets.end()) continue;
        moves.push_back({i, spring.x, spring.y, Clamped(std::int64_t{x} - offset->second.dx),
                         Clamped(std::int64_t{y} - offset->second.dy)});
    }
    if (moves.empty()) return false;
    return Run(std::make_unique<MoveSpringsCommand>(target_, std::move(moves), kDragKey | selection_.dragGesture));
}

void SceneDocument::EndDrag() {
    selection_.dragging = false;
    selection_.dragOffsets.clear();
}

void SceneDocument::SelectInBand(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, bool shift) {
    const std::int64_t left = std::min(x0, x1), right = std::max(x0, x1);
    const std::int64_t top = std::min(y0, y1), bottom = std::max(y0, y1);
    bool changed = false;
    for (const CSpring& spring : scene_.springs) {
        const std::int64_t sl = spring.x, st = spring.y;
        const std::int64_t sr = sl + spring.m_nSize, sb = st + spring.m_nSize;
        const bool meets = std::max(left, sl) < std::min(right, sr) && std::max(top, st) < std::min(bottom, sb);
        if (meets) changed = selection_.SetSpring(spring.ID, true) || changed;
        else if (!shift) changed = selection_.SetSpring(spring.ID, false) || changed;
    }
    if (changed) SelectionChanged();
}

bool SceneDocument::AddSpringAt(std::int32_t x, std::int32_t y) {
    if (m_nMode == kWatch) return false;
    return Run(std::make_unique<AddSpringCommand>(target_, x, y, true));
}

bool SceneDocument::AddSpringOnClick(std::int32_t x, std::int32_t y) {
    return Run(std::make_unique<AddSpringCommand>(target_, x, y, false));
}

bool SceneDocument::MoveSelected(std::int32_t dx, std::int32_t dy) {
    const auto positions = selection_.SpringPositions(scene_);
    if (positions.empty() || (dx == 0 && dy == 0)) return false;
    std::vector<MoveSpringsCommand::Move> moves;
    moves.reserve(positions.size());
    for (const std::size_t i : positions) {
        const CSpring& spring = scene_.springs[i];
        moves.push_back({i, spring.x, spring.y, Clamped(std::int64_t{spring.x} + dx),
                         Clamped(std::int64_t{spring.y} + dy)});
    }
    return Run(std::make_unique<MoveSpringsCommand>(target_, std::move(moves), ArrowKeyOf(positions)));
}

bool SceneDocument::DeleteSelectedSprings() {
    if (m_nMode == kWatch) return false;
    auto positions = selection_.SpringPositions(scene_);
    if (positions.empty()) {
        if (prompter_) prompter_->Tell(kNothingSelected);
        return false;
    }
    EndDrag();
    return Run(std::make_unique<DeleteCommand>(target_, std::move(positions), std::vector<std::size_t>{}));
}

bool SceneDocument::DeleteSelectedGroups() {
    auto positions = selection_.GroupPositions(scene_);
    if (positions.empty()) return false;
    return Run(std::make_unique<DeleteCommand>(target_, std::vector<std::size_t>{}, std::move(positions)));
}

bool SceneDocument::MakeGroup(std::int32_t initX, std::int32_t initY, bool special) {
    return Run(std::make_unique<MakeGroupCommand>(target_, selection_.SpringPositions(scene_), special, initX, initY));
}

bool SceneDocument::AddSelectionToGroup(std::size_t g) {
    if (g >= scene_.groups.size()) return false;
    return Run(std::make_unique<AddToGroupCommand>(target_, g, selection_.SpringPositions(scene_)));
}

bool SceneDocument::RemoveMember(std::int32_t groupID, std::size_t index) {
    const int g = scene_.GroupIndexOf(groupID);
    if (g < 0) return false;
    return Run(std::make_unique<RemoveMemberCommand>(target_, static_cast<std::size_t>(g), index));
}

bool SceneDocument::MoveMember(std::int32_t groupID, std::size_t index, int step, std::uint64_t gesture) {
    const int g = scene_.GroupIndexOf(groupID);
    if (g < 0) return false;
    const std::uint64_t key = gesture == 0 ? 0 : kMemberDragKey | (gesture & (kMemberDragKey - 1));
    return Run(std::make_unique<MoveMemberCommand>(target_, static_cast<std::size_t>(g), index, step, key));
}

bool SceneDocument::EditSpring(std::int32_t id, const SpringSheet& sheet) {
    const int i = scene_.SpringIndexOf(id);
    if (i < 0) return false;
    return Run(std::make_unique<EditSpringCommand>(target_, static_cast<std::size_t>(i), sheet));
}

bool SceneDocument::EditGroup(std::int32_t id, const GroupSheet& sheet) {
    const int g = scene_.GroupIndexOf(id);
    if (g < 0) return false;
    return Run(std::make_unique<EditGroupCommand>(target_, static_cast<std::size_t>(g), sheet));
}

bool SceneDocument::EditSystemSettings(const SystemSheet& sheet) {
    return Run(std::make_unique<EditSystemSettingsCommand>(target_, sheet));
}

bool SceneDocument::SetPrepareTime(std::int32_t ms) {
    if (ms < 0) return false;
    return Run(std::make_unique<SetPrepareTimeCommand>(target_, ms));
}

bool SceneDocument::SetBackground(const std::string& path) {
    if (path.size() >= SceneSettings::kPathBuffer) return false;
    return Run(std::make_unique<SetBackgroundCommand>(target_, path));
}

bool SceneDocument::ApplyChannels(const std::vector<std::pair<int, ChannelSheet>>& sheets) {
    return Run(std::make_unique<ApplyChannelsCommand>(target_, sheets));
}

bool SceneDocument::ImportPointTable(const std::filesystem::path& path) {
    if (prompter_ && !prompter_->AskYesNo(kImportQuestion)) return false;
    std::string bytes;
    if (ReadRegularFile(path, kMaxPointTableBytes, bytes) != ReadFileStatus::Ok) {
        if (prompter_) prompter_->Tell(kOpenFileFailed);
        return false;
    }
    std::vector<PointTableRow> rows;
    std::string error;
    if (!ReadPointTable(bytes, scene_, rows, &error)) {
        if (prompter_) prompter_->Tell(error);
        return false;
    }
    Run(std::make_unique<ImportPointTableCommand>(target_, rows));
    if (prompter_) prompter_->Tell(kImportDone);
    return true;
}

bool SceneDocument::ExportPointTable(const std::filesystem::path& path) {
    const bool written = WriteFileAtomically(path, WritePointTable(scene_));
    if (prompter_) prompter_->Tell(written ? kExportDone : kOpenFileFailed);
    return written;
}

bool SceneDocument::BatchAdd(const BatchSettings& settings) {
    if (m_nMode == kWatch) return false;
    const std::int64_t count = BatchCount(settings);
    const char* refusal = nullptr;
    if (count == 0) refusal = kBatchBadSettings;
    else if (count > std::int64_t{Scene::kMaxSprings} - static_cast<std::int64_t>(scene_.springs.size()))
        refusal = kBatchTooMany;
    if (refusal) {
        if (prompter_) prompter_->Tell(refusal);
        return false;
    }
    return Run(std::make_unique<BatchAddCommand>(target_, PlaceBatch(settings, count)));
}

}  // namespace velmora
