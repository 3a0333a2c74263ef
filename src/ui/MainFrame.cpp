#include "ui/MainFrame.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QSettings>
#include <QShortcut>
#include <QStatusBar>
#include <QStringList>
#include <QTimer>
#include <QToolBar>

#include "comm/ChannelHealth.h"
#include "comm/ui/ChannelMonitorRows.h"
#include "engine/MusicWav.h"
#include "media/ListRows.h"
#include "runtime/Runtime.h"
#include "show/ShowFile.h"
#include "ui/Icons.h"
#include "ui/Looks.h"
#include "ui/MainView.h"
#include "ui/PaneTable.h"
#include "ui/Panes.h"

namespace velmora {

namespace {

constexpr int kStatusPeriodMs = 250;
constexpr int kPaneStartSize = 200;

QString Q(const char* text) {
    return QString::fromUtf8(text);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

QString FourPartVersion(const QString& version) {
    QStringList parts = version.split(QLatin1Char('.'));
    while (parts.size() < 4) parts << QStringLiteral("0");
    while (parts.size() > 4) parts.removeLast();
    return parts.join(QLatin1Char('.'));
}

MainFrame::MainFrame(DesktopContext& context, QWidget* parent)
    : QMainWindow(parent), context_(context), look_(kDefaultLook) {
    setObjectName(QStringLiteral("VELMORA"));
    setWindowTitle(QStringLiteral("Velmora"));
    setWindowIcon(AppIcon());
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowTabbedDocks | QMainWindow::AllowNestedDocks);

    QSettings settings;
    const int stored = settings.value(QString::fromUtf8(kLookSetting), kDefaultLook).toInt();
    look_ = IsLook(stored) ? stored : kDefaultLook;
    ApplyLook(look_);

    mainView_ = new MainView(context_, this);
    setCentralWidget(mainView_);

    CreateCommands();
    CreateMenus();
    CreateToolBar();
    CreateStatusBar();
    CreatePanes();
    RestoreLayout();

    Runtime& runtime = context_.runtime;
    showListener_ = runtime.showDocument().AddListener([this](const Change&) { UpdateCommands(); });
    sceneListener_ = runtime.sceneDocument().AddListener([this](const Change&) { UpdateCommands(); });
    // The focus decides which document undo acts on.
    connect(qApp, &QApplication::focusChanged, this, [this] { UpdateCommands(); });
    UpdateCommands();
}

MainFrame::~MainFrame() {
    // Closing the window while QWidget's destructor runs moves the focus;
    // the commands must not be updated on a frame half gone.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
    context_.runtime.showDocument().RemoveListener(showListener_);
    context_.runtime.sceneDocument().RemoveListener(sceneListener_);
}

void MainFrame::CreateCommands() {
    struct Spec {
        int id;
        const char* menuText;
        const char* toolText;
        const char* statusTip;
        IconId icon;
        QKeySequence shortcut;
    };
    const Spec specs[] = {
        {kCmdSave, "保存(&S)", "保存", "保存", IconId::Save, QKeySequence(Qt::CTRL | Qt::Key_S)},
        {kCmdNewBlock, "新建时间块", "新建块", "新建时间块", IconId::NewBlock, {}},
        {kCmdCopy, "复制(&C)", "复制", "复制所选内容，将其放入剪贴板", IconId::Copy, QKeySequence(Qt::CTRL | Qt::Key_C)},
        {kCmdPaste, "粘贴(&P)", "粘贴", "插入剪贴板内容", IconId::Paste, QKeySequence(Qt::CTRL | Qt::Key_V)},
        {kCmdDelete, "删除(&D)", "删除", "删除所选内容", IconId::Delete, QKeySequence(Qt::Key_Delete)},
        {kCmdAbout, "关于 Velmora(&A)...", "关于", "显示程序信息、版本号和版权信息", IconId::About, {}},
        {kCmdUndo, "撤销(&U)", "撤销", "撤销上一步操作", IconId::Undo, QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {kCmdRedo, "重做(&R)", "重做", "重做撤销的操作", IconId::Redo, QKeySequence(Qt::CTRL | Qt::Key_Y)},
    };
    for (const Spec& spec : specs) {
        Command command;
        command.menu = new QAction(MakeIcon(spec.icon), Q(spec.menuText), this);
        command.tool = new QAction(MakeIcon(spec.icon), Q(spec.toolText), this);
        for (QAction* action : {command.menu, command.tool}) {
            action->setStatusTip(Q(spec.statusTip));
            action->setData(spec.id);
        }
        command.tool->setToolTip(Q(spec.toolText));
        // One shortcut per command: on the menu item, which lives as long as the frame.
        if (!spec.shortcut.isEmpty()) command.menu->setShortcut(spec.shortcut);
        commands_[spec.id] = command;
    }

    const auto bind = [this](int id, auto&& slot) {
        for (QAction* action : {commands_[id].menu, commands_[id].tool})
            connect(action, &QAction::triggered, this, slot);
    };
    bind(kCmdSave, [this] { Save(); });
    bind(kCmdCopy, [this] { Copy(); });
    bind(kCmdPaste, [this] { Paste(); });
    bind(kCmdDelete, [this] { Delete(); });
    bind(kCmdAbout, [this] { About(); });
    bind(kCmdUndo, [this] { Undo(); });
    bind(kCmdRedo, [this] { Redo(); });
    for (QAction* action : {commands_[kCmdNewBlock].menu, commands_[kCmdNewBlock].tool}) {
        action->setCheckable(true);
        connect(action, &QAction::triggered, this, [this](bool checked) { SetNewBlockArmed(checked); });
    }
    // The timeline draws the next block while the command is armed, and
    // disarms it with the press that uses it.
    connect(this, &MainFrame::newBlockArmedChanged, mainView_, &MainView::SetNewBlockArmed);
    connect(mainView_, &MainView::newBlockUsed, this, [this] { SetNewBlockArmed(false); });

    auto* next = new QShortcut(QKeySequence(Qt::Key_F6), this);
    next->setContext(Qt::ApplicationShortcut);
    connect(next, &QShortcut::activated, this, [this] { CyclePane(+1); });
    auto* previous = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F6), this);
    previous->setContext(Qt::ApplicationShortcut);
    connect(previous, &QShortcut::activated, this, [this] { CyclePane(-1); });
}

void MainFrame::CreateMenus() {
    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->addAction(commands_[kCmdSave].menu);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("退出(&X)"));
    exit->setStatusTip(QStringLiteral("退出应用程序"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    edit->addAction(commands_[kCmdUndo].menu);
    edit->addAction(commands_[kCmdRedo].menu);
    edit->addSeparator();
    edit->addAction(commands_[kCmdCopy].menu);
    edit->addAction(commands_[kCmdPaste].menu);
    edit->addAction(commands_[kCmdDelete].menu);

    QMenu* view = menuBar()->addMenu(QStringLiteral("视图(&V)"));
    view->setObjectName(QStringLiteral("viewMenu"));
    QMenu* bars = view->addMenu(QStringLiteral("工具栏和停靠窗口(&T)"));
    bars->setObjectName(QStringLiteral("barsMenu"));
    statusBarAction_ = view->addAction(QStringLiteral("状态栏(&S)"));
    statusBarAction_->setCheckable(true);
    statusBarAction_->setChecked(true);
    connect(statusBarAction_, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    QMenu* looks = view->addMenu(QStringLiteral("应用程序外观(&A)"));
    lookGroup_ = new QActionGroup(this);
    for (const Look& look : kLooks) {
        QAction* action = looks->addAction(Q(look.menuText));
        action->setCheckable(true);
        action->setChecked(look.id == look_);
        lookGroup_->addAction(action);
        lookActions_[look.id] = action;
        connect(action, &QAction::triggered, this, [this, id = look.id] { SetLook(id); });
    }

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->addAction(commands_[kCmdAbout].menu);
}

void MainFrame::CreateToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("标准"));
    bar->setObjectName(QStringLiteral("standardToolBar"));
    bar->setIconSize(QSize(24, 24));
    bar->addAction(commands_[kCmdSave].tool);
    bar->addSeparator();
    bar->addAction(commands_[kCmdNewBlock].tool);
    bar->addAction(commands_[kCmdCopy].tool);
    bar->addAction(commands_[kCmdPaste].tool);
    bar->addAction(commands_[kCmdDelete].tool);
    bar->addSeparator();
    bar->addAction(commands_[kCmdAbout].tool);
    if (QMenu* bars = menuBar()->findChild<QMenu*>(QStringLiteral("barsMenu"))) bars->addAction(bar->toggleViewAction());
}

void MainFrame::CreatePanes() {
    QMenu* bars = menuBar()->findChild<QMenu*>(QStringLiteral("barsMenu"));
    QDockWidget* first3D = nullptr;
    QDockWidget* firstMusic = nullptr;
    for (const PaneSpec& spec : kPanes) {
        const QString title = Q(spec.title);
        auto* dock = new QDockWidget(title, this);
        dock->setObjectName(QStringLiteral("pane%1").arg(spec.id));
        dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                          QDockWidget::DockWidgetFloatable);
        QWidget* content = CreatePaneContent(spec.id, title, context_, dock);
        content->setMinimumSize(QSize(kPaneStartSize / 2, kPaneStartSize / 2));
        dock->setWidget(content);
        switch (spec.dock) {
            case PaneDock::Right:
                addDockWidget(Qt::RightDockWidgetArea, dock);
                first3D = dock;
                break;
            case PaneDock::Left:
                addDockWidget(Qt::LeftDockWidgetArea, dock);
                firstMusic = dock;
                break;
            case PaneDock::TabWith3D:
                tabifyDockWidget(first3D, dock);
                break;
            case PaneDock::TabWithMusic:
                tabifyDockWidget(firstMusic, dock);
                break;
        }
        panes_[spec.id] = dock;
        if (bars) bars->addAction(dock->toggleViewAction());
    }
    // The first pane of each tab group is the one shown.
    if (first3D) first3D->raise();
    if (firstMusic) firstMusic->raise();
    resizeDocks({firstMusic, first3D}, {320, 320}, Qt::Horizontal);
}

