#include "ui/Panes.h"

#include "ui/PaneTable.h"
#include "ui/PlaceholderPane.h"

namespace velmora {

QWidget* CreatePaneContent(int paneId, const QString& title, DesktopContext& context, QWidget* parent) {
    (void)context;
    switch (paneId) {
        default:
            return new PlaceholderPane(title, parent);
    }
}

}  // namespace velmora
