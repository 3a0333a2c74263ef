#pragma once
// velmora-sim as a child process on an ephemeral loopback port. Ended with
// SIGTERM (then SIGKILL after 3 s) by its own pid when the object goes.

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "app/WaitFor.h"

extern char** environ;

namespace velmora::testing {

class SimProcess {
public:
    explicit SimProcess(std::vector<std::string> options) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return;
        std::vector<std::string> args{VELMORA_SIM_BINARY, "--listen", "127.0.0.1:0", "--quiet"};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        // "listening 127.0.0.1:PORT" comes first once the port is bound.
        FILE* out = ::fdopen(pipeFds[0], "r");
        char line[128] = {};
        unsigned port = 0;
        if (out != nullptr && std::fgets(line, sizeof line, out) != nullptr &&
            std::sscanf(line, "listening 127.0.0.1:%u", &port) == 1) {
            port_ = static_cast<std::uint16_t>(port);
        }
        if (out != nullptr) std::fclose(out);
    }
    ~SimProcess() { Stop(); }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    bool ok() const { return pid_ > 0 && port_ != 0; }
    std::uint16_t port() const { return port_; }
    void Signal(int sig) const {
        if (pid_ > 0) ::kill(pid_, sig);
    }
    // Ends the simulator (it writes its dump on the way out); its exit status.
    int Stop() {
        if (pid_ <= 0) return status_;
        ::kill(pid_, SIGTERM);
        int status = 0;
        if (WaitFor([&] { return ::waitpid(pid_, &status, WNOHANG) == pid_; }, std::chrono::seconds(3),
                    std::chrono::milliseconds(10))) {
            pid_ = -1;
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128;
            return status_;
        }
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status, 0);
        pid_ = -1;
        status_ = 137;
        return status_;
    }

private:
    pid_t pid_ = -1;
    std::uint16_t port_ = 0;
    int status_ = -1;
};

}  // namespace velmora::testing
