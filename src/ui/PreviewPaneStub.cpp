#include "ui/PreviewPaneStub.h"

#include <QAction>
#include <QToolBar>
#include <QVBoxLayout>

#include "scene/ui/SystemPropDialog.h"
#include "ui/Icons.h"
#include "ui/PlaceholderPane.h"

namespace velmora {

PreviewPaneStub::PreviewPaneStub(DesktopContext& context, const QString& title, QWidget* parent)
    : QWidget(parent), context_(context), toolBar_(new QToolBar(this)) {
    toolBar_->setFixedHeight(kToolBarHeight);
    toolBar_->setIconSize(QSize(18, 18));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar_->setFloatable(false);
    toolBar_->setMovable(false);

    const QString label = QStringLiteral("属性");
    QAction* properties = toolBar_->addAction(MakeIcon(IconId::Properties), label);
    properties->setToolTip(label);
    if (QWidget* button = toolBar_->widgetForAction(properties)) button->setAccessibleName(label);
    connect(properties, &QAction::triggered, this, [this] { OpenSystemProperties(context_, this); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(new PlaceholderPane(title, this), 1);
}

}  // namespace velmora
