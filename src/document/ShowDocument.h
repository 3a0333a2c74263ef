#pragma once
// The open show as the timeline edits it: loading, saving and zooming, the
// selection, the drag in progress, the clipboard, and every edit as a
// command on the undo stack. The widgets map mouse and keys onto the
// operations below and draw what the document holds.
//
// Thread contract: owner thread (UI or CLI main) only. The engine reads the
// show on its own thread under the output lock, which every operation here
// takes while it changes what the engine reads. Listeners are told once per
// change, on the owner thread, after the motor tracks it invalidated have
// been rebuilt.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "document/BlockSelection.h"
#include "document/Document.h"
#include "engine/ShowAssets.h"
#include "engine/ShowCompiler.h"
#include "scene/Scene.h"
#include "show/Show.h"
#include "show/ShowFile.h"

namespace velmora {

class AssetCaches;
class Prompter;

// Asked before the selected blocks are deleted.
inline constexpr const char* kConfirmDeleteQuestion = "确定删除？（此操作不可恢复！）";

class ShowDocument final : public Document {
public:
    static constexpr std::int32_t kRowHeight = 23;
    // New blocks go on rows 0..kRows - 1 only; moves keep blocks there too.
    static constexpr std::int32_t kRows = 200;
    static constexpr float kMinBlockWidth = 5.0f;

    enum class Edge { kLeft, kRight };

    ShowDocument(Show& show, Scene& scene, AssetCaches& caches, std::mutex& outputLock);

    Show& show() { return show_; }
    const Show& show() const { return show_; }
    Scene& scene() { return scene_; }
    const Scene& scene() const { return scene_; }
    AssetCaches& caches() { return caches_; }

    // Where the engine finds the show's prepared assets (the runtime's
    // g_pShowAssets, replaced only under the output lock). With a slot, a
    // load swaps show and assets in together, and every edit that changes
    // which files the show names prepares them again; without one (tests,
    // tools that never tick) assets are left to the caller.
    void SetAssetSlot(std::shared_ptr<const ShowAssets>* slot) { assetSlot_ = slot; }
    std::mutex& outputLock() { return outputLock_; }

    // --- File -------------------------------------------------------------
    // Replaces the show with the file's (scale 50, names from the scene) and
    // its motor tracks with the ones it compiles to, both in one hold of the
    // output lock; `alsoUnderLock` runs in that same hold. The history, the
    // selection and the armed row start afresh; the clipboard stays, so
    // blocks can be copied from one show into another.
    bool Load(const std::filesystem::path& path, std::string* error = nullptr,
              const std::function<void()>& alsoUnderLock = {});
    // Asks "是否保存被修改的文件？" when the show is modified (anything but Yes
    // writes nothing), brings the show to scale 50 (as an undoable zoom step,
    // so every older step still finds its blocks), writes it and marks the
    // present state as the saved one.
    bool Save(const std::filesystem::path& path, Prompter& prompter, std::string* error = nullptr);
    // What compiling the show at its last Load gave (points, bounds hit).
    const CompileResult& loadCompile() const { return loadCompile_; }
    // A zoom: every block rescaled by old / new. False for a scale below 1.
    bool SetScale(std::int32_t scale);
    // "更新电机动作": every spring's motor tracks rebuilt, files that were
    // missing looked for again. Not an undo step: the show does not change.
    void UpdateMotorActions();

    // --- Selection (view state, not undo steps) ------------------------------
    bool IsSelected(std::size_t index) const;
    std::size_t SelectedCount() const { return selection_.Count(show_.blocks); }
    std::vector<std::size_t> SelectedIndices() const { return selection_.Indices(show_.blocks); }
    // Indices beyond the list are ignored.
    void SetSelection(std::span<const std::size_t> indices);
    void ClearSelection();
    // A press on a block's body: an unselected block becomes the only one.
    void PressBlock(std::size_t index);
    // The rubber band from (x0, y0) to (x1, y1): blocks whose bars meet it
    // are selected, the others deselected unless `add`.
    void SelectBand(double x0, double y0, double x1, double y1, bool add);
    BlockSelection& selection() { return selection_; }

    // --- Gestures on blocks ------------------------------------------------
    // Draws and commits a block on `row` (nothing at a row outside
    // 0..kRows - 1); its end is at least start + 5.
    bool CreateBlock(std::int32_t row, float start, float end);
    // Appends a block recorded live on `row` between start and end (at least start + 5).
    bool CommitRecordedBlock(std::int32_t row, float start, float end);

