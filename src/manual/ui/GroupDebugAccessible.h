#pragma once
// The group debug panel as assistive technology sees it: the member cells
// ("喷头 ID", described by what the display mode shows, selectable; a press
// is a plain click) and the tool area's controls (named by their visible
// text; the level slider carries the level as a settable value).
//
// Thread contract: UI thread.

namespace velmora {

// Makes Qt use the panel's own accessible interfaces; once is enough.
void InstallGroupDebugAccessible();

}  // namespace velmora
