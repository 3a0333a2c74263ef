#pragma once
// The "3D预览" pane until the preview itself is built: its tool bar, whose
// "属性" button opens the scene's system properties, over the placeholder
// that stands where the preview will be drawn.
//
// Thread contract: UI thread.

#include <QWidget>

#include "ui/DesktopContext.h"

class QToolBar;

namespace velmora {

class PreviewPaneStub final : public QWidget {
    Q_OBJECT

public:
    static constexpr int kToolBarHeight = 28;

    PreviewPaneStub(DesktopContext& context, const QString& title, QWidget* parent = nullptr);

    QToolBar& toolBar() { return *toolBar_; }

private:
    DesktopContext& context_;
    QToolBar* toolBar_;
};

}  // namespace velmora
