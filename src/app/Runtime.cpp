#include "app/Runtime.h"

#include <span>

#include "app/Log.h"
#include "app/Profile.h"
#include "engine/ArbitrageThread.h"
#include "engine/ShowCompiler.h"
#include "scene/SceneFile.h"
#include "show/ShowFile.h"

namespace velmora {

Runtime::Runtime(Workspace workspace) : caches(workspace), workspace_(std::move(workspace)) {
    show.Reset();
    output.Reallocate(scene.g_Channels);
    for (auto& sender : g_ModbusThreads) sender.Bind(g_csOutput, scene.g_Channels, output);
    m_pArbitrageThread = std::make_unique<CArbitrageThread>(
        EngineWorld{scene, show, caches, output, g_csOutput, night}, g_bHandMode,
        CArbitrageThread::Published{g_nEngineElapsed, g_dPlayheadUnits});
    g_ArbitrageThread = m_pArbitrageThread.get();
}

void Runtime::StartSenders() {
    velmora::StartSenders(g_ModbusThreads);
}

Runtime::~Runtime() {
    if (started_) Shutdown();
}

bool Runtime::Startup(std::string* error) {
    g_strConfigIni = workspace_.ConfigIni();
    night = LoadConfig(g_strConfigIni);
    g_strSpringIni = workspace_.SpringIni();
    const bool sceneOk = LoadSceneFile(error);
    Profile sceneProfile;
    sceneProfile.Load(g_strSpringIni);  // a missing file lists no programs
    caches.FillProgramCache(sceneProfile, scene);
    started_ = true;
    shutDown_ = false;
    LogMessage("程序启动");
    return sceneOk;
}

void Runtime::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    // The engine goes first so that it stops refilling the image while the
    // senders wind down.
    if (g_ArbitrageThread) g_ArbitrageThread->Stop();
    std::array<Thread*, kChannelCount> senders{};
    for (std::size_t i = 0; i < senders.size(); ++i) senders[i] = &g_ModbusThreads[i];
    StopAllInParallel(senders, kSenderStopBound);
    LogMessage("ModbusTCPThread Save Quit");
    LogMessage("程序退出");
    started_ = false;
}

bool Runtime::LoadSceneFile(std::string* error) {
    Scene loaded;
    std::string reason;
    bool ok = true;
    if (std::filesystem::exists(g_strSpringIni)) ok = LoadScene(g_strSpringIni, loaded, &reason);
    if (!ok) loaded = Scene{};
    {
        std::lock_guard lock(g_csOutput);
        scene = std::move(loaded);
        scene.Reindex();
        output.Reallocate(scene.g_Channels);
    }
    if (!ok && error) *error = reason;
    return ok;
}

bool Runtime::SaveSceneFile(std::string* error) {
    return SaveScene(g_strSpringIni, scene, error);
}

bool Runtime::LoadShowFile(const std::filesystem::path& path, std::string* error) {
    Show loaded;
    const bool ok = LoadShow(path, loaded, &scene, error);
    {
        std::lock_guard lock(g_csOutput);
        show = std::move(loaded);
    }
    CompileShow();
    return ok;
}

void Runtime::CompileShow() {
    velmora::CompileShow(scene, show, caches, g_csOutput);
}

bool Runtime::SaveShowFile(const std::filesystem::path& path, Prompter& prompter, std::string* error) {
    return SaveShow(path, show, prompter, g_csOutput, error);
}

}  // namespace velmora
