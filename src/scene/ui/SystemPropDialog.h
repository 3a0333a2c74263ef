#pragma once
// "属性" of the scene as a whole: the water simulation's gravity and
// particle count, the show's music multiplier, the motors' pulses per turn,
// the system colour interval and the system light's colour sequence.
//
// OK leaves the texts in sheet() and musicMultiplier(); OpenSystemProperties
// hands them on as two undoable steps on two documents: the scene settings
// to the scene document and the music multiplier to the show document, each
// undone with its own document's history. Both reach their files with the
// next save of the scene and of the show.
//
// The light file is picked from the workspace's "Color" folder (a name may
// also be typed) or made in the colour editor the row's button opens (or,
// when the dialog is given a light editor, in that one).
//
// Thread contract: UI thread.

#include <string>

#include "document/SystemSettingsCommand.h"
#include "scene/ui/SheetDialog.h"
#include "ui/DesktopContext.h"
#include "ui/PropItem.h"

namespace velmora {

class SystemPropDialog final : public SheetDialog {
    Q_OBJECT

public:
    // Row positions in the list.
    static constexpr int kRowGravity = 1;
    static constexpr int kRowParticles = 2;
    static constexpr int kRowMultiplier = 3;
    static constexpr int kRowPulsesZ = 4;
    static constexpr int kRowPulsesY = 5;
    static constexpr int kRowInterval = 6;
    static constexpr int kRowLight = 7;

    SystemPropDialog(DesktopContext& context, QWidget* parent = nullptr, PropPopupEditor lightEditor = {});

    SystemSheet sheet() const;
    std::string musicMultiplier() const;
};

// Runs the sheet over `parent` and, on OK, hands it to the two documents.
// True when either changed.
bool OpenSystemProperties(DesktopContext& context, QWidget* parent, PropPopupEditor lightEditor = {});

}  // namespace velmora
