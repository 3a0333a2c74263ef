#pragma once
// Accessibility of the property list: the list is a list whose rows are
// accessible children (before its child widgets, so child index = row), each
// named by the row's label, with the value text as its value and description,
// and the actions "Press" (open the row's editor) and "SetFocus" (select it).
//
// Thread contract: UI thread.

namespace velmora {

// Registers the list's accessibility factory with Qt; repeated calls do nothing.
void InstallPropListAccessibility();

}  // namespace velmora
