#include "preview3d/ui/PreviewPropertiesDialog.h"

#include <QString>

#include "scene/ui/SystemPropDialog.h"
#include "ui/PropItem.h"

namespace velmora {

bool OpenPreviewProperties(DesktopContext& context, QWidget* parent, const EditLightHook& editLight) {
    PropPopupEditor lightEditor;
    if (editLight) {
        lightEditor = [editLight](QWidget* over, const QString& current) {
            const std::optional<std::string> chosen = editLight(current.toStdString(), over);
            return chosen ? QString::fromStdString(*chosen) : QString();
        };
    }
    return OpenSystemProperties(context, parent, std::move(lightEditor));
}

}  // namespace velmora
