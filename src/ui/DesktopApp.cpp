#include "ui/DesktopApp.h"

#include <QMessageBox>

#include "app/Log.h"
#include "engine/MusicWav.h"
#include "show/ShowFile.h"
#include "ui/MainFrame.h"

namespace velmora {

DesktopApp::DesktopApp(const std::optional<std::filesystem::path>& workspaceOption, Prompter* prompter,
                       QObject* parent)
    : QObject(parent),
      runtime_(Workspace::FromEnvironment(workspaceOption)),
      prompter_(prompter ? *prompter : static_cast<Prompter&>(boxes_)),
      context_{runtime_, prompter_} {
    updateTimer_.setTimerType(Qt::PreciseTimer);
    connect(&updateTimer_, &QTimer::timeout, this, [this] { Update(); });
}

DesktopApp::~DesktopApp() {
    Finish();
}

bool DesktopApp::Start() {
    // Config, the log's first line, the lists and the scene.
    std::string error;
    const std::filesystem::path root = runtime_.workspace().root();
    std::string problem;
    std::error_code ec;
    if (!std::filesystem::is_directory(root, ec)) {
        problem = "工作区 " + root.string() + " 不存在或无法读取，程序以默认设置运行。";
    }
    if (!runtime_.Startup(&error) && problem.empty()) {
        problem = "场景文件 " + runtime_.g_strSpringIni.string() + " 无法读取（" + error + "），程序以默认场景运行。";
    }

    // Messages of the core (the caches', the playback object's questions)
    // go to message boxes from now on, on this thread.
    runtime_.SetPrompter(prompter_);
    CMusicWav& wav = *runtime_.g_pMusicWav;
    wav.SetPrompter(runtime_.operatorMessages());
    // The engine's end-of-entry notice: handed to this thread at once.
    wav.SetWakeOwner([this] {
        QMetaObject::invokeMethod(
            this, [this] { runtime_.g_pMusicWav->ProcessPending(); }, Qt::QueuedConnection);
    });

    frame_ = std::make_unique<MainFrame>(context_);
    boxes_.SetParent(frame_.get());
    frame_->SetCloseHook([this] { return BeforeClose(); });
    frame_->show();

    // The main view's creation starts the senders, the engine and the pacer.
    const bool playing = runtime_.StartPlayback();
    updateTimer_.start(static_cast<int>(CMusicWav::kUpdatePeriodMs));
    if (!problem.empty()) prompter_.Tell(problem);
    if (!playing) {
        prompter_.Tell("实时引擎无法启动，程序将退出。");
        return false;
    }
    return true;
}

void DesktopApp::Update() {
    runtime_.g_pMusicWav->Tick();
    DeliverMessages();
}

void DesktopApp::DeliverMessages() {
    // A message box runs an event loop in which this timer fires again; the
    // messages after it wait for the box to close.
    if (delivering_) return;
    delivering_ = true;
    runtime_.DeliverOperatorMessages();
    delivering_ = false;
}

bool DesktopApp::BeforeClose() {
    runtime_.StopEngine();
    const std::string current = runtime_.g_pMusicWav->m_strCurrent;
    if (!current.empty()) {
        std::string error;
        if (!runtime_.SaveShowFile(current + ".tlf", prompter_, &error) && error != kSaveDeclined)
            prompter_.Tell("节目文件没有保存：" + error);
    }
    // The scene is kept at exit without a question, as the operator expects
    // of the scene editor; an unchanged scene is not rewritten.
    if (runtime_.sceneDocument().IsModified()) {
        std::string error;
        if (!runtime_.SaveSceneFile(&error)) prompter_.Tell("场景文件没有保存：" + error);
    }
    updateTimer_.stop();
    return true;
}

void DesktopApp::Finish() {
    if (finished_) return;
    finished_ = true;
    updateTimer_.stop();
    frame_.reset();  // the panes go before the runtime they show
    runtime_.Shutdown();
}

void DesktopApp::RaiseWindow() {
    if (!frame_) return;
    if (frame_->isMinimized()) frame_->showNormal();
    frame_->show();
    frame_->raise();
    frame_->activateWindow();
}

}  // namespace velmora
