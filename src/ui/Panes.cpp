#include "ui/Panes.h"

#include <cstdint>
#include <functional>

#include "comm/ui/ChannelMonitorPane.h"
#include "manual/ui/GroupDebugDialog.h"
#include "manual/ui/HandPanelPane.h"
#include "manual/ui/MotorFineTuneDialog.h"
#include "manual/ui/MovingHeadPane.h"
#include "media/ui/MusicListPane.h"
#include "media/ui/ProgramListPane.h"
#include "preview3d/ui/PreviewPane.h"
#include "scene/ui/GroupListPane.h"
#include "scene/ui/SceneEditorPane.h"
#include "ui/PaneTable.h"
#include "ui/PlaceholderPane.h"

namespace velmora {

namespace {

// The hand panel's right click opens the group's debug panel, whose "Y" and
// "Z" buttons jog a member's motor live.
std::function<void(QWidget*, std::int32_t)> OpenDebugPanelHook(DesktopContext& context) {
    return [&context](QWidget* parent, std::int32_t groupId) {
        OpenGroupDebugPanel(context, groupId, parent, [&context](QWidget* over, std::int32_t springId, int axis) {
            OpenMotorFineTune(context, springId, axis, true, over);
        });
    };
}

}  // namespace

QWidget* CreatePaneContent(int paneId, const QString& title, DesktopContext& context, QWidget* parent) {
    switch (paneId) {
        case kPaneMusicList: return new MusicListPane(context, title, parent);
        case kPaneProgramList: return new ProgramListPane(context, title, parent);
        case kPane3D: return new PreviewPane(context, title, {}, parent);
        case kPaneSceneEditor: return new SceneEditorPane(context, title, parent);
        case kPaneGroupElements: return new GroupListPane(context, title, parent);
        case kPaneChannelMonitor: return new ChannelMonitorPane(context, title, parent);
        case kPaneHandPanel: return new HandPanelPane(context, title, OpenDebugPanelHook(context), parent);
        case kPane512: return new MovingHeadPane(context, title, parent);
        default:
            return new PlaceholderPane(title, parent);
    }
}

}  // namespace velmora
