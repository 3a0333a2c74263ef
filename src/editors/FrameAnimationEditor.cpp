#include "editors/FrameAnimationEditor.h"

#include <algorithm>
#include <cstring>

#include "app/AtomicFile.h"
#include "editors/ItemRow.h"

namespace velmora {

namespace {

// The versions an editor of ours ever wrote; anything else is not opened,
// so that saving never turns an unknown layout into a wrong one.
bool KnownVersion(float v) { return v == 1.0f || v == 1.1f || v == 1.2f; }

std::int32_t ClampLevel(std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, 0, FrameAnimationEditor::kMaxLevel));
}

bool SamePage(const FRAME_PAGE& a, const FRAME_PAGE& b) { return std::memcmp(&a, &b, sizeof(FRAME_PAGE)) == 0; }

}  // namespace

bool CellSelected(const FRAME_NODE& node) {
    std::int32_t v = 0;
    std::memcpy(&v, node.m_editor.data(), sizeof v);
    return v == 1;
}

void SetCellSelected(FRAME_NODE& node, std::int32_t selected) {
    std::memcpy(node.m_editor.data(), &selected, sizeof selected);
}

std::int32_t LevelFromDrag(int grab, int row, int y) {
    const std::int64_t v = (static_cast<std::int64_t>(grab) + 30LL * row - y + 20) * 128 / 26;
    if (v > 0) return 128;
    if (v < -128) return 0;
    return static_cast<std::int32_t>(v + 128);
}

std::int32_t ToolLevel(FrameTool tool, std::int64_t k, std::int64_t n, std::int32_t min, std::int32_t max) {
    const std::int64_t delta = static_cast<std::int64_t>(max) - min;
    const std::int64_t h = n / 2;
    std::int64_t v = min;
    switch (tool) {
        case FrameTool::SlopeUp: v = min + delta * k / n; break;
        case FrameTool::SlopeDown: v = min + delta * (n - k + 1) / n; break;
        case FrameTool::Valley: {
            const std::int64_t r = n - k + 1;
            v = r > h ? min + (r - h - 1) * delta * 2 / n : min + (h - r) * delta * 2 / n;
            break;
        }
        case FrameTool::Peak: v = k <= h ? min + k * delta * 2 / n : min + (n - k + 1) * delta * 2 / n; break;
    }
    // An odd count lifts the middle of a peak above the maximum (5 cells of
    // 0..128 would reach 153); a level is never beyond 0..128.
    return ClampLevel(v);
}

FrameAnimationEditor::FrameAnimationEditor() : pages_(std::make_unique<std::array<FRAME_PAGE, kMaxFramePages>>()) {}

bool FrameAnimationEditor::Take(FrameComplierCache& record, std::string fileName, std::string* error) {
    if (!KnownVersion(record.m_fVersion)) {
        if (error != nullptr) *error = "未知的版本 " + std::to_string(record.m_fVersion);
        return false;
    }
    settings_ = FrameSettings{record.m_nDefaultDuration, record.m_nPageCount, record.m_nCols, record.m_nRows,
                              record.m_nMaxLevel,        record.m_nOption,    record.m_nStep};
    pages_->fill(FRAME_PAGE{});
    std::copy(record.m_pPages.begin(), record.m_pPages.end(), pages_->begin());
    extra_ = record.m_extra;
    m_nPage = 0;
    m_strFileName = std::move(fileName);
    corner1_ = corner2_ = FrameCorner{};
    ring_.clear();
    undo_.clear();
    redo_.clear();
    cleanDepth_ = 0;
    stroking_ = false;
    return true;
}

bool FrameAnimationEditor::Parse(std::string_view bytes, std::string fileName, std::string* error) {
    FrameComplierCache record;
    return ParseFrameFile(bytes, record, error) && Take(record, std::move(fileName), error);
}

bool FrameAnimationEditor::Open(const std::filesystem::path& path, std::string* error) {
    FrameComplierCache record;
    return LoadFrameFile(path, record, error) && Take(record, path.filename().string(), error);
}

std::string FrameAnimationEditor::Serialize() const {
    FrameComplierCache record;
    record.m_nCols = settings_.m_nCols;
    record.m_nRows = settings_.m_nRows;
    record.m_nDefaultDuration = settings_.m_nInterval;
    const auto count = static_cast<std::size_t>(std::clamp(settings_.m_nPageCount, 0, kMaxFramePages));
    record.m_nPageCount = static_cast<std::int32_t>(count);
    record.m_pPages.assign(pages_->begin(), pages_->begin() + static_cast<std::ptrdiff_t>(count));
    record.m_nMaxLevel = settings_.m_nSlopeMax;
    record.m_nOption = settings_.m_nSlopeMin;
    record.m_nStep = settings_.m_nStep;
    record.m_extra = extra_;
    return SerializeFrameFile(record, kFrameFileVersion);
}

