// Hand requests end to end: the demo runtime playing nothing, its senders
// talking to velmora-sim on loopback, the hand panel's logic in hand mode.
// 100 toggles of the demo's first group; for each, the time from the
// request until the simulator holds the new value of a member's pump
// register, read back over Modbus (function 3) on a connection of our own.
// Prints p50/p99/max of that latency and of the engine's tick period.
// Target: p99 <= ~42 ms (two engine periods).

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/Profile.h"
#include "comm/Address.h"
#include "engine/EngineSnapshot.h"
#include "manual/HandPanel.h"
#include "runtime/Runtime.h"

#include "BenchWorkspace.h"

using namespace velmora;
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

// One holding register of a simulated controller, read over our own link.
class RegisterReader {
public:
    RegisterReader(int port, std::uint8_t unit) : unit_(unit) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        timeval timeout{0, 200000};
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        ok_ = ::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~RegisterReader() { ::close(fd_); }
    bool ok() const { return ok_; }

    std::optional<std::uint16_t> Read(std::uint16_t address) {
        ++transaction_;
        const std::uint8_t request[12] = {static_cast<std::uint8_t>(transaction_ >> 8),
                                          static_cast<std::uint8_t>(transaction_), 0, 0, 0, 6, unit_, 3,
                                          static_cast<std::uint8_t>(address >> 8), static_cast<std::uint8_t>(address),
                                          0, 1};
        if (::send(fd_, request, sizeof request, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof request)) return {};
        std::uint8_t reply[11];
        std::size_t got = 0;
        while (got < sizeof reply) {
            const ssize_t n = ::recv(fd_, reply + got, sizeof reply - got, 0);
            if (n <= 0) return {};
            got += static_cast<std::size_t>(n);
        }
        if (reply[7] != 3 || reply[8] != 2) return {};
        return static_cast<std::uint16_t>((reply[9] << 8) | reply[10]);
    }

private:
    int fd_ = -1;
    bool ok_ = false;
    std::uint8_t unit_;
    std::uint16_t transaction_ = 0;
};

struct Summary {
    double p50 = 0, p99 = 0, max = 0;
};

Summary Summarise(std::vector<double> v) {
    Summary s;
    if (v.empty()) return s;
    std::sort(v.begin(), v.end());
    s.p50 = v[v.size() / 2];
    s.p99 = v[static_cast<std::size_t>(0.99 * static_cast<double>(v.size() - 1))];
    s.max = v.back();
    return s;
}

double MsSince(Clock::time_point t) {
    return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
}

}  // namespace

int main() {
    const fs::path workspace = bench::MakeWorkspace("hand");
    const pid_t sim = bench::StartSimulator(workspace, 120);
    int status = 0;
    {
        Runtime runtime{Workspace(workspace)};
        runtime.SetSavesListsAtShutdown(false);
        if (!runtime.Startup() || !runtime.StartPlayback()) {
            std::fprintf(stderr, "the runtime did not start\n");
            status = 1;
        }
        // The group and the member whose pump register shows its state.
        const CSpringGroup* group = runtime.scene.groups.empty() ? nullptr : &runtime.scene.groups.front();
        const CSpring* member = group != nullptr ? runtime.scene.FindSpring(group->children[0]) : nullptr;
        if (status == 0 && (member == nullptr || member->BLOCKID < 1 || member->BLOCKID > kChannelCount)) {
            std::fprintf(stderr, "the demo's first group has no member on a channel\n");
            status = 1;
        }
        if (status == 0) {
            const ChannelInfo& channel = runtime.scene.g_Channels[static_cast<std::size_t>(member->BLOCKID - 1)];
            const ParsedAddress pump = ParseSwitchAddress(member->COMID);
            const auto address = static_cast<std::uint16_t>(channel.nStartNum - 1 + pump.reg - 1);
            const std::int32_t groupId = group->ID;
            CModbusTCPThread& sender = runtime.g_ModbusThreads[static_cast<std::size_t>(member->BLOCKID - 1)];
            const auto linkDeadline = Clock::now() + std::chrono::seconds(10);
            while (sender.health.state() != ChannelState::Connected && Clock::now() < linkDeadline)
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            RegisterReader reader(channel.port, static_cast<std::uint8_t>(channel.deviceID));
            if (sender.health.state() != ChannelState::Connected || !reader.ok()) {
                std::fprintf(stderr, "no link to the simulator on port %d\n", channel.port);
                status = 1;
            } else {
                HandPanel panel(runtime.scene, runtime.g_bHandMode);
                panel.SetMode(1);
                EngineSnapshot snapshot;
                std::vector<double> latencies;
                std::vector<double> periods;
                int lost = 0;
                for (int i = 0; i < 100; ++i) {
                    // The panel toggles against what the engine last did.
                    const bool haveSnapshot = runtime.ReadEngineSnapshot(snapshot);
                    const bool on = HandPanel::AppliedState(haveSnapshot ? &snapshot : nullptr, groupId) == 0;
                    const auto start = Clock::now();
                    panel.Toggle(groupId, haveSnapshot ? &snapshot : nullptr);
                    bool seen = false;
                    while (MsSince(start) < 2000.0) {
                        const auto value = reader.Read(address);
                        if (value && ((*value != 0) == on)) {
                            seen = true;
                            break;
                        }
                    }
                    if (seen) latencies.push_back(MsSince(start));
                    else ++lost;
                    // Wait until the engine's snapshot shows the new state, so
                    // the next toggle flips it back.
                    while (MsSince(start) < 3000.0) {
                        if (runtime.ReadEngineSnapshot(snapshot) &&
                            (HandPanel::AppliedState(&snapshot, groupId) == 1) == on)
                            break;
                        std::this_thread::sleep_for(std::chrono::milliseconds(1));
                    }
                    periods.push_back(snapshot.tickPeriodMs);
                    // Requests come at an operator's pace, not in lockstep with the engine.
                    std::this_thread::sleep_for(std::chrono::milliseconds(7 + (i * 13) % 29));
                }
                const Summary l = Summarise(latencies);
                const Summary p = Summarise(periods);
                std::printf("hand request to simulator register: %zu seen, %d lost\n", latencies.size(), lost);
                std::printf("  latency   p50 %.1f  p99 %.1f  max %.1f ms (target p99 <= ~42 ms)\n", l.p50, l.p99,
                            l.max);
                std::printf("  engine tick period  p50 %.1f  p99 %.1f  max %.1f ms\n", p.p50, p.p99, p.max);
                if (lost > 0) status = 1;
            }
        }
        runtime.Shutdown();
    }
    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
    fs::remove_all(workspace);
    return status;
}