void MainFrame::CreateStatusBar() {
    entryLabel_ = new QLabel(this);
    channelsLabel_ = new QLabel(this);
    statusBar()->addPermanentWidget(entryLabel_);
    statusBar()->addPermanentWidget(channelsLabel_);
    statusTimer_ = new QTimer(this);
    connect(statusTimer_, &QTimer::timeout, this, [this] { RefreshStatus(); });
    statusTimer_->start(kStatusPeriodMs);
    RefreshStatus();
}

void MainFrame::RestoreLayout() {
    QSettings settings;
    if (!restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray())) resize(1240, 760);
    restoreState(settings.value(QStringLiteral("windowState")).toByteArray());
    const bool statusOn = settings.value(QStringLiteral("statusBar"), true).toBool();
    statusBarAction_->setChecked(statusOn);
    statusBar()->setVisible(statusOn);
}

void MainFrame::SaveLayout() {
    QSettings settings;
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("windowState"), saveState());
    settings.setValue(QStringLiteral("statusBar"), statusBarAction_->isChecked());
    settings.setValue(QString::fromUtf8(kLookSetting), look_);
}

QDockWidget* MainFrame::Pane(int paneId) const {
    const auto it = panes_.find(paneId);
    return it == panes_.end() ? nullptr : it->second;
}