bool FrameAnimationEditor::Save(const std::filesystem::path& folder, const std::string& name, std::string* error) {
    const std::string file = WithExtension(name, ".frm");
    if (!WriteFileAtomically(folder / file, Serialize(), error)) return false;
    m_strFileName = file;
    cleanDepth_ = static_cast<std::ptrdiff_t>(undo_.size());
    return true;
}

void FrameAnimationEditor::SetPage(int index) {
    m_nPage = std::clamp(index, 0, std::max(0, std::min(settings_.m_nPageCount, kMaxFramePages) - 1));
}

void FrameAnimationEditor::ClearSelection(FRAME_PAGE& page) {
    for (FRAME_NODE& node : page.m_nodes) SetCellSelected(node, 0);
}

void FrameAnimationEditor::ClickCell(int row, int col, bool shift, bool ctrl) {
    if (!InUse(row, col)) return;
    FRAME_PAGE& page = Current();
    if (!ctrl) ClearSelection(page);
    if (!shift) {
        corner1_ = corner2_ = FrameCorner{};
        ring_.clear();
    }
    if (!shift || !corner1_.set()) {
        FRAME_NODE& node = page.m_nodes[Index(row, col)];
        SetCellSelected(node, ctrl ? (CellSelected(node) ? 0 : 1) : 1);
        corner1_ = {row, col};
        return;
    }
    corner2_ = {row, col};
    for (int r = corner1_.row; r <= corner2_.row; ++r)
        for (int c = corner1_.col; c <= corner2_.col; ++c) SetCellSelected(page.m_nodes[Index(r, c)], 1);
}

void FrameAnimationEditor::Record(std::vector<int> pages) {
    if (stroking_) EndStroke();  // any other edit ends a level drag first
    Step step{settings_, m_nPage, {}};
    step.pages.reserve(pages.size());
    for (int p : pages) step.pages.emplace_back(p, (*pages_)[static_cast<std::size_t>(p)]);
    undo_.push_back(std::move(step));
}

bool FrameAnimationEditor::Finish() {
    Step& step = undo_.back();
    bool changed = !(step.settings == settings_);
    for (const auto& [index, before] : step.pages)
        changed = changed || !SamePage(before, (*pages_)[static_cast<std::size_t>(index)]);
    if (!changed) {
        undo_.pop_back();
        return false;
    }
    // A new edit: what was undone cannot be redone, and a saved state among it is gone.
    if (cleanDepth_ >= static_cast<std::ptrdiff_t>(undo_.size())) cleanDepth_ = -1;
    redo_.clear();
    std::size_t bytes = 0;
    for (const Step& s : undo_) bytes += s.pages.size() * sizeof(FRAME_PAGE);
    std::size_t dropped = 0;
    while (bytes > kUndoBudgetBytes && undo_.size() - dropped > 1) {
        bytes -= undo_[dropped].pages.size() * sizeof(FRAME_PAGE);
        ++dropped;
    }
    if (dropped > 0) {
        undo_.erase(undo_.begin(), undo_.begin() + static_cast<std::ptrdiff_t>(dropped));
        cleanDepth_ = cleanDepth_ >= static_cast<std::ptrdiff_t>(dropped)
                          ? cleanDepth_ - static_cast<std::ptrdiff_t>(dropped)
                          : -1;
    }
    return true;
}

void FrameAnimationEditor::Exchange(Step& step) {
    std::swap(step.settings, settings_);
    for (auto& [index, page] : step.pages) std::swap(page, (*pages_)[static_cast<std::size_t>(index)]);
    // Undo and redo both show the page the edit was made on.
    SetPage(step.page);
}

bool FrameAnimationEditor::Undo() {
    if (undo_.empty() || stroking_) return false;
    Step step = std::move(undo_.back());
    undo_.pop_back();
    Exchange(step);
    redo_.push_back(std::move(step));
    return true;
}

bool FrameAnimationEditor::Redo() {
    if (redo_.empty() || stroking_) return false;
    Step step = std::move(redo_.back());
    redo_.pop_back();
    Exchange(step);
    undo_.push_back(std::move(step));
    return true;
}

