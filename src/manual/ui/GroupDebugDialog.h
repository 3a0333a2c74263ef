#pragma once
// "[name]---调试面板": the group debug panel, a modal dialog in which a
// commissioning engineer tries a group's member springs one by one or in
// any selection (level, on/off, light colour, motors) and the group's own
// switch. A 24-pixel toolbar ("全选", "全不选", and the display modes
// "模拟量", "开关量", "灯光", "电机" as one radio group), the member
// selector (300 pixels) and the tool area below. No OK or Cancel: it closes
// with the close box. The requests it sets stay after it closes.
//
// It sets hand requests only (through GroupDebug) and draws what the
// engine did from the published snapshot, read on a 70 ms timer.
//
// Thread contract: UI thread.

#include <cstdint>
#include <memory>

#include <QDialog>
#include <QTimer>

#include "manual/ui/DebugPanelState.h"
#include "manual/ui/GroupDebugTool.h"
#include "ui/DesktopContext.h"

class QAction;
class QToolBar;

namespace velmora {

class GroupMemberSelector;

class GroupDebugDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kToolBarHeight = 24;
    static constexpr int kRefreshMs = 70;

    // `fineTune` is what the "Y" and "Z" buttons call; empty: they do nothing.
    GroupDebugDialog(DesktopContext& context, std::int32_t groupId, MotorFineTuneHook fineTune,
                     QWidget* parent = nullptr);
    ~GroupDebugDialog() override;

    DebugPanelState& state() { return *state_; }
    GroupDebug& debug() { return state_->debug; }
    QToolBar* toolBar() const { return toolBar_; }
    GroupMemberSelector* selector() const { return selector_; }
    GroupDebugTool* tool() const { return tool_; }
    QTimer& refreshTimer() { return refresh_; }
    // The toolbar action captioned `text`, or nullptr.
    QAction* Action(const QString& text) const;

    void SetDisplayMode(DebugDisplayMode mode);
    // Reads the engine's newest state and the group's members, and repaints
    // (what every timer tick does).
    void Refresh();

private:
    DesktopContext& context_;
    std::unique_ptr<DebugPanelState> state_;
    QToolBar* toolBar_;
    GroupMemberSelector* selector_;
    GroupDebugTool* tool_;
    QTimer refresh_;
};

// Runs the panel for group `groupId` modally over `parent`; nothing when
// there is no such group.
void OpenGroupDebugPanel(DesktopContext& context, std::int32_t groupId, QWidget* parent,
                         MotorFineTuneHook fineTune);

}  // namespace velmora
