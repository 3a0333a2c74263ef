#include "scene/ui/SceneEditorPane.h"

#include <QAction>
#include <QActionGroup>
#include <QDir>
#include <QFileDialog>
#include <QScrollArea>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/Prompter.h"
#include "comm/ui/ChannelDialog.h"
#include "runtime/Runtime.h"
#include "scene/PointTable.h"
#include "scene/ui/BatchAddDialog.h"
#include "scene/ui/SceneCanvas.h"

namespace velmora {

SceneEditorPane::SceneEditorPane(DesktopContext& context, const QString& title, QWidget* parent)
    : QWidget(parent), context_(context) {
    setAccessibleName(title);
    toolBar_ = new QToolBar(this);
    toolBar_->setIconSize(QSize(18, 18));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    toolBar_->setFloatable(false);
    toolBar_->setMovable(false);

    canvas_ = new SceneCanvas(context, this);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(canvas_);
    scroll_->setWidgetResizable(true);  // the canvas fills the view and grows with the scene
    scroll_->setFrameShape(QFrame::NoFrame);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(scroll_, 1);
    setFocusProxy(canvas_);

    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    const struct {
        Tool tool;
        IconId icon;
        const char* text;
        SceneDocument::Mode mode;
    } modeTools[] = {{kWatch, IconId::Watch, "监视", SceneDocument::kWatch},
                     {kEdit, IconId::EditScene, "编辑", SceneDocument::kEdit},
                     {kLight, IconId::Light, "灯光", SceneDocument::kLight}};
    const SceneDocument::Mode current = context.runtime.sceneDocument().mode();
    for (const auto& m : modeTools) {
        QAction* a = AddTool(m.tool, m.icon, m.text);
        a->setCheckable(true);
        a->setChecked(m.mode == current);
        modes->addAction(a);
        const SceneDocument::Mode mode = m.mode;
        // toggled, not triggered: a screen reader's Toggle action checks the
        // button without triggering its action.
        connect(a, &QAction::toggled, this, [this, mode](bool on) {
            if (on) canvas_->SetMode(mode);
        });
    }

    connect(AddTool(kBackground, IconId::Background, "背景"), &QAction::triggered, this,
            &SceneEditorPane::ChooseBackground);

    connect(AddTool(kChannels, IconId::Channels, "通道"), &QAction::triggered, this, &SceneEditorPane::OpenChannels);

    QAction* labels = AddTool(kLabels, IconId::Labels, "标签");
    labels->setCheckable(true);
    labels->setChecked(canvas_->showLabels());
    connect(labels, &QAction::toggled, canvas_, &SceneCanvas::SetShowLabels);

    // The point table is the workspace's spring.csv; the document asks,
    // reads, checks and tells.
    connect(AddTool(kImport, IconId::Import, "导入"), &QAction::triggered, this, [this] {
        context_.runtime.sceneDocument().ImportPointTable(PointTablePath(context_.runtime.workspace().root()));
    });
    connect(AddTool(kExport, IconId::Export, "导出"), &QAction::triggered, this, [this] {
        context_.runtime.sceneDocument().ExportPointTable(PointTablePath(context_.runtime.workspace().root()));
    });
    connect(AddTool(kBatch, IconId::Batch, "批量"), &QAction::triggered, this, [this] { RunBatchAdd(context_, this); });
    labelledWidth_ = toolBar_->sizeHint().width();
}

void SceneEditorPane::resizeEvent(QResizeEvent* event) {
    toolBar_->setToolButtonStyle(width() >= labelledWidth_ ? Qt::ToolButtonTextUnderIcon : Qt::ToolButtonIconOnly);
    QWidget::resizeEvent(event);
}

QAction* SceneEditorPane::AddTool(Tool tool, IconId icon, const char* text) {
    const QString label = QString::fromUtf8(text);
    QAction* action = toolBar_->addAction(MakeIcon(icon), label);
    action->setToolTip(label);
    if (QWidget* button = toolBar_->widgetForAction(action)) button->setAccessibleName(label);
    actions_[tool] = action;
    return action;
}

void SceneEditorPane::ChooseBackground() {
    const std::filesystem::path& root = context_.runtime.workspace().root();
    const QString chosen = chooseBackground_
                               ? chooseBackground_()
                               : QFileDialog::getOpenFileName(this, QStringLiteral("背景"),
                                                              QString::fromStdString(root.string()),
                                                              QString::fromUtf8(kBackgroundFilter));
    if (chosen.isEmpty()) return;
    // A picture inside the workspace is kept relative to it, so the
    // installation can move.
    QString stored = QDir(QString::fromStdString(root.string())).relativeFilePath(chosen);
    if (stored.startsWith(QStringLiteral(".."))) stored = chosen;
    const std::string path = stored.toStdString();
    if (!context_.runtime.sceneDocument().SetBackground(path) && path.size() >= SceneSettings::kPathBuffer)
        context_.prompter.Tell(std::string(kBackgroundPathTooLong) + path);
}

void SceneEditorPane::OpenChannels() {
    emit channelsRequested();
    if (channelDialog_ == nullptr) channelDialog_ = new ChannelDialog(this);
    RunChannelDialog(context_, *channelDialog_);
}

}  // namespace velmora
