#include "manual/ui/GroupDebugDialog.h"

#include <utility>

#include <QAction>
#include <QActionGroup>
#include <QToolBar>
#include <QVBoxLayout>

#include "manual/ui/DebugGlyphs.h"
#include "manual/ui/GroupMemberSelector.h"
#include "runtime/Runtime.h"
#include "scene/Scene.h"

namespace velmora {

namespace {

constexpr int kSpacerCount = 3;
constexpr int kSpacerWidth = 16;

struct ModeButton {
    DebugDisplayMode mode;
    const char* caption;
};
constexpr ModeButton kModeButtons[] = {
    {DebugDisplayMode::Analog, "模拟量"},
    {DebugDisplayMode::Switch, "开关量"},
    {DebugDisplayMode::Light, "灯光"},
    {DebugDisplayMode::Motor, "电机"},
};

QAction* AddButton(QToolBar* bar, const QIcon& icon, const QString& text) {
    QAction* action = bar->addAction(icon, text);
    action->setToolTip(text);
    if (QWidget* button = bar->widgetForAction(action)) button->setAccessibleName(text);
    return action;
}

}  // namespace

GroupDebugDialog::GroupDebugDialog(DesktopContext& context, std::int32_t groupId, MotorFineTuneHook fineTune,
                                   QWidget* parent)
    : QDialog(parent), context_(context),
      state_(std::make_unique<DebugPanelState>(context.runtime.scene, groupId)) {
    const CSpringGroup* group = state_->debug.Group();
    setWindowTitle(QStringLiteral("[%1]---调试面板").arg(group ? QString::fromStdString(group->name) : QString()));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    toolBar_ = new QToolBar(this);
    toolBar_->setFixedHeight(kToolBarHeight);
    toolBar_->setIconSize(QSize(18, 18));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    selector_ = new GroupMemberSelector(*state_, this);
    tool_ = new GroupDebugTool(*state_, std::move(fineTune), this);

    connect(AddButton(toolBar_, SelectAllIcon(true), QStringLiteral("全选")), &QAction::triggered, this, [this] {
        state_->debug.SelectAll();
        selector_->update();
        tool_->update();
    });
    connect(AddButton(toolBar_, SelectAllIcon(false), QStringLiteral("全不选")), &QAction::triggered, this, [this] {
        state_->debug.SelectNone();
        selector_->update();
        tool_->update();
    });
    for (int i = 0; i < kSpacerCount; ++i) {
        auto* spacer = new QWidget(toolBar_);
        spacer->setFixedWidth(kSpacerWidth);
        toolBar_->addWidget(spacer);
    }
    auto* modes = new QActionGroup(this);
    modes->setExclusive(true);
    for (const ModeButton& button : kModeButtons) {
        QAction* action = AddButton(toolBar_, DisplayModeIcon(button.mode), QString::fromUtf8(button.caption));
        action->setCheckable(true);
        action->setChecked(button.mode == DebugDisplayMode::Analog);
        modes->addAction(action);
        const DebugDisplayMode mode = button.mode;
        connect(action, &QAction::triggered, this, [this, mode] { SetDisplayMode(mode); });
    }

    connect(selector_, &GroupMemberSelector::selectionChanged, tool_, qOverload<>(&QWidget::update));
    connect(tool_, &GroupDebugTool::changed, selector_, qOverload<>(&QWidget::update));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(selector_);
    layout->addWidget(tool_, 1);
    setFixedSize(GroupDebugTool::kWidth, kToolBarHeight + GroupMemberSelector::kHeight + GroupDebugTool::kHeight);

    refresh_.setInterval(kRefreshMs);
    connect(&refresh_, &QTimer::timeout, this, &GroupDebugDialog::Refresh);
    refresh_.start();
    Refresh();
}

// The selector and the tool area hold the state: they go first, while it
// still exists (QWidget would delete them, and send them their hide
// events, only after this class's members are gone).
GroupDebugDialog::~GroupDebugDialog() {
    refresh_.stop();
    delete tool_;
    delete selector_;
}

QAction* GroupDebugDialog::Action(const QString& text) const {
    for (QAction* action : toolBar_->actions())
        if (action->text() == text) return action;
    return nullptr;
}

void GroupDebugDialog::SetDisplayMode(DebugDisplayMode mode) {
    state_->mode = mode;
    for (const ModeButton& button : kModeButtons)
        if (button.mode == mode)
            if (QAction* action = Action(QString::fromUtf8(button.caption))) action->setChecked(true);
    selector_->update();
}

void GroupDebugDialog::Refresh() {
    state_->haveSnapshot = context_.runtime.ReadEngineSnapshot(state_->snapshot);
    const std::size_t before = state_->debug.memberCount();
    state_->debug.Sync();
    if (state_->debug.memberCount() != before) selector_->UpdateScrollRange();
    selector_->update();
    tool_->update();
}

void OpenGroupDebugPanel(DesktopContext& context, std::int32_t groupId, QWidget* parent,
                         MotorFineTuneHook fineTune) {
    if (context.runtime.scene.FindGroup(groupId) == nullptr) return;
    GroupDebugDialog dialog(context, groupId, std::move(fineTune), parent);
    dialog.exec();
}

}  // namespace velmora
