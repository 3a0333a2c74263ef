#pragma once
// The program's icons, drawn with QPainter at every size asked for, so they
// stay sharp on high-DPI screens. All artwork is this project's own.

#include <QIcon>

namespace velmora {

enum class IconId {
    Save, NewBlock, Copy, Paste, Delete, About,       // frame toolbar
    Add, Remove, Random, Repeat, List, Properties,    // list pane toolbars
    Undo, Redo,
    Watch, EditScene, Light, Background, Channels, Labels, Import, Export, Batch,  // scene pane toolbar
    Hand,                                             // hand panel toolbar (with Watch)
    StepMove, StepRest, StepLoop, StepForward, StepBack, StepReset,  // motor program editor
    Compile, Run, Open,
    Camera,                                           // 3D preview toolbar (with Properties)
};

QIcon MakeIcon(IconId id);
// The application's icon (the SVG installed with the program).
QIcon AppIcon();

}  // namespace velmora