bool FrameAnimationEditor::ToggleFull(int row, int col) {
    if (!InUse(row, col)) return false;
    Record({m_nPage});
    std::int32_t& level = Current().m_nodes[Index(row, col)].m_nLevel;
    level = level == kMaxLevel ? 0 : kMaxLevel;
    return Finish();
}

bool FrameAnimationEditor::WriteValue(int row, int col, std::int32_t level) {
    if (!InUse(row, col)) return false;
    Record({m_nPage});
    const std::int32_t v = ClampLevel(level);
    FRAME_PAGE& page = Current();
    page.m_nodes[Index(row, col)].m_nLevel = v;
    for (FRAME_NODE& node : page.m_nodes)
        if (CellSelected(node)) node.m_nLevel = v;
    return Finish();
}

bool FrameAnimationEditor::ApplyTool(FrameTool tool) {
    if (!corner1_.set() || !corner2_.set()) return false;
    const std::int64_t rows = corner2_.row - corner1_.row + 1;
    const std::int64_t cols = corner2_.col - corner1_.col + 1;
    if (rows <= 0 || cols <= 0) return false;
    const std::int64_t n = rows * cols;
    Record({m_nPage});
    FRAME_PAGE& page = Current();
    std::int64_t k = 0;
    for (int r = corner1_.row; r <= corner2_.row; ++r)
        for (int c = corner1_.col; c <= corner2_.col; ++c)
            page.m_nodes[Index(r, c)].m_nLevel =
                ToolLevel(tool, ++k, n, settings_.m_nSlopeMin, settings_.m_nSlopeMax);
    return Finish();
}

bool FrameAnimationEditor::ChangeSelected(std::int64_t delta) {
    Record({m_nPage});
    FRAME_PAGE& page = Current();
    for (int r = 0; r < settings_.m_nRows && r < kFrameGrid; ++r)
        for (int c = 0; c < settings_.m_nCols && c < kFrameGrid; ++c) {
            FRAME_NODE& node = page.m_nodes[Index(r, c)];
            if (CellSelected(node)) node.m_nLevel = ClampLevel(static_cast<std::int64_t>(node.m_nLevel) + delta);
        }
    return Finish();
}

bool FrameAnimationEditor::Increase() { return ChangeSelected(settings_.m_nStep); }
bool FrameAnimationEditor::Decrease() { return ChangeSelected(-static_cast<std::int64_t>(settings_.m_nStep)); }

void FrameAnimationEditor::CopyCells() {
    cellClipboard_.clear();
    const FRAME_PAGE& page = Current();
    for (int r = 0; r < settings_.m_nRows && r < kFrameGrid; ++r)
        for (int c = 0; c < settings_.m_nCols && c < kFrameGrid; ++c)
            if (CellSelected(page.m_nodes[Index(r, c)])) cellClipboard_.push_back({r, c, page.m_nodes[Index(r, c)]});
}

bool FrameAnimationEditor::PasteCells(PasteAnchor anchor) {
    if (cellClipboard_.empty() || !corner1_.set()) return false;
    int minRow = kFrameGrid, maxRow = -1, minCol = kFrameGrid, maxCol = -1;
    for (const CopiedCell& cell : cellClipboard_) {
        minRow = std::min(minRow, cell.row);
        maxRow = std::max(maxRow, cell.row);
        minCol = std::min(minCol, cell.col);
        maxCol = std::max(maxCol, cell.col);
    }
    const bool bottom = anchor == PasteAnchor::BottomRight || anchor == PasteAnchor::BottomLeft;
    const bool right = anchor == PasteAnchor::TopRight || anchor == PasteAnchor::BottomRight;
    const int r0 = bottom ? maxRow : minRow;
    const int c0 = right ? maxCol : minCol;
    Record({m_nPage});
    FRAME_PAGE& page = Current();
    for (const CopiedCell& cell : cellClipboard_) {
        const int r = corner1_.row + cell.row - r0;
        const int c = corner1_.col + cell.col - c0;
        if (InUse(r, c)) page.m_nodes[Index(r, c)] = cell.node;
    }
    return Finish();
}

