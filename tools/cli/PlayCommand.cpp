// The play command: headless playback as the main view runs it. Starts the
// 100 senders, the engine and the 1 ms pacer, plays the workspace's music
// list (or one music or program-control file) with the list's play modes,
// and shows a live status line on stderr until --for elapses or SIGINT /
// SIGTERM arrives; then shuts down in the program's order (pacer, engine,
// senders, lists saved) and prints a JSON summary on stdout.

#include <unistd.h>

#include <array>
#include <atomic>
#include <charconv>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "Commands.h"
#include "Json.h"
#include "runtime/Runtime.h"
#include "app/Workspace.h"
#include "engine/ArbitrageThread.h"
#include "engine/MusicLevel.h"
#include "engine/MusicWav.h"
#include "engine/Pacer.h"
#include "media/MusicList.h"
#include "media/ProgFile.h"
#include "media/ProgramList.h"

namespace velmora::cli {

namespace {

namespace fs = std::filesystem;

std::atomic<bool> g_stopRequested{false};

extern "C" void OnStopSignal(int) {
    g_stopRequested.store(true);
}

// SIGINT and SIGTERM end the run in order from the start of the command: one
// that arrives while the workers are being started must neither kill them
// half-way nor be lost. The previous handlers come back when the command ends.
class StopSignals {
public:
    StopSignals() {
        struct sigaction action {};
        action.sa_handler = OnStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
    }
    ~StopSignals() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
    }
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};

struct PlayOptions {
    std::optional<std::string> music;
    std::optional<std::string> program;
    std::optional<double> seconds;
};

bool ParseOptions(const std::vector<std::string>& args, PlayOptions& options, std::string& error) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == "--music" && hasValue) {
            options.music = args[++i];
        } else if (a == "--program" && hasValue) {
            options.program = args[++i];
        } else if (a == "--for" && hasValue) {
            const std::string& text = args[++i];
            double value = 0.0;
            const auto r = std::from_chars(text.data(), text.data() + text.size(), value);
            if (r.ec != std::errc{} || r.ptr != text.data() + text.size() || !std::isfinite(value) || value < 0.0) {
                error = "play: --for needs a number of seconds, not '" + text + "'";
                return false;
            }
            options.seconds = value;
        } else {
            error = "play: unexpected argument '" + a + "' (usage: play [--music FILE | --program NAME.prog] [--for SECONDS])";
            return false;
        }
    }
    if (options.music && options.program) {
        error = "play: give --music or --program, not both";
        return false;
    }
    return true;
}

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

// The row of `list` whose name is the file part of `path`, or -1.
template <class Entries>
int FindRow(const Entries& list, const std::string& path) {
    const std::string name = StoredFileName(path);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (SameName(list[i].name, name)) return static_cast<int>(i);
    }
    return -1;
}

std::string Clock(double ms) {
    if (!std::isfinite(ms) || ms < 0) ms = 0;
    const auto total = static_cast<long long>(ms);
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", total / 60000, total / 1000 % 60, total % 1000);
    return text;
}

struct ChannelCounts {
    int connected = 0;
    long long sent = 0;
    long long received = 0;
};

ChannelCounts CountChannels(const Runtime& runtime) {
    ChannelCounts c;
    for (const CModbusTCPThread& sender : runtime.g_ModbusThreads) {
        if (sender.health.state() == ChannelState::Connected) ++c.connected;
        c.sent += sender.m_nSendCount.load();
        c.received += sender.m_nRecvCount.load();
    }
    return c;
}

