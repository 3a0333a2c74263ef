#include "preview3d/ui/PreviewPane.h"

#include <QAction>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

#include "preview3d/ui/PreviewGlWidget.h"
#include "ui/Icons.h"

namespace velmora {

namespace {

QAction* AddButton(QToolBar& bar, IconId icon, const QString& label) {
    QAction* action = bar.addAction(MakeIcon(icon), label);
    action->setToolTip(label);
    if (QWidget* button = bar.widgetForAction(action)) button->setAccessibleName(label);
    return action;
}

}  // namespace

PreviewPane::PreviewPane(DesktopContext& context, const QString& title, EditLightHook editLight, QWidget* parent)
    : QWidget(parent), context_(context), editLight_(std::move(editLight)), toolBar_(new QToolBar(this)) {
    setAccessibleName(title);
    toolBar_->setFixedHeight(kToolBarHeight);
    toolBar_->setIconSize(QSize(18, 18));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar_->setFloatable(false);
    toolBar_->setMovable(false);

    QAction* properties = AddButton(*toolBar_, IconId::Properties, QStringLiteral("属性"));
    connect(properties, &QAction::triggered, this,
            [this] { OpenPreviewProperties(context_, this, editLight_); });
    QAction* view = AddButton(*toolBar_, IconId::Camera, QStringLiteral("视角"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);

    // The preview fills the pane: a docked pane is sized by the user, and a
    // fixed island of 500 x 400 in a large pane wastes the view.
    QString reason;
    if (CanMakePreviewContext(&reason)) {
        preview_ = new PreviewGlWidget(context_, this);
        layout->addWidget(preview_, 1);
        connect(view, &QAction::triggered, preview_, &PreviewGlWidget::NextCamera);
    } else {
        placeholder_ = new QLabel(QStringLiteral("无法创建OpenGL上下文：") + reason, this);
        placeholder_->setAlignment(Qt::AlignCenter);
        placeholder_->setWordWrap(true);
        placeholder_->setAccessibleName(placeholder_->text());
        layout->addWidget(placeholder_, 1);
        view->setEnabled(false);
    }
}

}  // namespace velmora
