#include "document/ShowDocument.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>

#include "app/Prompter.h"
#include "document/BlockCommands.h"
#include "document/LayerCommands.h"
#include "document/MusicMultiplierCommand.h"
#include "engine/AssetCaches.h"
#include "engine/ShowCompiler.h"
#include "engine/Truncate.h"
#include "show/ShowFile.h"

namespace velmora {

namespace {

bool IsRotation(const TimeBlock& block) {
    return block.nSpecicalType == kActionRotateZ || block.nSpecicalType == kActionRotateY;
}

// Merge keys: the kind of gesture in the top bits, so that a drag, a run of
// arrow keys and a resize never take each other in.
constexpr std::uint64_t kDragKey = 1ull << 63;
constexpr std::uint64_t kNudgeKey = 1ull << 62;
constexpr std::uint64_t kResizeKey = 1ull << 61;
constexpr std::uint64_t kKindMask = kDragKey | kNudgeKey | kResizeKey;

// Arrow-key moves merge while they move the same blocks.
std::uint64_t NudgeKey(const std::vector<PlaceBlocksCommand::Item>& items, const std::vector<TimeBlock>& blocks) {
    std::uint64_t hash = 1469598103934665603ull;  // FNV-1a over the serials
    for (const auto& item : items) {
        hash ^= static_cast<std::uint32_t>(blocks[item.index].m_nSerial);
        hash *= 1099511628211ull;
    }
    return kNudgeKey | (hash & ~kKindMask);
}

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

}  // namespace

ShowDocument::ShowDocument(Show& show, Scene& scene, AssetCaches& caches, std::mutex& outputLock)
    : show_(show), scene_(scene), caches_(caches), outputLock_(outputLock) {}

// --- File --------------------------------------------------------------------

bool ShowDocument::Load(const std::filesystem::path& path, std::string* error,
                        const std::function<void()>& alsoUnderLock) {
    Show loaded;
    const bool ok = file_.Load(path, loaded, &scene_, error);
    // The incoming show's tracks are built before anything is replaced, and
    // show and tracks go in together: in between, the engine would evaluate
    // the new show's blocks against the old show's motor angles. A load is
    // also when files that were missing a moment ago are looked for again.
    caches_.ForgetFailedLookups();
    std::vector<SpringTracks> tracks;
    loadCompile_ = BuildTracks(scene_, loaded, caches_, tracks);
    // Its assets go in in the same instant, or the first ticks of the new
    // show would find only the old show's files.
    std::shared_ptr<const ShowAssets> assets;
    if (assetSlot_) assets = PrepareShowAssets(scene_, loaded, caches_);
    {
        std::lock_guard lock(outputLock_);
        show_ = std::move(loaded);
        SwapTracksIn(scene_, tracks);
        if (assetSlot_) assetSlot_->swap(assets);
        if (alsoUnderLock) alsoUnderLock();
    }
    selection_.Clear();
    drag_.clear();
    m_nArmedRow = -1;
    ResetHistory();
    show_.m_bModified = false;
    loading_ = true;
    Changed(Change::Of(Change::kAll));
    loading_ = false;
    return ok;  // the previous tracks are freed here, outside the lock
}

bool ShowDocument::Save(const std::filesystem::path& path, Prompter& prompter, std::string* error) {
    // Callers that set the show's flag by hand are asked as well.
    if ((IsModified() || show_.m_bModified) && !prompter.AskYesNo(kSaveModifiedShowQuestion)) {
        SetError(error, kSaveDeclined);
        return false;
    }
    // The file holds scale 50. Zooming there as a step of the history keeps
    // the positions that older steps put back in the units they were taken in.
    if (show_.m_nScale >= 1 && show_.m_nScale != Show::kFileScale)
        Execute(std::make_unique<SetScaleCommand>(*this, Show::kFileScale));

    RecordingPrompter asked(true);  // the question was put above
    const bool flagged = show_.m_bModified;
    if (!file_.Save(path, show_, asked, outputLock_, error)) {
        show_.m_bModified = flagged || IsModified();
        return false;
    }
    MarkSaved();
    show_.m_bModified = false;
    return true;
}

bool ShowDocument::SetScale(std::int32_t scale) {
    if (scale < 1) return false;
    if (scale == show_.m_nScale) return true;
    return Execute(std::make_unique<SetScaleCommand>(*this, scale));
}

void ShowDocument::UpdateMotorActions() {
    Change change = Change::Of(Change::kTracks);
    change.allTracks = true;
    Changed(change);
}

void ShowDocument::AfterChange(const Change& change) {
    if (change.allTracks) {
        caches_.ForgetFailedLookups();
        CompileShow(scene_, show_, caches_, outputLock_);
    } else if (!change.springs.empty()) {
        CompileSprings(scene_, show_, caches_, outputLock_, change.springs);
    }
    // Moves and resizes name no new file; blocks added or removed, layers
    // rebound and edited properties may. A load has prepared its own.
    constexpr std::uint32_t kNamesFiles = Change::kBlockList | Change::kLayers | Change::kAssets | Change::kTracks;
    if (assetSlot_ && !loading_ && (change.what & kNamesFiles) != 0) {
        std::shared_ptr<const ShowAssets> assets = PrepareShowAssets(scene_, show_, caches_);
        std::lock_guard lock(outputLock_);
        assetSlot_->swap(assets);
    }  // the previous map is let go here, outside the lock
}

void ShowDocument::ModifiedChanged(bool modified) { show_.m_bModified = modified; }

// --- Selection -----------------------------------------------------------------

bool ShowDocument::IsSelected(std::size_t index) const {
    return index < show_.blocks.size() && selection_.Contains(show_.blocks[index]);
}

void ShowDocument::SetSelection(std::span<const std::size_t> indices) {
    selection_.Clear();
    for (const std::size_t i : indices)
        if (i < show_.blocks.size()) selection_.Add(show_.blocks[i]);
    SelectionChanged();
}

void ShowDocument::ClearSelection() {
    if (selection_.Empty()) return;
    selection_.Clear();
    SelectionChanged();
}

void ShowDocument::PressBlock(std::size_t index) {
    if (index >= show_.blocks.size() || IsSelected(index)) return;
    selection_.Clear();
    selection_.Add(show_.blocks[index]);
    SelectionChanged();
}

void ShowDocument::SelectBand(double x0, double y0, double x1, double y1, bool add) {
    const double left = std::min(x0, x1), right = std::max(x0, x1);
    const double top = std::min(y0, y1), bottom = std::max(y0, y1);
    for (const TimeBlock& block : show_.blocks) {
        const double blockTop = static_cast<double>(kRowHeight) * block.cannel + 3;
        const double blockBottom = static_cast<double>(kRowHeight) * block.cannel + 18;
        const bool meets = block.start <= right && block.end >= left && blockTop <= bottom && blockBottom >= top;
        if (meets) selection_.Add(block);
        else if (!add) selection_.Remove(block);
    }
    SelectionChanged();
}

void ShowDocument::SelectionChanged() { Changed(Change::Of(Change::kSelection)); }

// --- Blocks ----------------------------------------------------------------------

bool ShowDocument::AddBlock(std::int32_t row, float start, float end, const char* text) {
    if (row < 0 || row >= kRows) return false;
    TimeBlock block;  // the constructor's values and a serial of its own
    block.cannel = row;
    block.start = start;
    block.end = std::max(end, start + kMinBlockWidth);
    std::vector<TimeBlock> blocks;
    blocks.push_back(std::move(block));
    return Execute(std::make_unique<AddBlocksCommand>(*this, std::move(blocks), text, false));
}

bool ShowDocument::CreateBlock(std::int32_t row, float start, float end) {
    return AddBlock(row, start, end, "新建时间块");
}

bool ShowDocument::CommitRecordedBlock(std::int32_t row, float start, float end) {
    return AddBlock(row, start, end, "录制");
}

void ShowDocument::BeginDrag(std::int32_t x, std::int32_t y) {
    drag_.clear();
    dragGesture_ = NewGesture();
    for (std::size_t i = 0; i < show_.blocks.size(); ++i) {
        const TimeBlock& block = show_.blocks[i];
        if (block.m_bLocked != 0 || !selection_.Contains(block)) continue;
        const std::int64_t dy = static_cast<std::int64_t>(y) - std::int64_t{kRowHeight} * block.cannel;
        drag_.push_back({i, block.m_nSerial, TruncToInt32(static_cast<double>(x) - block.start),
                         SaturateToInt32(dy), block.end - block.start});
    }
}

bool ShowDocument::DragTo(std::int32_t x, std::int32_t y) {
    if (drag_.empty()) return false;
    const std::vector<TimeBlock>& blocks = show_.blocks;
    std::vector<std::int64_t> rows;
    rows.reserve(drag_.size());
    for (const DragItem& item : drag_) {
        // Something else changed the list under the drag: it ends here.
        if (item.index >= blocks.size() || blocks[item.index].m_nSerial != item.serial) {
            drag_.clear();
            return false;
        }
        rows.push_back((static_cast<std::int64_t>(y) - item.dy) / kRowHeight);
    }
    // The selection keeps its shape and stays on the rows that exist: a
    // block dragged above row 0 would be out of reach of every click.
    const auto [low, high] = std::minmax_element(rows.begin(), rows.end());
    std::int64_t shift = 0;
    if (*low < 0) shift = -*low;
    else if (*high > kRows - 1) shift = kRows - 1 - *high;

    std::vector<PlaceBlocksCommand::Item> items;
    items.reserve(drag_.size());
    for (std::size_t k = 0; k < drag_.size(); ++k) {
        const DragItem& item = drag_[k];
        const TimeBlock& block = blocks[item.index];
        BlockPlace after;
        after.start = static_cast<float>(static_cast<std::int64_t>(x) - item.dx);
        after.end = after.start + item.length;
        after.cannel = static_cast<std::int32_t>(std::clamp<std::int64_t>(rows[k] + shift, 0, kRows - 1));
        items.push_back({item.index, {block.start, block.end, block.cannel}, after});
    }
    return Execute(std::make_unique<PlaceBlocksCommand>(*this, std::move(items), "移动", kDragKey | dragGesture_));
}

void ShowDocument::EndDrag() { drag_.clear(); }

bool ShowDocument::Nudge(std::int32_t direction) {
    if (direction == 0) return false;
    const float step = direction < 0 ? -1.0f : 1.0f;
    std::vector<PlaceBlocksCommand::Item> items;
    for (std::size_t i = 0; i < show_.blocks.size(); ++i) {
        const TimeBlock& block = show_.blocks[i];
        if (block.m_bLocked != 0 || !selection_.Contains(block)) continue;
        BlockPlace after;
        after.start = std::trunc(block.start + step);
        after.end = after.start + std::trunc(block.end - block.start);
        after.cannel = block.cannel;
        items.push_back({i, {block.start, block.end, block.cannel}, after});
    }
    if (items.empty()) return false;
    const std::uint64_t key = NudgeKey(items, show_.blocks);
    return Execute(std::make_unique<PlaceBlocksCommand>(*this, std::move(items), "移动", key));
}

bool ShowDocument::Resize(std::size_t index, Edge edge, float x, std::uint64_t gesture) {
    if (index >= show_.blocks.size()) return false;
    const TimeBlock& block = show_.blocks[index];
    if (block.m_bLocked != 0) return false;
    const BlockPlace before{block.start, block.end, block.cannel};
    BlockPlace after = before;
    // A fast mouse can jump past the limit; the edge stops at it.
    if (edge == Edge::kLeft) after.start = std::min(x, block.end - kMinBlockWidth);
    else after.end = std::max(x, block.start + kMinBlockWidth);
    std::vector<PlaceBlocksCommand::Item> items{{index, before, after}};
    const std::uint64_t key = gesture != 0 ? kResizeKey | (gesture & ~kKindMask) : 0;
    return Execute(std::make_unique<PlaceBlocksCommand>(*this, std::move(items), "调整大小", key));
}

bool ShowDocument::DeleteSelected(Prompter& prompter) {
    const std::vector<std::size_t> selected = SelectedIndices();
    if (selected.empty()) return false;
    if (!prompter.AskYesNo(kConfirmDeleteQuestion)) return false;
    std::vector<std::size_t> unlocked;
    for (const std::size_t i : selected)
        if (show_.blocks[i].m_bLocked == 0) unlocked.push_back(i);
    selection_.Clear();
    if (Execute(std::make_unique<DeleteBlocksCommand>(*this, std::move(unlocked), "删除"))) return true;
    SelectionChanged();  // only locked blocks were selected: nothing went, the selection did
    return false;
}

void ShowDocument::CopySelection() {
    clipboard_.clear();
    for (const std::size_t i : SelectedIndices()) clipboard_.push_back(show_.blocks[i]);
}

bool ShowDocument::Paste(float x) {
    if (clipboard_.empty()) return false;
    float smallest = std::numeric_limits<float>::infinity();
    for (const TimeBlock& block : clipboard_) smallest = std::min(smallest, block.start);
    const float shift = x - smallest;
    std::vector<TimeBlock> pasted;
    pasted.reserve(clipboard_.size());
    for (const TimeBlock& block : clipboard_) {
        TimeBlock& copy = pasted.emplace_back(block);
        copy.start = block.start + shift;
        copy.end = block.end + shift;
        copy.m_bLocked = 0;
        // A block of its own: selection and the engine's per-block state
        // must not mistake it for the block it was copied from.
        copy.m_nSerial = NextBlockSerial();
    }
    return Execute(std::make_unique<AddBlocksCommand>(*this, std::move(pasted), "粘贴", true));
}

bool ShowDocument::SetLocked(bool all, bool locked) {
    std::vector<std::size_t> indices;
    if (all) {
        indices.resize(show_.blocks.size());
        for (std::size_t i = 0; i < indices.size(); ++i) indices[i] = i;
    } else {
        indices = SelectedIndices();
    }
    const char* text = all ? (locked ? "全部上锁" : "全部解锁") : (locked ? "锁定" : "解锁");
    return Execute(std::make_unique<LockBlocksCommand>(*this, std::move(indices), locked, text));
}

bool ShowDocument::ToggleProgramGrid(std::int32_t row, float x, std::int32_t unitMs) {
    if (row < 0 || row >= kRows) return false;
    // The hit rectangles: an unlocked block's body and both edge handles, a
    // locked block's body alone.
    for (std::size_t i = 0; i < show_.blocks.size(); ++i) {
        const TimeBlock& block = show_.blocks[i];
        if (block.cannel != row) continue;
        const float margin = block.m_bLocked != 0 ? -2.0f : 2.0f;
        if (x >= block.start - margin && x <= block.end + margin)
            return Execute(std::make_unique<DeleteBlocksCommand>(*this, std::vector<std::size_t>{i}, "删除"));
    }
    if (unitMs <= 0 || show_.m_nScale < 1) return false;
    const float step = static_cast<float>(unitMs) / static_cast<float>(show_.m_nScale);
    TimeBlock block;
    block.cannel = row;
    block.start = std::floor(x / step) * step;
    block.end = block.start + step;
    std::vector<TimeBlock> blocks;
    blocks.push_back(std::move(block));
    return Execute(std::make_unique<AddBlocksCommand>(*this, std::move(blocks), "添加", false));
}

bool ShowDocument::SetBlockProperties(std::size_t index, const TimeBlock& edited) {
    if (index >= show_.blocks.size()) return false;
    return Execute(std::make_unique<BlockPropertiesCommand>(*this, index, edited));
}

bool ShowDocument::SetMusicMultiplier(std::string_view text) {
    return Execute(std::make_unique<MusicMultiplierCommand>(*this, text));
}

// --- Layers ------------------------------------------------------------------------

bool ShowDocument::BindRow(std::int32_t row, std::int32_t groupId) {
    const CSpringGroup* group = scene_.FindGroup(groupId);
    if (group == nullptr) return false;
    return Execute(std::make_unique<BindLayersCommand>(
        *this, std::vector<BindLayersCommand::Row>{{row, Layer{group->name, groupId, kLayerGroup, 0}}}, "选择组"));
}

bool ShowDocument::UnbindRow(std::int32_t row) {
    return Execute(std::make_unique<BindLayersCommand>(
        *this, std::vector<BindLayersCommand::Row>{{row, Layer{"", -1, kLayerGroup, 0}}}, "NULL"));
}

bool ShowDocument::MakeProgramRow(std::int32_t row) {
    if (row < 0 || static_cast<std::size_t>(row) >= show_.layers.size()) return false;
    const std::int32_t id = show_.layers[static_cast<std::size_t>(row)].GroupID;
    return Execute(std::make_unique<BindLayersCommand>(
        *this, std::vector<BindLayersCommand::Row>{{row, Layer{"PROGRAM", id, kLayerProgram, 0}}}, "子程序"));
}

bool ShowDocument::ExpandGroup(std::int32_t row, std::int32_t groupId) {
    const CSpringGroup* group = scene_.FindGroup(groupId);
    if (group == nullptr || row < 0) return false;
    std::vector<BindLayersCommand::Row> rows;
    std::int64_t next = row;
    const auto count = std::clamp<std::int32_t>(group->childCount, 0, CSpringGroup::kMaxChildren);
    for (std::int32_t m = 0; m < count && next < static_cast<std::int64_t>(show_.layers.size()); ++m) {
        const std::int32_t id = group->children[static_cast<std::size_t>(m)];
        if (scene_.FindSpring(id) == nullptr) continue;  // a member naming no spring uses no row
        rows.push_back({static_cast<std::int32_t>(next++), Layer{std::to_string(id), id, kLayerSpring, 0}});
    }
    return Execute(std::make_unique<BindLayersCommand>(*this, std::move(rows), "展开组"));
}

bool ShowDocument::ToggleArmed(std::int32_t row) { return Execute(std::make_unique<ToggleArmedCommand>(*this, row)); }

// --- What a command touches ----------------------------------------------------------

void ShowDocument::AddRowSprings(std::int32_t row, std::vector<std::int32_t>& springs) const {
    if (row < 0 || static_cast<std::size_t>(row) >= show_.layers.size()) return;
    const Layer& layer = show_.layers[static_cast<std::size_t>(row)];
    if (layer.type == kLayerGroup) {
        const CSpringGroup* group = scene_.FindGroup(layer.GroupID);
        if (group == nullptr) return;
        const auto count = std::clamp<std::int32_t>(group->childCount, 0, CSpringGroup::kMaxChildren);
        springs.insert(springs.end(), group->children.begin(), group->children.begin() + count);
    } else if (layer.type == kLayerSpring) {
        springs.push_back(layer.GroupID);
    }
}

void ShowDocument::AddBlockSprings(const TimeBlock& block, std::vector<std::int32_t>& springs) const {
    if (IsRotation(block)) AddRowSprings(block.cannel, springs);
}

bool ShowDocument::RowHasRotation(std::int32_t row) const {
    return std::any_of(show_.blocks.begin(), show_.blocks.end(),
                       [row](const TimeBlock& block) { return block.cannel == row && IsRotation(block); });
}

}  // namespace velmora
