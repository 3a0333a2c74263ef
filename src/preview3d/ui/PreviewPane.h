#pragma once
// The "3D预览" pane: a 28-pixel tool bar ("属性" opens the preview's
// properties, "视角" moves to the next camera preset) over the preview,
// which fills the rest of the pane. Where no OpenGL context can be made
// (no display, a platform without OpenGL) the pane says so in place of the
// preview and everything else keeps working.
//
// Thread contract: UI thread.

#include <QWidget>

#include "preview3d/ui/PreviewPropertiesDialog.h"
#include "ui/DesktopContext.h"

class QLabel;
class QToolBar;

namespace velmora {

class PreviewGlWidget;

class PreviewPane final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kToolBarHeight = 28;

    PreviewPane(DesktopContext& context, const QString& title, EditLightHook editLight = {},
                QWidget* parent = nullptr);

    QToolBar& toolBar() { return *toolBar_; }
    // Null where no context could be made; then placeholder() tells why.
    PreviewGlWidget* preview() { return preview_; }
    QLabel* placeholder() { return placeholder_; }

private:
    DesktopContext& context_;
    EditLightHook editLight_;
    QToolBar* toolBar_;
    PreviewGlWidget* preview_ = nullptr;
    QLabel* placeholder_ = nullptr;
};

}  // namespace velmora
