#pragma once
// The swatch grid as assistive technology sees it: each swatch a list item
// named "#RRGGBB", selected when current; pressing makes it current, the
// action "编辑" asks for its colour.
//
// Thread contract: UI thread.

namespace velmora {

void InstallSwatchGridAccessible();

}  // namespace velmora
