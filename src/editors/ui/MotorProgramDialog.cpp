#include "editors/ui/MotorProgramDialog.h"

#include <QAction>
#include <QFileDialog>
#include <QLabel>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/Profile.h"
#include "app/Prompter.h"
#include "app/Workspace.h"
#include "editors/ui/MotorConfigDialog.h"
#include "editors/ui/MotorStepDialog.h"
#include "editors/ui/StepBoxRow.h"
#include "runtime/Runtime.h"
#include "ui/Icons.h"

namespace velmora {

namespace {

const QString kTitle = QStringLiteral("电机程序编辑器");
const QString kRun = QStringLiteral("运行");
const QString kIdle = QStringLiteral("测试未运行");
const QString kFilter = QStringLiteral("Motor Files (*.motor)");

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

MotorEditorSettings MotorEditorSettingsOf(const Runtime& runtime) {
    return {runtime.g_strConfigIni, runtime.scene.settings.g_nPulsePerRoundZ};
}

MotorProgramDialog::MotorProgramDialog(Prompter& prompter, std::filesystem::path folder, const std::string& fileName,
                                       QWidget* parent, MotorEditorSettings settings)
    : AssetEditorDialog(prompter, std::move(folder), "电机程序已修改，是否保存？", parent),
      settings_(std::move(settings)),
      workerMessages_(prompter) {
    resize(900, 440);
    if (!settings_.configIni.empty()) setup_ = LoadMotorTestSetup(settings_.configIni);

    const std::string name = StoredFileName(fileName);
    Profile profile;
    std::string error;
    if (!name.empty()) {
        const std::filesystem::path path = ResolveStored(folder_, name);
        if (!profile.Load(path, &error) && profile.existed()) prompter_.Tell("打开文件失败！" + error);
    }
    std::string note;
    editor_.Load(profile, name, &note);
    if (!note.empty()) prompter_.Tell(note);

    auto* toolbar = new QToolBar(this);
    toolbar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    toolbar->setIconSize(QSize(16, 16));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar);
    row_ = new StepBoxRow(editor_);
    scroll_ = new QScrollArea(this);
    scroll_->setWidget(row_);
    scroll_->setWidgetResizable(false);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->verticalScrollBar()->setSingleStep(10);
    layout->addWidget(scroll_, 1);
    status_ = new QLabel(kIdle, this);
    status_->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(status_);

    const auto icon = [](IconId id) { return static_cast<int>(id); };
    toolbar->addAction(AddAction(QStringLiteral("移动"), icon(IconId::StepMove), [this] { return editor_.AppendMove(); }));
    toolbar->addAction(AddAction(QStringLiteral("休息"), icon(IconId::StepRest), [this] { return editor_.AppendRest(); }));
    toolbar->addAction(AddAction(QStringLiteral("循环"), icon(IconId::StepLoop), [this] { return editor_.AppendLoop(); }));
    toolbar->addAction(AddAction(QStringLiteral("前移"), icon(IconId::StepForward), [this] { return editor_.MoveForward(); }));
    toolbar->addAction(AddAction(QStringLiteral("后移"), icon(IconId::StepBack), [this] { return editor_.MoveBack(); }));
    toolbar->addAction(AddAction(QStringLiteral("删除"), icon(IconId::Delete), [this] { return editor_.DeleteCurrent(); }));
    toolbar->addAction(AddAction(QStringLiteral("编译"), icon(IconId::Compile), [this] {
        Compile();
        return true;
    }));
    toolbar->addAction(AddAction(QStringLiteral("配置"), icon(IconId::Channels), [this] {
        Configure();
        return true;
    }));
    QAction* run = AddAction(kRun, icon(IconId::Run), [this] {
        ToggleRun();
        return true;
    });
    run->setCheckable(true);
    toolbar->addAction(run);
    toolbar->addAction(AddAction(QStringLiteral("打开"), icon(IconId::Open), [this] { return Open(); }));
    toolbar->addAction(AddAction(QStringLiteral("保存"), icon(IconId::Save), [this] { return Save(); }));
    toolbar->addAction(AddAction(QStringLiteral("复位"), icon(IconId::StepReset),
                                 [this] { return editor_.AppendReset(settings_.pulsesPerRound); }));
    toolbar->addSeparator();
    QAction* undo = AddAction(QStringLiteral("撤销"), icon(IconId::Undo), [this] { return editor_.Undo(); });
    undo->setShortcut(QKeySequence::Undo);
    QAction* redo = AddAction(QStringLiteral("重做"), icon(IconId::Redo), [this] { return editor_.Redo(); });
    redo->setShortcut(QKeySequence::Redo);
    toolbar->addAction(undo);
    toolbar->addAction(redo);

