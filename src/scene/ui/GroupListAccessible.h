#pragma once
// The group element panel as assistive technology sees it: each drawn row
// an accessible child of the list, a group row named by its name and member
// count and expanded or collapsed, a member row by the addresses it shows;
// pressing a row selects it, as a click does.
//
// Thread contract: UI thread.

namespace velmora {

// Makes Qt use the list's own accessible interface; once is enough.
void InstallGroupListAccessible();

}  // namespace velmora
