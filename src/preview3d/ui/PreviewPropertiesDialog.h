#pragma once
// The preview's "属性": the scene's system sheet (gravity and particle count
// of the water jets, the show's music multiplier, pulses per turn, colour
// interval and the system light), whose "灯光文件" row's button opens the
// colour sequence editor through `editLight`. OK is one undoable step on the
// scene document and one on the show document, as the sheet always does.
//
// Thread contract: UI thread.

#include <functional>
#include <optional>
#include <string>

#include "ui/DesktopContext.h"

class QWidget;

namespace velmora {

// Edits the light file `current` modally over `parent`; the chosen file name,
// or nullopt when the user cancelled.
using EditLightHook = std::function<std::optional<std::string>(const std::string& current, QWidget* parent)>;

// Runs the dialog over `parent`; true when the scene or the show changed.
// Without a hook the light file is picked from the "Color" folder.
bool OpenPreviewProperties(DesktopContext& context, QWidget* parent, const EditLightHook& editLight);

}  // namespace velmora