// `snapshot` is the caller's, reused from line to line.
std::string StatusLine(Runtime& runtime, EngineSnapshot& snapshot) {
    const CMusicWav& wav = *runtime.g_pMusicWav;
    const PlaybackState& state = wav.state();
    const ChannelCounts ch = CountChannels(runtime);
    const std::string entry = wav.m_strCurrent.empty() ? "-" : StoredFileName(wav.m_strCurrent);
    // The engine's own view of its newest tick; before the first one, the
    // level the music gives now.
    const bool ticked = runtime.ReadEngineSnapshot(snapshot);
    const int level = ticked ? snapshot.level : MusicLevel(state);
    const double period = ticked ? snapshot.tickPeriodMs : static_cast<double>(state.m_fTickPeriod.load());
    const double late = ticked ? snapshot.latenessMs : 0.0;
    char text[512];
    std::snprintf(text, sizeof text,
                  "%s%s  %s / %s  level %3d  tick %5.1f ms (late %4.1f)  channels %d/100  sent %lld  received %lld",
                  wav.m_bProgramMode ? "[程控] " : "", entry.c_str(), Clock(state.m_dPlayPos.load()).c_str(),
                  Clock(state.m_dLength.load()).c_str(), level, period, late, ch.connected, ch.sent, ch.received);
    return text;
}

// The newest engine snapshot as a view would read it, in brief.
nlohmann::ordered_json SnapshotJson(const Runtime& runtime) {
    EngineSnapshot snapshot;
    if (!runtime.ReadEngineSnapshot(snapshot)) return nullptr;
    int lit = 0;
    for (const SpringSnapshot& s : snapshot.springs) lit += s.m_bLit == 1 ? 1 : 0;
    int applied = 0;
    for (const GroupSnapshot& g : snapshot.groups) applied += g.m_nAppliedState == 1 ? 1 : 0;
    return {{"tick", snapshot.tick},
            {"position", snapshot.position},
            {"level", snapshot.level},
            {"tickPeriodMs", snapshot.tickPeriodMs},
            {"latenessMs", snapshot.latenessMs},
            {"springs", snapshot.springs.size()},
            {"springsLit", lit},
            {"groups", snapshot.groups.size()},
            {"groupsApplied", applied}};
}

// The engine's last two ticks, newest first, with what render needs to run
// them again: position, level, time of day (--clock) and engine clock
// (--elapsed). Empty when the engine body was abandoned and may still run.
nlohmann::ordered_json LastTicksJson(const CArbitrageThread& engine) {
    nlohmann::ordered_json ticks = nlohmann::ordered_json::array();
    if (engine.IsRunning() || engine.HasAbandonedBody()) return ticks;
    for (const CArbitrageThread::TickRecord& t : engine.LastTicks()) {
        if (t.number == 0) continue;
        char clock[8];
        std::snprintf(clock, sizeof clock, "%02d:%02d", t.nowMinute / 60 % 24, t.nowMinute % 60);
        ticks.push_back({{"tick", t.number},
                         {"m_dPosition", t.position},
                         {"level", t.level},
                         {"nowMinute", t.nowMinute},
                         {"clock", clock},
                         {"elapsed", t.elapsed},
                         {"g_nEngineElapsed", t.g_nEngineElapsed}});
    }
    return ticks;
}

nlohmann::ordered_json HealthJson(const ChannelHealthRecord& h, ChannelState stateAtStop) {
    return {{"state", ChannelStateName(stateAtStop)},
            {"requestsSent", h.requestsSent},
            {"repliesReceived", h.repliesReceived},
            {"exchangesFailed", h.exchangesFailed},
            {"reconnects", h.reconnects},
            {"lastRoundTripUs", h.lastRoundTripUs},
            {"p50RoundTripUs", h.p50RoundTripUs},
            {"p99RoundTripUs", h.p99RoundTripUs},
            {"roundTripsInWindow", h.roundTripsInWindow},
            {"lastGoodReplyUnixMs", h.lastGoodReplyUnixMs},
            {"lastError", h.lastError}};
}

// Every channel's link as the channel monitor shows it, and its health
// record; `statesAtStop` are the links' states before the senders stopped.
nlohmann::ordered_json ChannelsJson(const Runtime& runtime, const std::array<ChannelState, kChannelCount>& statesAtStop) {
    nlohmann::ordered_json channels = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < kChannelCount; ++i) {
        const ChannelInfo& row = runtime.scene.g_Channels[i];
        const CModbusTCPThread& sender = runtime.g_ModbusThreads[i];
        channels.push_back({{"channel", i + 1},
                            {"IP", row.IP},
                            {"port", row.port},
                            {"regType", row.regType},
                            {"szStatus", sender.Status()},
                            {"m_nSendCount", sender.m_nSendCount.load()},
                            {"m_nRecvCount", sender.m_nRecvCount.load()},
                            {"health", HealthJson(sender.Health(), statesAtStop[i])}});
    }
    return channels;
}