QAction* MainFrame::MenuAction(int commandId) const {
    const auto it = commands_.find(commandId);
    return it == commands_.end() ? nullptr : it->second.menu;
}

QAction* MainFrame::ToolAction(int commandId) const {
    const auto it = commands_.find(commandId);
    return it == commands_.end() ? nullptr : it->second.tool;
}

QAction* MainFrame::LookAction(int lookId) const {
    const auto it = lookActions_.find(lookId);
    return it == lookActions_.end() ? nullptr : it->second;
}

void MainFrame::Enable(int commandId, bool enabled) {
    Command& command = commands_[commandId];
    command.menu->setEnabled(enabled);
    command.tool->setEnabled(enabled);
}

Document& MainFrame::UndoTarget() const {
    Runtime& runtime = context_.runtime;
    const QWidget* focus = QApplication::focusWidget();
    for (const int paneId : {kPaneSceneEditor, kPaneGroupElements}) {
        QDockWidget* scenePane = Pane(paneId);
        if (scenePane && focus && scenePane->isAncestorOf(focus)) return runtime.sceneDocument();
    }
    return runtime.showDocument();
}

void MainFrame::UpdateCommands() {
    Runtime& runtime = context_.runtime;
    ShowDocument& show = runtime.showDocument();
    Enable(kCmdSave, show.IsModified() || runtime.show.m_bModified || runtime.sceneDocument().IsModified());
    const bool selected = show.SelectedCount() > 0;
    Enable(kCmdCopy, selected);
    Enable(kCmdDelete, selected);
    Enable(kCmdPaste, !show.clipboard().empty());

    const Document& target = UndoTarget();
    Command& undo = commands_[kCmdUndo];
    Command& redo = commands_[kCmdRedo];
    const QString undoText = target.CanUndo() ? QStringLiteral("撤销 ") + Q(target.UndoText()) : QStringLiteral("撤销(&U)");
    const QString redoText = target.CanRedo() ? QStringLiteral("重做 ") + Q(target.RedoText()) : QStringLiteral("重做(&R)");
    undo.menu->setText(undoText);
    redo.menu->setText(redoText);
    undo.tool->setToolTip(undoText);
    redo.tool->setToolTip(redoText);
    Enable(kCmdUndo, target.CanUndo());
    Enable(kCmdRedo, target.CanRedo());
}

