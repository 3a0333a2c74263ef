#pragma once
// The frame grid as assistive technology sees it: each used cell an item
// named "行R 列C 电平L" (row and column from 1, as drawn), selected when
// selected in the grid, holding its level as a value 0..128. Pressing
// selects the cell alone; setting the value sets that cell's level (one
// undo step, the other selected cells untouched).
//
// Thread contract: UI thread.

namespace velmora {

void InstallFrameGridAccessible();

}  // namespace velmora
