#include "runtime/Runtime.h"

#include <span>

#include "app/Log.h"
#include "app/Profile.h"
#include "app/Prompter.h"
#include "engine/ArbitrageThread.h"
#include "engine/MusicWav.h"
#include "engine/Pacer.h"
#include "media/MusicList.h"
#include "media/ProgramList.h"

namespace velmora {

Runtime::Runtime(Workspace workspace) : caches(workspace), workspace_(std::move(workspace)) {
    show.Reset();
    showDocument_ = std::make_unique<ShowDocument>(show, scene, caches, g_csOutput);
    output.Reallocate(scene.g_Channels);
    for (auto& sender : g_ModbusThreads) sender.Bind(g_csOutput, scene.g_Channels, output);
    m_pArbitrageThread = std::make_unique<CArbitrageThread>(
        EngineWorld{scene, show, g_pShowAssets, output, g_csOutput, night}, g_bHandMode,
        CArbitrageThread::Published{g_nEngineElapsed, g_dPlayheadUnits});
    g_ArbitrageThread = m_pArbitrageThread.get();
    defaultPrompter_ = std::make_unique<RecordingPrompter>(false);
    operatorMessages_ = std::make_unique<QueuedPrompter>(*defaultPrompter_);
    caches.SetPrompter(operatorMessages_.get());
    g_pMusicWav = std::make_unique<CMusicWav>(*this, *operatorMessages_);
    g_pMusicList = std::make_unique<CMusicList>(g_pMusicWav.get());
    g_pProgramList = std::make_unique<CProgramList>(workspace_.AssetDir("Program"), g_pMusicWav.get());
    g_pMusicWav->SetLists(g_pMusicList.get(), g_pProgramList.get());
    m_pArbitrageThread->SetMusic(&g_pMusicWav->state());
    // The show document prepares what the engine reads of the caches when a
    // show is loaded (swapped in with it) or an edit names other files.
    showDocument_->SetAssetSlot(&g_pShowAssets);
    sceneDocument_ = std::make_unique<SceneDocument>(scene, show, caches, output, g_csOutput);
    sceneDocument_->SetReconnectHook([this](int channel) {
        if (channel >= 1 && channel <= kChannelCount)
            g_ModbusThreads[static_cast<std::size_t>(channel - 1)].m_bReconnect.store(1);
    });
    // The views' snapshot grows with the scene here, on the owner thread, so
    // that the engine's captures of it allocate nothing.
    sceneDocument_->AddListener([this](const Change&) {
        std::lock_guard lock(g_csOutput);
        m_pArbitrageThread->snapshots().Reserve(scene.springs.size(), scene.groups.size());
    });
    // The system light's colour file is a scene setting: a scene loaded or
    // edited may name another one, which the engine finds prepared.
    sceneDocument_->AddListener([this](const Change& change) {
        if ((change.what & Change::kSettings) != 0) RefreshShowAssets();
    });
}

void Runtime::SetPrompter(Prompter& prompter) {
    operatorMessages_->SetTarget(prompter);
}

bool Runtime::StartPlayback() {
    StartSenders();
    if (g_ArbitrageThread && !g_ArbitrageThread->IsRunning() && !g_ArbitrageThread->Start()) return false;
    if (!m_pPacer) {
        std::array<Thread*, kChannelCount> senders{};
        for (std::size_t i = 0; i < senders.size(); ++i) senders[i] = &g_ModbusThreads[i];
        m_pPacer = std::make_unique<CPacer>(g_ArbitrageThread, senders);
        m_pArbitrageThread->SetPacer(m_pPacer.get());
    }
    return m_pPacer->IsRunning() || m_pPacer->Start();
}

void Runtime::StartSenders() {
    velmora::StartSenders(g_ModbusThreads);
}

Runtime::~Runtime() {
    if (started_) Shutdown();
    // The engine reads the pacer's grid point: it ends before the pacer goes.
    if (m_pPacer) m_pPacer->Stop();
    if (m_pArbitrageThread) m_pArbitrageThread->Stop();
}

bool Runtime::ReadEngineSnapshot(EngineSnapshot& into) const {
    return m_pArbitrageThread->snapshots().Read(into);
}

bool Runtime::Startup(std::string* error) {
    g_strConfigIni = workspace_.ConfigIni();
    night = LoadConfig(g_strConfigIni);
    g_strSpringIni = workspace_.SpringIni();
    Profile sceneProfile;
    sceneProfile.Load(g_strSpringIni);  // a missing file lists no music and no programs
    g_pMusicList->LoadMusicList(sceneProfile);
    g_pProgramList->LoadProgramList(sceneProfile);
    listsLoaded_ = true;
    const bool sceneOk = LoadSceneFile(error);
    caches.FillProgramCache(sceneProfile, scene);
    RefreshShowAssets();
    started_ = true;
    shutDown_ = false;
    LogMessage("程序启动");
    return sceneOk;
}

void Runtime::StopEngine() {
    if (m_pPacer) m_pPacer->Stop();
    if (g_ArbitrageThread) g_ArbitrageThread->Stop();
}

void Runtime::Shutdown() {
    if (shutDown_) return;
    shutDown_ = true;
    // The pacer goes first, so nothing is woken while the threads wind down;
    // then the engine, so that it stops refilling the image while the
    // senders wind down.
    StopEngine();
    std::array<Thread*, kChannelCount> senders{};
    for (std::size_t i = 0; i < senders.size(); ++i) senders[i] = &g_ModbusThreads[i];
    StopAllInParallel(senders, kSenderStopBound);
    LogMessage("ModbusTCPThread Save Quit");
    if (savesListsAtShutdown_) SaveLists();
    LogMessage("程序退出");
    started_ = false;
}

bool Runtime::SaveLists(std::string* error) {
    if (!listsLoaded_ || g_strSpringIni.empty()) return true;
    Profile profile;
    std::string reason;
    // A scene file that exists but cannot be read is not overwritten.
    if (!profile.Load(g_strSpringIni, &reason) && profile.existed()) {
        LogMessage("Runtime: lists not saved: %s", reason.c_str());
        if (error) *error = reason;
        return false;
    }
    // Empty lists that the file never held leave it as it is.
    if (g_pMusicList->m_list.empty() && g_pProgramList->m_list.empty() &&
        !profile.HasKey(CMusicList::kSection, "MusicCount") && !profile.HasKey(CProgramList::kSection, "ProgramCount"))
        return true;
    g_pMusicList->SaveMusicList(profile);
    g_pProgramList->SaveProgramList(profile);
    // Setting a key to the value it has changes nothing: no rewrite.
    if (!profile.modified()) return true;
    if (!profile.Save(&reason)) {
        LogMessage("Runtime: lists not saved: %s", reason.c_str());
        if (error) *error = reason;
        return false;
    }
    return true;
}

bool Runtime::LoadSceneFile(std::string* error) {
    return sceneDocument_->Load(g_strSpringIni, error);  // its change prepares the assets again
}

bool Runtime::SaveSceneFile(std::string* error) {
    return sceneDocument_->Save(g_strSpringIni, error);
}

bool Runtime::LoadShowFile(const std::filesystem::path& path, std::string* error,
                           const std::function<void()>& alsoUnderLock) {
    // The document's change prepares the new show's assets (see the
    // constructor); a tick or two in between plays the new show with the
    // assets it shares with the old one.
    return showDocument_->Load(path, error, alsoUnderLock);
}

void Runtime::CompileShow() {
    // "更新电机动作": programs that were missing a moment ago are looked for
    // again at once, the other assets too (a mended 512 table or colour file
    // is read now), and the views hear that the tracks changed.
    showDocument_->UpdateMotorActions();
}

void Runtime::PublishShowAssets(std::shared_ptr<const ShowAssets> assets) {
    {
        std::lock_guard lock(g_csOutput);
        g_pShowAssets.swap(assets);
    }
}  // the previous map is let go here, outside the lock

void Runtime::RefreshShowAssets() {
    PublishShowAssets(PrepareShowAssets(scene, show, caches));
}

void Runtime::AssetFileSaved(AssetKind kind, const std::filesystem::path& file) {
    switch (kind) {
        case AssetKind::Motor:
            caches.ForgetMotorFile(file);
            CompileShow();
            return;
        case AssetKind::Frame: caches.ForgetFrameFile(file); break;
        case AssetKind::Colour: caches.ForgetColourFile(file); break;
        case AssetKind::Light512: caches.ClearLight512Cache(); break;
    }
    RefreshShowAssets();
}

std::filesystem::path Runtime::EntryFolder(int programMode) const {
    return workspace_.AssetDir(programMode ? "Program" : "Music");
}

bool Runtime::SetShowScale(std::int32_t scale) {
    return showDocument_->SetScale(scale);
}

bool Runtime::SaveShowFile(const std::filesystem::path& path, Prompter& prompter, std::string* error) {
    return showDocument_->Save(path, prompter, error);
}

}  // namespace velmora