bool FrameAnimationEditor::SelectRing() {
    if (!corner1_.set() || corner2_.set()) return false;
    const int r = corner1_.row, c = corner1_.col;
    if (!InUse(r, c)) return false;
    FRAME_PAGE& page = Current();
    ClearSelection(page);
    ring_.clear();
    const int rows = settings_.m_nRows, cols = settings_.m_nCols;
    const int d = std::min({r, rows - r - 1, c, cols - c - 1});
    const int bottom = rows - d - 1, right = cols - d - 1;
    for (int row = d; row <= bottom; ++row) ring_.emplace_back(row, d);
    for (int col = d + 1; col <= right; ++col) ring_.emplace_back(bottom, col);
    // A ring one row high or one column wide has no far edges: walking them
    // would list its cells twice.
    if (right > d)
        for (int row = bottom - 1; row >= d; --row) ring_.emplace_back(row, right);
    if (bottom > d)
        for (int col = right - 1; col >= d + 1; --col) ring_.emplace_back(d, col);
    for (const auto& [row, col] : ring_) SetCellSelected(page.m_nodes[Index(row, col)], 1);
    return true;
}

bool FrameAnimationEditor::Rotate(bool towardsHead) {
    if (ring_.size() < 2) return false;
    Record({m_nPage});
    FRAME_PAGE& page = Current();
    std::vector<FRAME_NODE> nodes;
    nodes.reserve(ring_.size());
    for (const auto& [row, col] : ring_) nodes.push_back(page.m_nodes[Index(row, col)]);
    if (towardsHead) {
        std::rotate(nodes.begin(), nodes.begin() + 1, nodes.end());
    } else {
        std::rotate(nodes.rbegin(), nodes.rbegin() + 1, nodes.rend());
    }
    for (std::size_t i = 0; i < ring_.size(); ++i) page.m_nodes[Index(ring_[i].first, ring_[i].second)] = nodes[i];
    return Finish();
}

bool FrameAnimationEditor::SetDuration(std::int32_t ms) {
    Record({m_nPage});
    Current().m_nDuration = std::max(ms, 0);
    return Finish();
}

void FrameAnimationEditor::BeginStroke() {
    Record({m_nPage});
    stroking_ = true;
}

bool FrameAnimationEditor::StrokeLevel(int row, int col, std::int32_t level) {
    if (!InUse(row, col)) return false;
    const bool single = !stroking_;
    if (single) Record({m_nPage});
    std::int32_t& cell = Current().m_nodes[Index(row, col)].m_nLevel;
    const std::int32_t v = ClampLevel(level);
    const bool changed = cell != v;
    cell = v;
    if (single) return Finish();
    return changed;
}

void FrameAnimationEditor::EndStroke() {
    if (!stroking_) return;
    stroking_ = false;
    Finish();
}

void FrameAnimationEditor::ClickPage(int index, bool shift) {
    const int count = std::clamp(settings_.m_nPageCount, 0, kMaxFramePages);
    if (index < 0 || index >= count) return;
    int first = -1;
    for (int p = 0; p < count && first < 0; ++p)
        if ((*pages_)[static_cast<std::size_t>(p)].m_reserved0 == 1) first = p;
    for (FRAME_PAGE& page : *pages_) page.m_reserved0 = 0;
    if (!shift || first < 0) {
        (*pages_)[static_cast<std::size_t>(index)].m_reserved0 = 1;
        return;
    }
    for (int p = std::min(first, index); p <= std::max(first, index); ++p)
        (*pages_)[static_cast<std::size_t>(p)].m_reserved0 = 1;
}

bool FrameAnimationEditor::MarkLoop() {
    const int count = std::clamp(settings_.m_nPageCount, 0, kMaxFramePages);
    int first = -1, last = -1;
    for (int p = 0; p < count; ++p) {
        if ((*pages_)[static_cast<std::size_t>(p)].m_reserved0 != 1) continue;
        if (first < 0) first = p;
        last = p;
    }
    if (first < 0) return false;
    std::vector<int> touched;
    for (int p = 0; p < kMaxFramePages; ++p) {
        const FRAME_PAGE& page = (*pages_)[static_cast<std::size_t>(p)];
        if (page.m_bLoopStart != 0 || page.m_bLoopEnd != 0 || p == first || p == last) touched.push_back(p);
    }
    Record(touched);
    for (FRAME_PAGE& page : *pages_) page.m_bLoopStart = page.m_bLoopEnd = 0;
    (*pages_)[static_cast<std::size_t>(first)].m_bLoopStart = 1;
    (*pages_)[static_cast<std::size_t>(last)].m_bLoopEnd = 1;
    return Finish();
}

