#pragma once
// The channel monitor as assistive technology sees it: each drawn row an
// accessible list item named "[n]IP status line", described by the link's
// figures (a down link's description starts with "断开").
//
// Thread contract: UI thread.

namespace velmora {

// Makes Qt use the monitor's own accessible interface; once is enough.
void InstallChannelMonitorAccessible();

}  // namespace velmora
