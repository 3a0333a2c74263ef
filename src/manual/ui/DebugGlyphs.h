#pragma once
// The pictures of the group debug panel, drawn with QPainter into any box:
// a member cell in each display mode, the motor, and the toolbar's icons.
// All artwork is this project's own.
//
// Thread contract: UI thread.

#include <cstdint>

#include <QColor>
#include <QIcon>
#include <QRect>

#include "manual/ui/DebugPanelState.h"
#include "scene/Colour.h"
#include "ui/ColorRef.h"

class QPainter;

namespace velmora {

// The analog bar is this many pixels high at level 128.
inline constexpr int kAnalogBarHeight = 18;

// A member's picture in `box` (about 40 x 40): analog meter with a green bar
// of `barHeight` pixels; switch socket with a grey dot while on; light lens
// filled with `colour`; the motor.
void DrawAnalogGlyph(QPainter& p, const QRect& box, int barHeight);
void DrawSwitchGlyph(QPainter& p, const QRect& box, bool on);
void DrawLightGlyph(QPainter& p, const QRect& box, const QColor& colour);
void DrawMotorGlyph(QPainter& p, const QRect& box);

// Toolbar icons: the four display modes, select all and select none.
QIcon DisplayModeIcon(DebugDisplayMode mode);
QIcon SelectAllIcon(bool all);

}  // namespace velmora
