#pragma once
// The timeline's context menus, each item a show document operation:
// the layer column's "选择" menu for one row, the menu of a block (the
// right-clicked block already selected) and the menu of the empty block area.
//
// Thread contract: UI thread; the actions run on it when chosen.

#include <cstdint>
#include <functional>

class QMenu;

namespace velmora {

class CMusicWav;
class Prompter;
class ShowDocument;

// "选择": "NULL", one submenu per scene group ("选择组", "展开组"), "子程序".
void AddLayerMenu(QMenu& menu, ShowDocument& document, std::int32_t row);
// "删除", "复制", "锁定", "解锁" for the selected blocks (after the
// timeline's own "属性", which needs the window to open its dialog over).
void AddBlockMenu(QMenu& menu, ShowDocument& document, Prompter& prompter);
// "粘贴" (at `pasteX`), "更新电机动作", "更新CSV缓存动作", "全部上锁", "全部解锁".
void AddAreaMenu(QMenu& menu, ShowDocument& document, float pasteX);
// "放大" and "缩小": the timeline scale one step finer or coarser (50, 25,
// 10 ms per unit), the same undoable step as the transport's zoom buttons.
// An item that would not change the scale is disabled. `changed` runs after
// a step that did.
void AddZoomItems(QMenu& menu, CMusicWav& wav, std::int32_t scale, std::function<void()> changed);

}  // namespace velmora
