#pragma once
// The content of each docking pane, by pane id. Panes that are not built yet
// get a placeholder.

#include <QWidget>

#include "ui/DesktopContext.h"

namespace velmora {

QWidget* CreatePaneContent(int paneId, const QString& title, DesktopContext& context, QWidget* parent);

}  // namespace velmora
