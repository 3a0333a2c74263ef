#pragma once
// The page strip as assistive technology sees it: each page an item named
// by its number and time ("第3页 500ms"; a page time of 0 reads "第3页
// 0ms"), selected when selected in the strip; pressing selects it alone
// and shows it in the grid.
//
// Thread contract: UI thread.

namespace velmora {

void InstallPageStripAccessible();

}  // namespace velmora
