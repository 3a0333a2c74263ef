#pragma once
// The scene pane "场景编辑器": a toolbar over the scene canvas, which
// scrolls when the scene is larger than the view. The toolbar's three mode
// buttons act as a radio group; "背景" chooses the picture under the canvas
// as an undoable scene edit; "通道" opens the channel dialog, whose OK is
// one undoable scene edit; "标签" toggles the IDs beside the springs.
//
// Thread contract: UI thread.

#include <functional>

#include <QString>
#include <QWidget>

#include "ui/DesktopContext.h"
#include "ui/Icons.h"

class QAction;
class QScrollArea;
class QToolBar;

namespace velmora {

class ChannelDialog;
class SceneCanvas;

inline constexpr const char* kBackgroundFilter = "BMP Files (*.BMP *.bmp);;图片 (*.bmp *.png *.jpg *.jpeg *.gif);;所有文件 (*)";
inline constexpr const char* kBackgroundPathTooLong = "背景图片路径太长，场景文件存不下：";

class SceneEditorPane final : public QWidget {
    Q_OBJECT
public:
    enum Tool { kWatch, kEdit, kLight, kBackground, kChannels, kLabels, kImport, kExport, kBatch, kToolCount };

    SceneEditorPane(DesktopContext& context, const QString& title, QWidget* parent = nullptr);

    SceneCanvas* canvas() const { return canvas_; }
    QToolBar* toolBar() const { return toolBar_; }
    QScrollArea* scrollArea() const { return scroll_; }
    QAction* action(Tool tool) const { return actions_[tool]; }

    // What "背景" asks for the picture; the file dialog unless a test puts
    // another chooser here. An empty answer changes nothing.
    void SetBackgroundChooser(std::function<QString()> chooser) { chooseBackground_ = std::move(chooser); }
    void ChooseBackground();
    // "通道": the channel dialog over the current channel table; on OK the
    // changed channels are one undoable step.
    void OpenChannels();

signals:
    // "通道": the channel dialog is about to open.
    void channelsRequested();

protected:
    // A pane narrower than the labelled buttons shows them as icons only
    // (their texts stay as tooltips and accessible names).
    void resizeEvent(QResizeEvent* event) override;

private:
    QAction* AddTool(Tool tool, IconId icon, const char* text);

    DesktopContext& context_;
    QToolBar* toolBar_;
    QScrollArea* scroll_;
    SceneCanvas* canvas_;
    QAction* actions_[kToolCount] = {};
    std::function<QString()> chooseBackground_;
    // One dialog, refilled each time it opens, so it keeps the size the
    // user gave it.
    ChannelDialog* channelDialog_ = nullptr;
    int labelledWidth_ = 0;
};

}  // namespace velmora
