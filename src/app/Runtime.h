#pragma once
// Owner of the long-lived objects of one running program: paths, the
// operating window, the scene, the open show, the output image and its lock,
// and the worker threads. Each program builds one; tests build as many as
// they like.
//
// Thread contract: Startup, Shutdown and the file operations run on the UI
// (or CLI main) thread. Workers reach shared state only under g_csOutput.

#include <array>
#include <filesystem>
#include <mutex>
#include <string>

#include "app/Config.h"
#include "app/Thread.h"
#include "app/Workspace.h"
#include "comm/ChannelImage.h"
#include "scene/Scene.h"
#include "show/Show.h"

namespace velmora {

class Prompter;

class Runtime {
public:
    // The overall bound for stopping the 100 senders in parallel.
    static constexpr std::chrono::milliseconds kSenderStopBound{5000};

    explicit Runtime(Workspace workspace);
    ~Runtime();
    Runtime(const Runtime&) = delete;
    Runtime& operator=(const Runtime&) = delete;

    // Reads config.ini, builds the file paths, loads the scene and logs
    // "程序启动". A scene file that exists but cannot be read leaves the
    // default scene and returns false with the reason; a missing one is the
    // default scene (the first start of an installation).
    bool Startup(std::string* error = nullptr);

    // Stops the engine first, then every sender in parallel within
    // kSenderStopBound, logs "ModbusTCPThread Save Quit", saves the lists and
    // logs "程序退出". Safe to call twice; the destructor calls it.
    void Shutdown();

    // Replaces the scene with the file's, under the output lock, and
    // reallocates the output image to the new channel table.
    bool LoadSceneFile(std::string* error = nullptr);
    bool SaveSceneFile(std::string* error = nullptr);

    // Loads a show for the open timeline (scale 50, names from the scene).
    bool LoadShowFile(const std::filesystem::path& path, std::string* error = nullptr);
    // Saves the open show, asking first when it was modified.
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

    // The long-lived workers; the subsystems that own them register them here
    // so that shutdown stops them in order. Entries may stay null.
    Thread* g_ArbitrageThread = nullptr;
    std::array<Thread*, kChannelCount> g_ModbusThreads{};

private:
    Workspace workspace_;
    bool started_ = false;
    bool shutDown_ = false;
};

}  // namespace velmora
