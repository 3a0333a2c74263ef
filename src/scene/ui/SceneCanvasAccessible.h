#pragma once
// The scene canvas as assistive technology sees it: one child per spring, in
// list order, named by its ID and its first connected output.
//
// Thread contract: UI thread.

#include <QString>

namespace velmora {

struct CSpring;

// Makes Qt use the canvas's own accessible interface; once is enough.
void InstallSceneCanvasAccessible();

// "喷头 <ID> CH[<channel>].<address>" for the first connected output among
// the valve, the pump, the light and the two motors; "喷头 <ID> 未连接"
// when none is.
QString SpringAccessibleName(const CSpring& spring);

}  // namespace velmora
