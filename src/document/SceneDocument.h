#pragma once
// The scene opened for editing: the runtime's scene, loaded and saved through
// here, every change a command on this document's undo stack, and the views'
// selection and canvas drag.
//
// Changes to what the engine or the senders read (the spring and group lists,
// addresses, the channel table and its image, the settings) are made under
// the output lock. Edits that change which springs the open show's rotation
// blocks turn rebuild the motor tracks of the whole show.
//
// Thread contract: owner thread (UI or CLI main) only; listeners and the
// prompter are called on it.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "comm/ChannelImage.h"
#include "document/BackgroundCommand.h"
#include "document/ChannelCommands.h"
#include "document/Document.h"
#include "document/GroupCommands.h"
#include "document/PointTableCommands.h"
#include "document/PrepareTimeCommand.h"
#include "document/SceneEditTarget.h"
#include "document/SceneSelection.h"
#include "document/SpringCommands.h"
#include "document/SystemSettingsCommand.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"
#include "show/Show.h"

namespace velmora {

class AssetCaches;
class Prompter;

inline constexpr const char* kNothingSelected = "还没有选择任何元素";
inline constexpr const char* kImportQuestion = "导入点表将覆盖当前场景，确定导入？";
inline constexpr const char* kOpenFileFailed = "打开文件失败！";
inline constexpr const char* kImportDone = "导入成功！";
inline constexpr const char* kExportDone = "导出成功！";
inline constexpr const char* kBatchBadSettings = "批量参数不正确！";
inline constexpr const char* kBatchTooMany = "元素太多，批量添加失败！";

class SceneDocument final : public Document {
public:
    SceneDocument(Scene& scene, const Show& show, AssetCaches& caches, OutputImage& output, std::mutex& outputLock);

    // Called with a channel number (1..100) whose sender must connect again.
    void SetReconnectHook(std::function<void(int)> hook) { target_.reconnect = std::move(hook); }
    // Where the commands' messages go; none by default (they are dropped).
    void SetPrompter(Prompter* prompter) { prompter_ = prompter; }

    const Scene& scene() const { return scene_; }

    // Replaces the scene with the file's (the defaults when it is missing),
    // reallocates the output image, builds the open show's tracks for it and
    // forgets the history and the selection. False with the reason when the
    // file exists but cannot be read; the scene is then the default one.
    bool Load(const std::filesystem::path& path, std::string* error = nullptr);
    // Writes the scene; on success the present state is the clean one. After
    // the first save only the records changed since are set again, while the
    // file is the one the document wrote.
    bool Save(const std::filesystem::path& path, std::string* error = nullptr);

    // ---- selection (view state: notifies, never modifies) ----
    const SceneSelection& selection() const { return selection_; }
    bool IsSpringSelected(std::int32_t id) const { return selection_.HasSpring(id); }
    bool IsGroupSelected(std::int32_t id) const { return selection_.HasGroup(id); }
    void SelectSpring(std::int32_t id, bool selected);
    void SelectGroup(std::int32_t id, bool selected);
    void ClearSelection();
    // Selected springs / groups that exist, in list order.
    std::vector<std::int32_t> SelectedSpringIDs() const;
    std::vector<std::int32_t> SelectedGroupIDs() const;
    // The first selected spring in list order (the property sheet's), if any.
    std::optional<std::int32_t> FirstSelectedSpring() const;

    // The canvas's left button down at (x, y) on spring `hit` (or none):
    // without Shift everything else is deselected (unless the spring hit is
    // already selected) and the hit one selected; with Shift it toggles. The
    // selected springs then follow the pointer until EndDrag. False when
    // nothing was hit (the canvas starts a rubber band).
    bool PressAt(std::optional<std::int32_t> hit, std::int32_t x, std::int32_t y, bool shift);
    // Moves the dragged springs with the pointer; every step of one drag
    // merges into one undo step.
    bool DragTo(std::int32_t x, std::int32_t y);
    void EndDrag();
    bool dragging() const { return selection_.dragging; }
    // Rubber band: springs whose circle meets the band are selected, the
    // others deselected unless Shift is held.
    void SelectInBand(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1, bool shift);

    // The canvas's display mode: watch, edit or light. In watch mode a new
    // spring comes only from a Ctrl+click and nothing is deleted.
    enum Mode : std::int32_t { kWatch = 0, kEdit = 1, kLight = 2 };
    void SetMode(Mode mode) { m_nMode = mode; }
    Mode mode() const { return m_nMode; }