void FrameAnimationEditor::CopyPages() {
    pageClipboard_.clear();
    const int count = std::clamp(settings_.m_nPageCount, 0, kMaxFramePages);
    for (int p = 0; p < count; ++p)
        if ((*pages_)[static_cast<std::size_t>(p)].m_reserved0 == 1)
            pageClipboard_.push_back((*pages_)[static_cast<std::size_t>(p)]);
}

bool FrameAnimationEditor::PastePages(bool reversed) {
    if (pageClipboard_.empty()) return false;
    const int count = std::clamp(settings_.m_nPageCount, 0, kMaxFramePages);
    int first = -1;
    for (int p = 0; p < count && first < 0; ++p)
        if ((*pages_)[static_cast<std::size_t>(p)].m_reserved0 == 1) first = p;
    if (first < 0) return false;
    const int n = std::min(static_cast<int>(pageClipboard_.size()), count - first);
    std::vector<int> touched;
    for (int i = 0; i < n; ++i) touched.push_back(first + i);
    Record(touched);
    for (int i = 0; i < n; ++i) {
        const std::size_t from = reversed ? pageClipboard_.size() - 1 - static_cast<std::size_t>(i) : static_cast<std::size_t>(i);
        (*pages_)[static_cast<std::size_t>(first + i)] = pageClipboard_[from];
    }
    return Finish();
}

int FrameAnimationEditor::FirstStripSelected() const {
    const int count = std::clamp(settings_.m_nPageCount, 0, kMaxFramePages);
    for (int p = 0; p < count; ++p)
        if ((*pages_)[static_cast<std::size_t>(p)].m_reserved0 == 1) return p;
    return -1;
}

bool FrameAnimationEditor::InsertPage() {
    const int count = std::clamp(settings_.m_nPageCount, 0, kMaxFramePages);
    if (count >= kMaxFramePages) return false;
    const int selected = FirstStripSelected();
    const int at = selected >= 0 ? selected : std::min(m_nPage, count);
    // The slot just past the last page is overwritten too: it may hold a
    // page hidden by an earlier, smaller page count.
    std::vector<int> touched;
    for (int p = at; p <= count; ++p) touched.push_back(p);
    Record(touched);
    auto& pages = *pages_;
    std::move_backward(pages.begin() + at, pages.begin() + count, pages.begin() + count + 1);
    pages[static_cast<std::size_t>(at)] = FRAME_PAGE{};
    settings_.m_nPageCount = count + 1;
    return Finish();
}

bool FrameAnimationEditor::DeletePages() {
    const int count = std::clamp(settings_.m_nPageCount, 0, kMaxFramePages);
    std::vector<FRAME_PAGE> kept;
    int first = -1;
    for (int p = 0; p < count; ++p) {
        const FRAME_PAGE& page = (*pages_)[static_cast<std::size_t>(p)];
        if (page.m_reserved0 == 1) {
            if (first < 0) first = p;
        } else if (first >= 0) {
            kept.push_back(page);
        }
    }
    // An animation keeps at least one page.
    if (first < 0 || first + static_cast<int>(kept.size()) < 1) return false;
    std::vector<int> touched;
    for (int p = first; p < count; ++p) touched.push_back(p);
    Record(touched);
    auto& pages = *pages_;
    std::copy(kept.begin(), kept.end(), pages.begin() + first);
    const int newCount = first + static_cast<int>(kept.size());
    std::fill(pages.begin() + newCount, pages.begin() + count, FRAME_PAGE{});
    settings_.m_nPageCount = newCount;
    SetPage(m_nPage);
    return Finish();
}

bool FrameAnimationEditor::SetSettings(FrameSettings s) {
    s.m_nInterval = std::clamp(s.m_nInterval, kMinInterval, kMaxInterval);
    s.m_nPageCount = std::clamp(s.m_nPageCount, 1, kMaxFramePages);
    s.m_nCols = std::clamp(s.m_nCols, 1, kFrameGrid);
    s.m_nRows = std::clamp(s.m_nRows, 1, kFrameGrid);
    s.m_nSlopeMax = std::clamp(s.m_nSlopeMax, 0, kMaxLevel);
    s.m_nSlopeMin = std::clamp(s.m_nSlopeMin, 0, kMaxLevel);
    s.m_nStep = std::clamp(s.m_nStep, 0, kMaxLevel);
    Record({});
    settings_ = s;
    if (m_nPage >= settings_.m_nPageCount) m_nPage = 0;
    return Finish();
}

}  // namespace velmora
