#pragma once
// The timeline as assistive technology sees it: the layer rows, then the
// blocks, as accessible children of the timeline widget.
//
// Thread contract: UI thread.

namespace velmora {

// Makes Qt use the timeline's own accessible interface; once is enough.
void InstallTimelineAccessible();

}  // namespace velmora
