#pragma once
// The frame animation editor's toolbar pictures, drawn with QPainter: level
// shapes for the tools, arrows for moving, pasting and rotating, marks for
// the page strip. All artwork is this project's own.
//
// Thread contract: UI thread.

#include <QIcon>

namespace velmora {

enum class FrameIcon {
    Back, Forward, Settings, Open, Save,
    SlopeUp, SlopeDown, Valley, Peak,
    Copy, PasteTopLeft, PasteTopRight, PasteBottomRight, PasteBottomLeft,
    Ring, RotateClockwise, RotateAnticlockwise, Increase, Decrease,
    Undo, Redo,
    Loop, PastePages, PastePagesReversed, InsertPage, DeletePages,
};

QIcon MakeFrameIcon(FrameIcon id);

}  // namespace velmora
