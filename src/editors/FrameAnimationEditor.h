#pragma once
// The editing model of the frame animation editor: up to 100 pages of a
// 50 x 50 grid of levels 0..128, of which the first m_nRows x m_nCols are
// used, painted with the grid's tools and arranged in the page strip, read
// and written as .frm files, with undo.
//
// A cell's grid selection is kept in the cell (the first four editor bytes,
// as the file holds them) and a page's strip selection in the page's byte
// 40004, so a saved file carries both as they were. Selecting is not an
// undo step; undoing an edit restores the page as it was, marks included.
//
// Thread contract: one thread (the editor's).

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/FrameAnimationFile.h"

namespace velmora {

enum class FrameTool { SlopeUp, SlopeDown, Valley, Peak };
enum class PasteAnchor { TopLeft, TopRight, BottomRight, BottomLeft };

struct FrameSettings {
    std::int32_t m_nInterval = 500;  // the file's default page duration, ms
    std::int32_t m_nPageCount = 10;
    std::int32_t m_nCols = 5;
    std::int32_t m_nRows = 5;
    std::int32_t m_nSlopeMax = 128;
    std::int32_t m_nSlopeMin = 0;
    std::int32_t m_nStep = 5;
    bool operator==(const FrameSettings&) const = default;
};

struct FrameCorner {
    int row = -1;
    int col = -1;
    bool set() const { return row >= 0 && col >= 0; }
};

// Whether a cell is selected in the grid, and marking it.
bool CellSelected(const FRAME_NODE& node);
void SetCellSelected(FRAME_NODE& node, std::int32_t selected);

// The level a drag on a cell's level bar sets: `grab` is the pointer's
// distance below the top of the bar when it was pressed, `y` the pointer's
// height in the picture (scroll added, toolbar taken off).
std::int32_t LevelFromDrag(int grab, int row, int y);

// The level a tool gives the k-th (1-based) of n cells of a rectangle.
std::int32_t ToolLevel(FrameTool tool, std::int64_t k, std::int64_t n, std::int32_t min, std::int32_t max);

class FrameAnimationEditor {
public:
    static constexpr std::int32_t kMaxLevel = 128;
    static constexpr std::int32_t kMinInterval = 70;
    static constexpr std::int32_t kMaxInterval = 999999;
    // Undo keeps at most this many bytes of pages; older steps are let go.
    static constexpr std::size_t kUndoBudgetBytes = 64u * 1024u * 1024u;

    FrameAnimationEditor();

    const FrameSettings& settings() const { return settings_; }
    const std::string& fileName() const { return m_strFileName; }
    int page() const { return m_nPage; }
    const FRAME_PAGE& Page(int index) const { return (*pages_)[static_cast<std::size_t>(index)]; }
    const FRAME_NODE& Cell(int row, int col) const { return Current().m_nodes[Index(row, col)]; }
    const FrameCorner& corner1() const { return corner1_; }
    const FrameCorner& corner2() const { return corner2_; }
    const std::vector<std::pair<int, int>>& ring() const { return ring_; }
    bool HasCellClipboard() const { return !cellClipboard_.empty(); }
    std::size_t PageClipboardSize() const { return pageClipboard_.size(); }

    // Reading and writing. A file that cannot be read or parsed leaves the
    // animation as it was (false, with the reason); one that was read
    // replaces it and forgets the undo history.
    bool Open(const std::filesystem::path& path, std::string* error);
    bool Parse(std::string_view bytes, std::string fileName, std::string* error);
    // Writes `folder`/`name` (".frm" added unless it ends so) as version 1.2.
    bool Save(const std::filesystem::path& folder, const std::string& name, std::string* error);
    std::string Serialize() const;

    // Pages (view state).
    void SetPage(int index);  // clamped to the page count

    // The grid's mouse: a release on a cell with the keys held then.
    void ClickCell(int row, int col, bool shift, bool ctrl);

    // Edits of the current page; each one undo step, false when nothing changed.
    bool ToggleFull(int row, int col);                 // double-click: 0 <-> 128
    bool WriteValue(int row, int col, std::int32_t level);  // this cell and every selected one
    bool ApplyTool(FrameTool tool);
    bool Increase();
    bool Decrease();
    bool PasteCells(PasteAnchor anchor);
    bool Rotate(bool towardsHead);
    bool SetDuration(std::int32_t ms);
    // A level drag is one step however many cells and moves it takes; any
    // other edit ends it.
    void BeginStroke();
    bool StrokeLevel(int row, int col, std::int32_t level);
    void EndStroke();

    void CopyCells();
    // Needs exactly one corner; selects the ring through it.
    bool SelectRing();

    // The page strip.
    void ClickPage(int index, bool shift);
    bool MarkLoop();
    void CopyPages();
    bool PastePages(bool reversed);
    // A blank page before the first page selected in the strip (before the
    // current page when none is), and taking the selected pages out; the
    // later pages move up or down and the page count follows, kept within
    // 1..100. Each one undo step; false when the count is at its bound or
    // (deleting) nothing is selected.
    bool InsertPage();
    bool DeletePages();
    // The first page selected in the strip, -1 when none.
    int FirstStripSelected() const;

    // "配置": clamped to the dialog's bounds; one undo step.
    bool SetSettings(FrameSettings settings);

    bool Undo();
    bool Redo();
    bool CanUndo() const { return !undo_.empty(); }
    bool CanRedo() const { return !redo_.empty(); }
    bool IsModified() const { return cleanDepth_ != static_cast<std::ptrdiff_t>(undo_.size()); }

private:
    struct Step {
        FrameSettings settings;
        int page = 0;
        std::vector<std::pair<int, FRAME_PAGE>> pages;
    };
    struct CopiedCell {
        int row, col;
        FRAME_NODE node;
    };

    static std::size_t Index(int row, int col) {
        return static_cast<std::size_t>(row) * kFrameGrid + static_cast<std::size_t>(col);
    }
    bool InUse(int row, int col) const {
        return row >= 0 && col >= 0 && row < settings_.m_nRows && col < settings_.m_nCols;
    }
    FRAME_PAGE& Current() { return (*pages_)[static_cast<std::size_t>(m_nPage)]; }
    const FRAME_PAGE& Current() const { return (*pages_)[static_cast<std::size_t>(m_nPage)]; }

    // Remembers the given pages before an edit; Finish drops the step again
    // when the edit changed nothing.
    void Record(std::vector<int> pages);
    bool Finish();
    void Exchange(Step& step);
    void ClearSelection(FRAME_PAGE& page);
    bool ChangeSelected(std::int64_t delta);
    bool Take(FrameComplierCache& record, std::string fileName, std::string* error);

    FrameSettings settings_;
    std::unique_ptr<std::array<FRAME_PAGE, kMaxFramePages>> pages_;
    std::array<std::uint8_t, 200> extra_{};
    int m_nPage = 0;
    std::string m_strFileName;

    FrameCorner corner1_, corner2_;
    std::vector<std::pair<int, int>> ring_;
    std::vector<CopiedCell> cellClipboard_;
    std::vector<FRAME_PAGE> pageClipboard_;
    bool stroking_ = false;

    std::vector<Step> undo_, redo_;
    std::ptrdiff_t cleanDepth_ = 0;  // undo steps at which the state is the saved one; -1 lost
};


}  // namespace velmora
