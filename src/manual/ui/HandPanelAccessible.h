#pragma once
// The hand panel as assistive technology sees it: each drawn group button an
// accessible button named by the group, described "开" or "关" (whether the
// engine drives it by hand), then "锁定" when it cannot act in this mode and
// "未送达" when its request cannot reach a controller. Press toggles it (as
// a left click), ShowMenu opens its debug panel (as a right click).
//
// Thread contract: UI thread.

namespace velmora {

// Makes Qt use the panel's own accessible interface; once is enough.
void InstallHandPanelAccessible();

}  // namespace velmora