    // ---- commands; each returns true when it changed the scene ----
    // "新建" and the batch add: a new spring at (x, y) with the next ID,
    // selected; nothing in watch mode.
    bool AddSpringAt(std::int32_t x, std::int32_t y);
    // Ctrl+click: a new spring at the click point, unselected, in any mode.
    bool AddSpringOnClick(std::int32_t x, std::int32_t y);
    // Arrow keys: the selection moved by (dx, dy); repeated presses on one
    // selection merge into one step.
    bool MoveSelected(std::int32_t dx, std::int32_t dy);
    // "删除" of the canvas: the selected springs ("还没有选择任何元素" when
    // none; nothing in watch mode). The question before it is the view's.
    bool DeleteSelectedSprings();
    // "删除" of the group element panel on a group row.
    bool DeleteSelectedGroups();
    // "成组" (special = false) / "控制按钮" (true) of the selected springs.
    bool MakeGroup(std::int32_t initX = 0, std::int32_t initY = 0, bool special = false);
    // "添加到组": the selected springs appended to the group at list position g.
    bool AddSelectionToGroup(std::size_t g);
    // The group element panel: member `index` of group `groupID` removed, or
    // moved up (step -1) or down (+1). A stale group or index does nothing.
    // A non-zero `gesture` (from NewMemberDrag) merges every swap made with
    // it into one undo step.
    bool RemoveMember(std::int32_t groupID, std::size_t index);
    bool MoveMember(std::int32_t groupID, std::size_t index, int step, std::uint64_t gesture = 0);
    // A fresh gesture for the swaps of one member drag.
    std::uint64_t NewMemberDrag() { return ++gestures_; }
    // The property sheets' OK. A stale ID does nothing.
    bool EditSpring(std::int32_t id, const SpringSheet& sheet);
    bool EditGroup(std::int32_t id, const GroupSheet& sheet);
    bool EditSystemSettings(const SystemSheet& sheet);
    // The transport's "准备时间" buttons: the time the show leads the music,
    // in ms. A negative time is refused.
    bool SetPrepareTime(std::int32_t ms);
    // "背景": the canvas's background picture path (BGBMP); empty for none.
    // Refused when the file could not keep it: the scene file reads the path
    // into a 256-byte buffer, so a longer one would come back cut.
    bool SetBackground(const std::string& path);
    // The channel dialog's OK for the channels given by number.
    bool ApplyChannels(const std::vector<std::pair<int, ChannelSheet>>& sheets);
    bool ApplyChannel(int number, const ChannelSheet& sheet) { return ApplyChannels({{number, sheet}}); }

    // ---- the point table "spring.csv" (PointTablePath(workspace)) ----
    // "导入": asks "导入点表将覆盖当前场景，确定导入？" (no prompter: yes),
    // reads and checks the whole table, then puts every row into its spring
    // as one step and tells "导入成功！". A file that cannot be read tells
    // "打开文件失败！"; a bad table tells why, naming the line, and changes
    // nothing. True when the import went through (even if no field changed).
    bool ImportPointTable(const std::filesystem::path& path);
    // "导出": writes the table atomically and tells "导出成功！", or
    // "打开文件失败！" when it cannot. Neither an edit nor an undo step.
    bool ExportPointTable(const std::filesystem::path& path);
    // "批量": the batch-add dialog's OK. Adds the placed springs and the
    // default group of every selected spring as one step; nothing in watch
    // mode. Settings that place nothing (a count or extent below 1) tell
    // "批量参数不正确！"; a batch that would take the scene past
    // Scene::kMaxSprings tells "元素太多，批量添加失败！"; both add nothing.
    // A group takes 450 members ("组内元素太多！"); the springs beyond are
    // still added.
    bool BatchAdd(const BatchSettings& settings);

protected:
    void AfterChange(const Change& change) override;

private:
    bool Run(std::unique_ptr<SceneCommand> command);
    void SelectionChanged();

    Scene& scene_;
    const Show& show_;
    AssetCaches& caches_;
    std::mutex& outputLock_;
    SceneSelection selection_;
    SceneEditTarget target_;
    SceneFileSession file_;
    Prompter* prompter_ = nullptr;
    std::uint64_t gestures_ = 0;
    Mode m_nMode = kWatch;
};

}  // namespace velmora