void MainFrame::Save() {
    Runtime& runtime = context_.runtime;
    std::string error;
    const std::string& current = runtime.g_pMusicWav->m_strCurrent;
    if (!current.empty() && !runtime.SaveShowFile(current + ".tlf", context_.prompter, &error) &&
        error != kSaveDeclined) {
        context_.prompter.Tell("节目文件没有保存：" + error);
    }
    error.clear();
    if (!runtime.SaveSceneFile(&error)) context_.prompter.Tell("场景文件没有保存：" + error);
    UpdateCommands();
}

void MainFrame::SetNewBlockArmed(bool armed) {
    newBlockArmed_ = armed;
    for (QAction* action : {commands_[kCmdNewBlock].menu, commands_[kCmdNewBlock].tool}) {
        const QSignalBlocker block(action);
        action->setChecked(armed);
    }
    emit newBlockArmedChanged(armed);
}

void MainFrame::Copy() {
    context_.runtime.showDocument().CopySelection();
    UpdateCommands();
}

void MainFrame::Paste() {
    context_.runtime.showDocument().Paste(mainView_->PasteX());
}

void MainFrame::Delete() {
    context_.runtime.showDocument().DeleteSelected(context_.prompter);
}

void MainFrame::About() {
    QMessageBox box(this);
    box.setWindowTitle(QStringLiteral("关于 Velmora"));
    box.setIconPixmap(AppIcon().pixmap(64, 64));
    box.setText(QStringLiteral("Velmora 音乐喷泉节目编排与控制\n版本 %1")
                    .arg(FourPartVersion(QStringLiteral(VELMORA_VERSION))));
    box.exec();
}

void MainFrame::Undo() {
    UndoTarget().Undo();
    UpdateCommands();
}

void MainFrame::Redo() {
    UndoTarget().Redo();
    UpdateCommands();
}

void MainFrame::CyclePane(int step) {
    std::vector<QDockWidget*> visible;
    for (const PaneSpec& spec : kPanes) {
        QDockWidget* dock = panes_[spec.id];
        if (dock->isVisible() || !tabifiedDockWidgets(dock).isEmpty()) {
            if (!dock->isHidden()) visible.push_back(dock);
        }
    }
    if (visible.empty()) return;
    const QWidget* focus = QApplication::focusWidget();
    int at = -1;
    for (int i = 0; i < static_cast<int>(visible.size()); ++i) {
        if (focus && (visible[static_cast<std::size_t>(i)] == focus || visible[static_cast<std::size_t>(i)]->isAncestorOf(focus)))
            at = i;
    }
    const int count = static_cast<int>(visible.size());
    const int next = at < 0 ? (step > 0 ? 0 : count - 1) : ((at + step) % count + count) % count;
    QDockWidget* dock = visible[static_cast<std::size_t>(next)];
    dock->raise();
    if (QWidget* content = dock->widget()) {
        content->setFocus(Qt::ShortcutFocusReason);
        if (!content->hasFocus()) content->nextInFocusChain()->setFocus(Qt::ShortcutFocusReason);
    }
}

void MainFrame::SetLook(int lookId) {
    if (!IsLook(lookId)) return;
    look_ = lookId;
    ApplyLook(lookId);
    if (QAction* action = LookAction(lookId)) action->setChecked(true);
    QSettings().setValue(QString::fromUtf8(kLookSetting), look_);
}

void MainFrame::RefreshStatus() {
    Runtime& runtime = context_.runtime;
    int configured = 0;
    int connected = 0;
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        if (!ChannelConfigured(runtime.scene.g_Channels[i])) continue;
        ++configured;
        if (runtime.g_ModbusThreads[i].health.LinkUp()) ++connected;
    }
    channelsLabel_->setText(QStringLiteral("通道 %1/%2").arg(connected).arg(configured));
    const CMusicWav& wav = *runtime.g_pMusicWav;
    entryLabel_->setText(wav.m_strCurrent.empty() ? QString() : Q(ListEntryName(wav.m_strCurrent)));
}

void MainFrame::closeEvent(QCloseEvent* event) {
    if (closeHook_ && !closeHook_()) {
        event->ignore();
        return;
    }
    statusTimer_->stop();
    SaveLayout();
    event->accept();
}

}  // namespace velmora
