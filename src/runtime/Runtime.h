#pragma once
// Owner of the long-lived objects of one running program: paths, the
// operating window, the scene, the open show, the output image and its lock,
// and the worker threads. Each program builds one; tests build as many as
// they like.
//
// Thread contract: Startup, Shutdown and the file operations run on the UI
// (or CLI main) thread. Workers reach shared state only under g_csOutput.

#include <array>
#include <atomic>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "app/Config.h"
#include "app/QueuedPrompter.h"
#include "app/Thread.h"
#include "app/Workspace.h"
#include "check/AssetProbe.h"
#include "comm/ChannelImage.h"
#include "engine/AssetCaches.h"
#include "engine/EngineSnapshot.h"
#include "engine/EntryShowHost.h"
#include "engine/ShowAssets.h"
#include "comm/ModbusTCPThread.h"
#include "document/SceneDocument.h"
#include "document/ShowDocument.h"
#include "scene/Scene.h"
#include "show/Show.h"

namespace velmora {

class CArbitrageThread;
class CMusicList;
class CMusicWav;
class CPacer;
class CProgramList;
class Prompter;

class Runtime final : public EntryShowHost {
public:
    // The overall bound for stopping the 100 senders in parallel.
    static constexpr std::chrono::milliseconds kSenderStopBound{5000};

    explicit Runtime(Workspace workspace);
    ~Runtime() override;
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Reads config.ini, builds the file paths, loads the scene and logs
    // "程序启动". A scene file that exists but cannot be read leaves the
    // default scene and returns false with the reason; a missing one is the
    // default scene (the first start of an installation).
    bool Startup(std::string* error = nullptr);

    // The first step of closing the main window: the pacer and the engine
    // stop, so the show can be saved while nothing evaluates it. The
    // senders keep their links until Shutdown. Safe to call more than once.
    void StopEngine();

    // Stops the engine first, then every sender in parallel within
    // kSenderStopBound, logs "ModbusTCPThread Save Quit", saves the lists and
    // logs "程序退出". Safe to call twice; the destructor calls it.
    void Shutdown();

    // Through the scene document: a load replaces the scene with the file's,
    // under the output lock, reallocates the output image to the new channel
    // table and forgets the edit history; a save marks the saved state.
    bool LoadSceneFile(std::string* error = nullptr);
    bool SaveSceneFile(std::string* error = nullptr);

    // Loads a show for the open timeline (scale 50, names from the scene),
    // then compiles its motor actions so that it is ready to play. Through
    // the show document: its history starts afresh.
    // `alsoUnderLock`, when given, runs while the show goes in, under the
    // output lock, so that whatever the engine reads with the show (the
    // playback clock of a new entry) changes in the same instant.
    bool LoadShowFile(const std::filesystem::path& path, std::string* error = nullptr,
                      const std::function<void()>& alsoUnderLock = {});
    // Saves the open show through the show document, asking first when it
    // was modified.
    bool SaveShowFile(const std::filesystem::path& path, Prompter& prompter, std::string* error = nullptr);

    const Workspace& workspace() const { return workspace_; }
    bool started() const { return started_; }

    std::filesystem::path g_strConfigIni;
    std::filesystem::path g_strSpringIni;
    NightWindow night;

    std::mutex g_csOutput;   // guards the channel table, the image, the springs' run-time fields, the show
    Scene scene;
    Show show;
    OutputImage output;

    // The asset caches (motor, frame, colour, 512 table, program); their
    // messages go to operatorMessages() (or to a prompter set with
    // caches.SetPrompter).
    AssetCaches caches;
    // What the engine reads of them: the prepared assets of the open show
    // (and the scene's system light). Replaced as a whole under g_csOutput;
    // null until Startup.
    std::shared_ptr<const ShowAssets> g_pShowAssets;

    // Every edit, load, save and zoom of `show` goes through this document
    // (owner thread only), which keeps the undo history and the selection and
    // mirrors its modified flag into show.m_bModified. Its changes prepare
    // the show's assets again (g_pShowAssets).
    ShowDocument& showDocument() { return *showDocument_; }

    // Rebuilds every spring's angle tracks from the open show, through the
    // show document ("更新电机动作"), and prepares its assets again (files
    // that appeared or were mended are read now).
    void CompileShow();
    // Thread contract: owner thread. Makes `assets` (from PrepareShowAssets)
    // the map the engine reads from its next tick on; the previous map is
    // let go after the lock is released.
    void PublishShowAssets(std::shared_ptr<const ShowAssets> assets);
    // Thread contract: owner thread. Prepares the open show's assets again
    // and publishes them, without recompiling (after a refresh of the caches).
    void RefreshShowAssets();
    // Thread contract: owner thread. An editor saved `file` (a motor program,
    // frame animation or colour sequence): the caches forget every name that
    // stands for it, and the open show takes the new version at once — a
    // motor program by recompiling the tracks, the others by preparing the
    // assets again — so a block plays what was saved without a restart.
    void AssetFileSaved(AssetKind kind, const std::filesystem::path& file);

