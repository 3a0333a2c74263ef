#pragma once
// The hand panel's pictures, drawn with QPainter (our own artwork): the
// group button up and down, the special button up and down, the lock over a
// cell that cannot act, and the corner mark of an undelivered request.
//
// Thread contract: UI thread (or any thread painting its own QImage).

#include <QRect>

class QPainter;

namespace velmora {

enum class HandButtonKind { Normal, Special };

// The button inside a 60 x 60 cell at `cell`, above the name line.
void DrawHandButton(QPainter& p, const QRect& cell, HandButtonKind kind, bool down);
// A padlock over the button, with the button veiled.
void DrawHandLock(QPainter& p, const QRect& cell);
// A red triangle in the cell's top right corner.
void DrawUndeliveredMark(QPainter& p, const QRect& cell);

}  // namespace velmora