// The motor sequence numbers the engine reached, for the springs with a
// motor output: the first register of every motor record on the wire.
nlohmann::ordered_json MotorSpringsJson(Runtime& runtime) {
    nlohmann::ordered_json springs = nlohmann::ordered_json::array();
    std::lock_guard lock(runtime.g_csOutput);
    for (const CSpring& s : runtime.scene.springs) {
        if (s.BLOCKID2 <= 0 && s.BLOCKID3 <= 0) continue;
        springs.push_back({{"ID", s.ID}, {"m_nSeqY", s.m_nSeqY}, {"m_nSeqZ", s.m_nSeqZ}});
    }
    return springs;
}

}  // namespace

int RunPlay(const Context& context) {
    PlayOptions options;
    std::string error;
    if (!ParseOptions(context.args, options, error)) return Fail(error);

    const StopSignals signals;  // before the runtime, so its shutdown runs with them caught
    Runtime runtime(Workspace::FromEnvironment(context.workspace));
    if (!fs::is_directory(runtime.workspace().root()))
        return Fail("workspace " + runtime.workspace().root().string() + " is not a directory");
    if (!runtime.Startup(&error)) return Fail("cannot read " + runtime.g_strSpringIni.string() + ": " + error);

    const bool terminal = ::isatty(STDERR_FILENO) == 1;
    CMusicWav& wav = *runtime.g_pMusicWav;
    CMusicList& music = *runtime.g_pMusicList;
    CProgramList& programs = *runtime.g_pProgramList;
    wav.SetAnalysisProgress([terminal](double fraction) {
        if (terminal) {
            std::fprintf(stderr, "\r\033[K分析 %3d%%", static_cast<int>(fraction * 100.0));
            std::fflush(stderr);
        }
    });

    if (!runtime.StartPlayback()) {
        runtime.Shutdown();
        return Fail("play: the engine or the pacer could not be started");
    }

    // A file the lists do not hold joins its list for this run only, so that
    // the list's modes apply to it; it is taken out again before the lists
    // are saved.
    const std::size_t musicBefore = music.m_list.size();
    const std::size_t programsBefore = programs.m_list.size();
    bool started = false;
    if (options.music) {
        // A listed name plays the listed entry; a file on disk that is not
        // listed under that exact path joins the list for this run.
        int row = -1;
        for (std::size_t i = 0; i < music.m_list.size(); ++i) {
            if (music.m_list[i].path == *options.music) row = static_cast<int>(i);
        }
        if (row < 0 && !fs::exists(*options.music)) row = FindRow(music.m_list, *options.music);
        if (row < 0) {
            music.Add({*options.music});
            row = static_cast<int>(music.m_list.size()) - 1;
        }
        started = wav.StartEntry(music.m_list[static_cast<std::size_t>(row)].path, 0, {});
        if (started) music.m_nCurrent = row;
    } else if (options.program) {
        int row = FindRow(programs.m_list, *options.program);
        if (row < 0) {
            fs::path file = *options.program;
            if (!fs::exists(file)) file = ResolveStored(programs.programDir(), *options.program);
            const ProgParams p = ReadProgFile(file);
            programs.m_list.push_back({file.string(), StoredFileName(file.string()), 0, p.unitMS, p.num, p.power});
            row = static_cast<int>(programs.m_list.size()) - 1;
        }
        programs.m_nCurrent = row;
        const CProgramList::program& e = programs.m_list[static_cast<std::size_t>(row)];
        started = wav.StartEntry(e.path, 1,
                                 ProgramSettings{static_cast<double>(e.unitMS),
                                                 static_cast<double>(e.unitMS) * static_cast<double>(e.num),
                                                 static_cast<double>(e.power)});
    } else if (!music.m_list.empty()) {
        music.DoubleClick(0);
        started = wav.m_bPlaying;
    } else {
        error = "play: the workspace's music list is empty (give --music FILE or --program NAME.prog)";
    }
    if (!started && error.empty()) {
        error = "play: cannot find " + (options.music ? *options.music : options.program ? *options.program : std::string("any entry of the music list"));
    }

    const auto begin = std::chrono::steady_clock::now();
    auto nextStatus = begin;
    const auto statusPeriod = terminal ? std::chrono::milliseconds(250) : std::chrono::milliseconds(1000);
    if (started) {
        auto nextTick = begin;
        EngineSnapshot snapshot;
        while (!g_stopRequested.load()) {
            const auto now = std::chrono::steady_clock::now();
            if (options.seconds && now - begin >= std::chrono::duration<double>(*options.seconds)) break;
            wav.Tick();
            runtime.DeliverOperatorMessages();
            if (now >= nextStatus) {
                const std::string line = StatusLine(runtime, snapshot);
                if (terminal) {
                    std::fprintf(stderr, "\r\033[K%s", line.c_str());
                } else {
                    std::fprintf(stderr, "%s\n", line.c_str());
                }
                std::fflush(stderr);
                nextStatus += statusPeriod;
            }
            nextTick += std::chrono::milliseconds(CMusicWav::kUpdatePeriodMs);
            if (nextTick < std::chrono::steady_clock::now()) nextTick = std::chrono::steady_clock::now();
            std::this_thread::sleep_until(nextTick);
        }
        if (terminal) std::fprintf(stderr, "\n");
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

    // What was playing when we stopped, before shutdown changes anything.
    nlohmann::ordered_json out;
    out["entry"] = wav.m_strCurrent;
    out["m_bProgramMode"] = wav.m_bProgramMode;
    out["entriesStarted"] = wav.m_nEntriesStarted;
    out["m_dPlayPos"] = wav.state().m_dPlayPos.load();
    out["m_dLength"] = wav.state().m_dLength.load();
    out["m_fTickPeriod"] = wav.state().m_fTickPeriod.load();
    out["seconds"] = seconds;
    // The links as they stood while playing: stopping makes every sender idle.
    std::array<ChannelState, kChannelCount> statesAtStop{};
    for (std::size_t i = 0; i < kChannelCount; ++i) statesAtStop[i] = runtime.g_ModbusThreads[i].health.state();
    const int connectedAtStop = CountChannels(runtime).connected;
    out["engineSnapshot"] = SnapshotJson(runtime);
    const std::uint64_t pacerTicks = runtime.pacer() ? runtime.pacer()->Ticks() : 0;
    const std::uint64_t pacerSkipped = runtime.pacer() ? runtime.pacer()->Skipped() : 0;

    if (music.m_list.size() > musicBefore) music.m_list.resize(musicBefore);
    if (programs.m_list.size() > programsBefore) programs.m_list.resize(programsBefore);
    runtime.Shutdown();

    const ChannelCounts ch = CountChannels(runtime);
    out["engineTicks"] = runtime.engine().ticks();
    out["pacerTicks"] = pacerTicks;
    out["pacerSkipped"] = pacerSkipped;
    out["m_nSendCount"] = ch.sent;
    out["m_nRecvCount"] = ch.received;
    out["channelsConnected"] = connectedAtStop;
    out["stoppedBySignal"] = g_stopRequested.load();
    // Where the pacer's cycle stood when it stopped: at 10..20 the engine had
    // been woken after the senders' last wake-up, so their last pass copied
    // the tick before the last one.
    out["pacerCounter"] = runtime.pacer() ? runtime.pacer()->Counter() : 0;
    out["lastTicks"] = LastTicksJson(runtime.engine());
    out["channels"] = ChannelsJson(runtime, statesAtStop);
    out["motorSprings"] = MotorSpringsJson(runtime);
    if (!started) return Fail(error);
    std::cout << Dump(out) << "\n";
    return 0;
}

}  // namespace velmora::cli