    // Hand mode (1) or watch mode (0), set by the hand panel; read by the
    // engine once per tick.
    std::atomic<std::int32_t> g_bHandMode{0};
    // Published by the engine for the UI: ms of engine time at the last
    // system colour, and the playhead in timeline units.
    std::atomic<std::int32_t> g_nEngineElapsed{0};
    std::atomic<double> g_dPlayheadUnits{0.0};

    // The real-time engine, bound to this runtime's scene, show, caches,
    // image and lock; link its playback clock (SetMusic) before Start.
    CArbitrageThread& engine() { return *m_pArbitrageThread; }

    // Thread contract: any thread (views on their repaint timers, the CLI's
    // status line). The engine's state after its newest tick, copied into
    // `into` without taking g_csOutput; false until the first tick.
    bool ReadEngineSnapshot(EngineSnapshot& into) const;

    // Thread contract: owner thread, before StartPlayback. The worker that
    // StartPlayback starts and Shutdown stops first, in the engine's place:
    // the engine itself unless a test puts a probe there to watch the
    // shutdown order. Everything else reaches the engine through engine().
    void SetEngineThread(Thread& thread) { g_ArbitrageThread = &thread; }

    // The 100 channel senders, bound to this runtime's lock, channel table
    // and image, and started by StartSenders.
    std::array<CModbusTCPThread, kChannelCount> g_ModbusThreads;

    // Starts sender i for channel i + 1, for all 100.
    void StartSenders();

    // The scene opened for editing: every change to the scene goes through
    // it. Its reconnect hook raises the channel's sender's m_bReconnect.
    SceneDocument& sceneDocument() { return *sceneDocument_; }

    // The playback object (clock the engine follows) and the two playlists,
    // created with the runtime; the lists are loaded by Startup and saved by
    // Shutdown. Owner thread only, except what the engine reads through the
    // playback state.
    std::unique_ptr<CMusicWav> g_pMusicWav;
    std::unique_ptr<CMusicList> g_pMusicList;
    std::unique_ptr<CProgramList> g_pProgramList;

    // Thread contract: owner thread (the one that built the runtime), while
    // no worker raises messages. Where the operator's messages and questions
    // go: the caches' messages, the playback object's question before saving
    // a modified show, and whatever a worker is given operatorMessages() for.
    // By default every question is answered No.
    void SetPrompter(Prompter& prompter);
    // The queue in front of that prompter: any thread may tell through it;
    // messages raised off the owner thread wait for DeliverOperatorMessages.
    QueuedPrompter& operatorMessages() { return *operatorMessages_; }
    // Thread contract: owner thread, from its event loop. Tells the queued
    // messages; how many.
    std::size_t DeliverOperatorMessages() { return operatorMessages_->Drain(); }

    // Whether Shutdown writes the two playlists back to spring.ini (the
    // program's own exit does). A tool that only inspects a workspace turns
    // it off, so that looking never rewrites the user's files.
    void SetSavesListsAtShutdown(bool saves) { savesListsAtShutdown_ = saves; }

    // What the main view does when it is created: starts the 100 senders,
    // then the engine, then the 1 ms pacer that wakes them. False when the
    // engine or the pacer could not be started. Shutdown stops the pacer first.
    bool StartPlayback();

    // Writes the music and program lists into spring.ini now (atomically,
    // every other key kept), as Shutdown does; the list windows call it after
    // every change, so a crash or a power cut loses nothing the operator
    // added. Unchanged lists write nothing. False, with the reason, when the
    // file cannot be read or written.
    bool SaveLists(std::string* error = nullptr);
    const CPacer* pacer() const { return m_pPacer.get(); }

    // What the playback object reaches through EntryShowHost.
    std::filesystem::path EntryFolder(int programMode) const override;
    std::int32_t PrepareTimeMs() const override { return scene.settings.g_nPrepareTime; }
    bool SaveOpenShow(const std::filesystem::path& path, Prompter& prompter, std::string* error) override {
        return SaveShowFile(path, prompter, error);
    }
    bool LoadOpenShow(const std::filesystem::path& path, std::string* error,
                      const std::function<void()>& alsoUnderLock) override {
        return LoadShowFile(path, error, alsoUnderLock);
    }
    bool SetShowScale(std::int32_t scale) override;

private:

    std::unique_ptr<ShowDocument> showDocument_;
    std::unique_ptr<CArbitrageThread> m_pArbitrageThread;
    Thread* g_ArbitrageThread = nullptr;  // what the pacer wakes and Shutdown stops first
    std::unique_ptr<SceneDocument> sceneDocument_;
    std::unique_ptr<Prompter> defaultPrompter_;
    std::unique_ptr<QueuedPrompter> operatorMessages_;
    std::unique_ptr<CPacer> m_pPacer;
    bool listsLoaded_ = false;
    bool savesListsAtShutdown_ = true;
    Workspace workspace_;
    bool started_ = false;
    bool shutDown_ = false;
};

}  // namespace velmora
