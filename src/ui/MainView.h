#pragma once
// The frame's central view: the transport control at the top left, the
// progress strip beside it, the wave view below, and the timeline area.

#include <QWidget>

#include "ui/DesktopContext.h"

namespace velmora {

class MainView final : public QWidget {
    Q_OBJECT
public:
    MainView(DesktopContext& context, QWidget* parent = nullptr);

    // Where the frame's paste puts the clipboard's earliest block: the
    // timeline's scroll position plus half its visible width, in pixels.
    float PasteX() const;

private:
    DesktopContext& context_;
};

}  // namespace velmora