    // A drag of the selection: the press at (x, y) fixes each selected,
    // unlocked block's offset from the mouse; every DragTo puts them at the
    // mouse's new place. All steps of one drag are one undo step.
    void BeginDrag(std::int32_t x, std::int32_t y);
    bool DragTo(std::int32_t x, std::int32_t y);
    void EndDrag();
    bool dragging() const { return !drag_.empty(); }

    // Arrow keys: every selected, unlocked block one pixel left (-1) or
    // right (+1), start and length truncated to whole pixels. Consecutive
    // presses on the same selection are one undo step.
    bool Nudge(std::int32_t direction);

    // Moves one edge to x, keeping the block at least 5 pixels wide. Locked
    // blocks refuse. Calls with the same non-zero gesture are one undo step.
    bool Resize(std::size_t index, Edge edge, float x, std::uint64_t gesture = 0);
    // A fresh identifier for the steps of one mouse gesture.
    std::uint64_t NewGesture() { return ++lastGesture_; }

    // Asks "确定删除？（此操作不可恢复！）" when anything is selected and, on Yes,
    // deletes the selected blocks that are not locked; the selection is emptied.
    bool DeleteSelected(Prompter& prompter);

    // The clipboard: copies of the selected blocks (locked or not), in list order.
    void CopySelection();
    const std::vector<TimeBlock>& clipboard() const { return clipboard_; }
    // Appends the clipboard's blocks shifted so that the smallest start lands
    // at x, keeping rows, lengths and gaps; the pasted blocks are unlocked and
    // become the selection.
    bool Paste(float x);

    // Locks or unlocks every block, or the selected ones (view state).
    bool SetLocked(bool all, bool locked);

    // The add modifier on a program-control entry: a press on a
    // block of `row` removes it, a press on empty space adds one grid step
    // (`unitMs` / scale pixels) there, its start snapped down to the grid.
    bool ToggleProgramGrid(std::int32_t row, float x, std::int32_t unitMs);

    // The property dialog's OK: the block takes the dialog's fields and its
    // assets are prepared again (motor programs or frame animation re-read).
    bool SetBlockProperties(std::size_t index, const TimeBlock& edited);

    // The system sheet's "音乐倍乘" row (text taken only within 1..20).
    bool SetMusicMultiplier(std::string_view text);

    // --- Layer column ------------------------------------------------------
    // False (nothing done) for a row outside the layer list or a group that
    // is not in the scene.
    bool BindRow(std::int32_t row, std::int32_t groupId);
    bool UnbindRow(std::int32_t row);
    bool MakeProgramRow(std::int32_t row);
    // One single-spring row per member that names a spring, from `row` down,
    // overwriting the rows below; stops at the last row.
    bool ExpandGroup(std::int32_t row, std::int32_t groupId);
    // Flips the row's armed flag: armed, it becomes the armed row; disarmed,
    // there is none (view state).
    bool ToggleArmed(std::int32_t row);
    std::int32_t armedRow() const { return m_nArmedRow; }
    void SetArmedRow(std::int32_t row) { m_nArmedRow = row; }

    // --- For the commands ----------------------------------------------------
    // Spring IDs whose motor tracks depend on a rotation block on `row`
    // (none for other layers or rows out of range).
    void AddRowSprings(std::int32_t row, std::vector<std::int32_t>& springs) const;
    // The springs of `block` when it is a rotation block.
    void AddBlockSprings(const TimeBlock& block, std::vector<std::int32_t>& springs) const;
    // Whether a rotation block sits on `row`.
    bool RowHasRotation(std::int32_t row) const;

protected:
    void AfterChange(const Change& change) override;
    void ModifiedChanged(bool modified) override;

private:
    struct DragItem {
        std::size_t index;
        std::int32_t serial;
        std::int32_t dx, dy;  // the mouse's offset from the block's corner (m_nDragDX, m_nDragDY)
        float length;
    };

    bool AddBlock(std::int32_t row, float start, float end, const char* text);
    void SelectionChanged();

    Show& show_;
    Scene& scene_;
    AssetCaches& caches_;
    std::mutex& outputLock_;
    std::shared_ptr<const ShowAssets>* assetSlot_ = nullptr;
    bool loading_ = false;
    ShowFileSession file_;  // after the first save, a save sets only the records changed since
    CompileResult loadCompile_;

    BlockSelection selection_;
    std::vector<TimeBlock> clipboard_;
    std::vector<DragItem> drag_;
    std::uint64_t dragGesture_ = 0;
    std::uint64_t lastGesture_ = 0;
    std::int32_t m_nArmedRow = -1;
};

}  // namespace velmora
