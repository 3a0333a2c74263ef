#pragma once
// The step boxes as assistive technology sees them: each a list item named
// by its step ("移动 速度100 位移1000"), selected when current. In the
// editing view pressing one makes it current and the action "编辑" opens its
// step dialog; the expanded view after a check is read only.
//
// Thread contract: UI thread.

namespace velmora {

void InstallStepBoxRowAccessible();

}  // namespace velmora
