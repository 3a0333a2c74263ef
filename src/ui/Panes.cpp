#include "ui/Panes.h"

#include "comm/ui/ChannelMonitorPane.h"
#include "manual/ui/MovingHeadPane.h"
#include "media/ui/MusicListPane.h"
#include "media/ui/ProgramListPane.h"
#include "scene/ui/GroupListPane.h"
#include "scene/ui/SceneEditorPane.h"
#include "ui/PaneTable.h"
#include "ui/PlaceholderPane.h"
#include "ui/PreviewPaneStub.h"

namespace velmora {

QWidget* CreatePaneContent(int paneId, const QString& title, DesktopContext& context, QWidget* parent) {
    switch (paneId) {
        case kPaneMusicList: return new MusicListPane(context, title, parent);
        case kPaneProgramList: return new ProgramListPane(context, title, parent);
        case kPane3D: return new PreviewPaneStub(context, title, parent);
        case kPaneSceneEditor: return new SceneEditorPane(context, title, parent);
        case kPaneGroupElements: return new GroupListPane(context, title, parent);
        case kPaneChannelMonitor: return new ChannelMonitorPane(context, title, parent);
        case kPane512: return new MovingHeadPane(context, title, parent);
        default:
            return new PlaceholderPane(title, parent);
    }
}

}  // namespace velmora
