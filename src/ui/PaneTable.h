#pragma once
// The frame's eight docking panes, in creation order, with their titles,
// ids and where they dock.

#include <array>

namespace velmora {

enum class PaneDock { Right, Left, TabWith3D, TabWithMusic };

struct PaneSpec {
    int id;
    const char* title;
    PaneDock dock;
};

inline constexpr int kPane3D = 134;
inline constexpr int kPaneMusicList = 133;
inline constexpr int kPaneSceneEditor = 8001;
inline constexpr int kPaneHandPanel = 8002;
inline constexpr int kPaneGroupElements = 8003;
inline constexpr int kPaneProgramList = 8004;
inline constexpr int kPaneChannelMonitor = 8005;
inline constexpr int kPane512 = 8006;

inline constexpr std::array<PaneSpec, 8> kPanes{{
    {kPane3D, "3D预览", PaneDock::Right},
    {kPaneMusicList, "音乐列表", PaneDock::Left},
    {kPaneSceneEditor, "场景编辑器", PaneDock::TabWith3D},
    {kPaneHandPanel, "手操面板", PaneDock::TabWithMusic},
    {kPaneGroupElements, "组元素面板", PaneDock::TabWithMusic},
    {kPaneProgramList, "程控列表", PaneDock::TabWithMusic},
    {kPaneChannelMonitor, "通道监视", PaneDock::TabWithMusic},
    {kPane512, "512摇头灯配置器", PaneDock::TabWithMusic},
}};

}  // namespace velmora
