#pragma once
// A private copy of the demo workspace for the desktop benchmarks, its
// loopback channels on free ports, and the simulator behind it.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "app/Profile.h"

namespace velmora::bench {

inline int FreePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t size = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
    ::close(fd);
    return ntohs(a.sin_port);
}

// A copy of the demo, named after `purpose`, whose loopback channels listen on free ports.
inline std::filesystem::path MakeWorkspace(const std::string& purpose) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("velmora-bench-" + purpose + "-" + std::to_string(::getpid()));
    fs::remove_all(dir);
    fs::copy(fs::path(VELMORA_SOURCE_DIR) / "demo", dir, fs::copy_options::recursive);
    Profile ini;
    ini.Load(dir / "spring.ini");
    for (int c = 0; c < 100; ++c) {
        const std::string key = "Channel" + std::to_string(c) + "_";
        if (ini.GetString("main", key + "IP", "").rfind("127.", 0) == 0)
            ini.SetInt("main", key + "port", FreePort());
    }
    ini.Save();
    return dir;
}

// velmora-sim on the workspace for `seconds`; its process id.
inline pid_t StartSimulator(const std::filesystem::path& workspace, int seconds) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string ws = workspace.string();
        const std::string forSeconds = std::to_string(seconds);
        ::execl(VELMORA_SIM_BINARY, VELMORA_SIM_BINARY, "--workspace", ws.c_str(), "--for", forSeconds.c_str(),
                "--quiet", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    return pid;
}

}  // namespace velmora::bench