    connect(row_, &StepBoxRow::clicked, this, [this](int index) {
        editor_.Select(index);
        Refresh();
    });
    connect(row_, &StepBoxRow::doubleClicked, this, [this](int index) { EditStep(index); });

    askPath = [this](bool forSaving) {
        std::error_code ec;
        if (forSaving) std::filesystem::create_directories(folder_, ec);
        QFileDialog dialog(this, forSaving ? QStringLiteral("保存") : QStringLiteral("打开"),
                           QString::fromStdString(folder_.string()), kFilter);
        dialog.setAcceptMode(forSaving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        dialog.setFileMode(forSaving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
        // A name typed without the extension gets it before the overwrite
        // question, so the question is asked about the file really written.
        dialog.setDefaultSuffix(QStringLiteral("motor"));
        if (forSaving && !editor_.fileName().empty()) dialog.selectFile(Q(editor_.fileName()));
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles().value(0) : QString();
    };

    // The sender tells from its own thread; the queue hands it over here.
    workerMessages_.SetOwnerThread(std::this_thread::get_id());
    motor_.SetPrompter(&workerMessages_);
    statusTimer_.setInterval(kStatusPeriodMs);
    connect(&statusTimer_, &QTimer::timeout, this, [this] { UpdateStatus(); });
    statusTimer_.start();
    Refresh();
}

MotorProgramDialog::~MotorProgramDialog() {
    statusTimer_.stop();
    motor_.Stop();
}

QAction* MotorProgramDialog::AddAction(const QString& text, int icon, const std::function<bool()>& edit) {
    auto* action = new QAction(MakeIcon(static_cast<IconId>(icon)), text, this);
    action->setObjectName(text);
    action->setToolTip(text);
    connect(action, &QAction::triggered, this, [this, edit] {
        edit();
        Refresh();
    });
    addAction(action);
    return action;
}

QAction* MotorProgramDialog::Action(const QString& text) const { return findChild<QAction*>(text); }

QString MotorProgramDialog::statusText() const { return status_->text(); }

void MotorProgramDialog::Refresh() {
    row_->resize(scroll_->viewport()->width(), std::max(row_->ContentHeight(), scroll_->viewport()->height()));
    row_->update();
    // The expanded list is a result, not the program: nothing edits it.
    const bool editing = !editor_.showCompiled();
    const int current = editor_.current();
    const int count = static_cast<int>(editor_.program().size());
    for (const char* append : {"移动", "休息", "循环", "复位"}) Action(QString::fromUtf8(append))->setEnabled(editing);
    Action(QStringLiteral("前移"))->setEnabled(editing && current > 0);
    Action(QStringLiteral("后移"))->setEnabled(editing && current >= 0 && current + 1 < count);
    Action(QStringLiteral("删除"))->setEnabled(editing && current >= 0);
    Action(QStringLiteral("撤销"))->setEnabled(editing && editor_.CanUndo());
    Action(QStringLiteral("重做"))->setEnabled(editing && editor_.CanRedo());
    Action(kRun)->setChecked(running_);
    QString title = kTitle;
    if (!editor_.fileName().empty()) title += QStringLiteral(" - ") + Q(editor_.fileName());
    if (editor_.showCompiled()) title += QStringLiteral("（编译结果）");
    if (editor_.IsModified()) title += QStringLiteral(" *");
    setWindowTitle(title);
}

void MotorProgramDialog::Compile() {
    const MotorProgramEditor::CheckResult result = editor_.Check();
    Refresh();
    if (!result.ok) prompter_.Tell(result.message);
}

void MotorProgramDialog::Configure() {
    MotorConfigDialog dialog(editor_.interval(), setup_, this);
    if (dialog.exec() != QDialog::Accepted) return;
    editor_.SetInterval(dialog.interval());
    const MotorTestSetup chosen = dialog.setup();
    if (chosen == setup_) return;
    setup_ = chosen;
    std::string error;
    if (!settings_.configIni.empty() && !SaveMotorTestSetup(settings_.configIni, setup_, &error))
        prompter_.Tell("测试控制器的设置没有保存：" + error);
}

void MotorProgramDialog::ToggleRun() {
    const MotorProgramEditor::CheckResult result = editor_.Check();
    if (running_) {
        StopRun();
        Refresh();
        if (!result.ok) prompter_.Tell(result.message);
        prompter_.Tell("结束测试");
        return;
    }
    if (!result.ok) {
        Refresh();
        prompter_.Tell(result.message);
        prompter_.Tell("编译错误！");
        return;
    }
    motor_.Stop();
    motor_.m_listBlocks = editor_.compiled();
    motor_.m_nInterval = editor_.interval();
    ApplyMotorTestSetup(setup_, motor_);
    running_ = motor_.Restart();
    Refresh();
    if (!running_) {
        prompter_.Tell("上一次测试还没有结束，请稍后再试。");
        return;
    }
    UpdateStatus();
    prompter_.Tell("开始测试");
}

void MotorProgramDialog::StopRun() {
    motor_.Stop();
    running_ = false;
    UpdateStatus();
}

void MotorProgramDialog::UpdateStatus() {
    if (!delivering_) {
        // A message box runs an event loop in which this timer fires again;
        // later messages wait until it is closed.
        delivering_ = true;
        workerMessages_.Drain();
        delivering_ = false;
    }
    if (running_ && motor_.Finished()) {
        running_ = false;
        Refresh();
    }
    const QString counts = QStringLiteral("发送 %1  接收 %2")
                               .arg(motor_.m_nSendCount.load())
                               .arg(motor_.m_nRecvCount.load());
    const QString state = Q(motor_.m_szStatus.Get());
    QString text;
    if (running_) {
        const std::int64_t elapsed = motor_.Elapsed();
        const std::int64_t interval = std::max<std::int32_t>(1, motor_.m_nInterval);
        const auto steps = static_cast<std::int64_t>(motor_.m_listBlocks.size());
        const QString step = elapsed < 0 ? QString()
                                         : QStringLiteral("  第 %1 / %2 步")
                                               .arg(std::min(elapsed / interval + 1, steps))
                                               .arg(steps);
        text = QStringLiteral("测试中 %1:%2  %3  %4%5")
                   .arg(Q(setup_.address))
                   .arg(setup_.port)
                   .arg(state, counts, step);
    } else if (motor_.m_nSendCount.load() > 0 || !state.isEmpty()) {
        text = QStringLiteral("测试结束  %1  %2").arg(state, counts);
    } else {
        text = kIdle;
    }
    if (status_->text() != text) status_->setText(text);
}

void MotorProgramDialog::EditStep(int index) {
    editor_.Select(index);
    Refresh();
    if (editor_.current() != index || editor_.showCompiled()) return;
    MotorStepDialog dialog(editor_.program()[static_cast<std::size_t>(index)], this);
    if (dialog.exec() == QDialog::Accepted) {
        const auto v = dialog.values();
        editor_.SetParameters(index, v[0], v[1], v[2]);
    }
    Refresh();
}

bool MotorProgramDialog::ReadFile(const std::filesystem::path& file, std::string* error) {
    Profile profile;
    if (!profile.Load(file, error)) return false;
    std::string note;
    editor_.Load(profile, file.filename().string(), &note);
    if (!note.empty()) prompter_.Tell(note);
    return true;
}

void MotorProgramDialog::done(int result) {
    if (running_ || motor_.IsRunning()) StopRun();
    Refresh();
    QDialog::done(result);
}

}  // namespace velmora
