// velmora-sim: a fountain controller simulator. Listens where a workspace's
// channels point (or where --listen says), answers the senders' requests
// like a controller, keeps what they wrote, and can misbehave on purpose so
// that the senders' failure handling can be tested.

#include <arpa/inet.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "SimDump.h"
#include "SimServer.h"
#include "app/Workspace.h"
#include "comm/Socket.h"
#include "scene/Scene.h"
#include "scene/SceneFile.h"

namespace {

using namespace velmora;
using Clock = std::chrono::steady_clock;

constexpr const char* kUsage =
    "usage: velmora-sim (--workspace DIR | --listen HOST:PORT ...) [options]\n"
    "\n"
    "  --workspace DIR     listen on every distinct IP:port of the workspace's channels\n"
    "                      whose IP is a loopback address\n"
    "  --listen HOST:PORT  listen there instead (repeatable; port 0 picks a free one)\n"
    "  --for SECONDS       end after that long (otherwise at SIGINT/SIGTERM)\n"
    "  --dump FILE         write the images as JSON at exit and on SIGUSR1\n"
    "  --allow-remote      allow binding addresses outside 127.0.0.0/8\n"
    "  --quiet             no live status\n"
    "faults:\n"
    "  --no-reply          never answer\n"
    "  --delay MS          answer MS milliseconds late\n"
    "  --close-after N     close a connection on its Nth request, unanswered\n"
    "  --header-only       send a reply's header and then nothing\n"
    "  --oversize-reply    announce a reply body of 1100 bytes\n"
    "\n"
    "Prints \"listening HOST:PORT\" for every endpoint once bound.\n";

volatile std::sig_atomic_t g_quit = 0;
volatile std::sig_atomic_t g_dump = 0;

void OnQuit(int) { g_quit = 1; }
void OnDump(int) { g_dump = 1; }

int Fail(const std::string& reason) {
    std::cerr << "velmora-sim: " << reason << "\n";
    return 1;
}

bool ParseNumber(const std::string& text, long long lo, long long hi, long long* out) {
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || end == text.c_str() || *end != '\0' || v < lo || v > hi) return false;
    *out = v;
    return true;
}

bool ParseEndpoint(const std::string& text, std::string* host, std::uint16_t* port) {
    const auto colon = text.rfind(':');
    long long p = 0;
    if (colon == std::string::npos || !ParseNumber(text.substr(colon + 1), 0, 65535, &p)) return false;
    *host = text.substr(0, colon);
    *port = static_cast<std::uint16_t>(p);
    return true;
}

bool IsLoopbackText(const std::string& host) {
    in_addr a{};
    return net::ParseIPv4(host, &a) && net::IsLoopback(a);
}

void PrintStatus(const std::vector<std::unique_ptr<sim::Endpoint>>& endpoints, bool redraw) {
    static std::size_t printed = 0;
    std::string text;
    if (redraw && printed > 0) text += "\x1b[" + std::to_string(printed) + "A";
    const auto now = Clock::now();
    for (const auto& e : endpoints) {
        char line[256];
        std::string age = "-";
        if (e->requests > 0) {
            age = std::to_string(
                      std::chrono::duration_cast<std::chrono::milliseconds>(now - e->lastRequest).count()) +
                  " ms ago";
        }
        std::snprintf(line, sizeof line, "%-21s connections %ld  requests %ld  bytes %lld  last %s%s\n",
                      e->Name().c_str(), e->connections, e->requests, e->bytes, age.c_str(),
                      redraw ? "\x1b[K" : "");
        text += line;
    }
    printed = endpoints.size();
    std::fputs(text.c_str(), stderr);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<std::filesystem::path> workspace;
    std::vector<std::pair<std::string, std::uint16_t>> listens;
    std::optional<double> forSeconds;
    std::optional<std::filesystem::path> dumpPath;
    bool allowRemote = false;
    bool quiet = false;
    sim::Faults faults;

    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const auto value = [&](const char* what) -> std::optional<std::string> {
            if (i + 1 >= args.size()) return std::nullopt;
            (void)what;
            return args[++i];
        };
        long long n = 0;
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        } else if (a == "--workspace") {
            const auto v = value("DIR");
            if (!v) return Fail("--workspace needs a directory");
            workspace = *v;
        } else if (a == "--listen") {
            const auto v = value("HOST:PORT");
            std::string host;
            std::uint16_t port = 0;
            if (!v || !ParseEndpoint(*v, &host, &port)) return Fail("--listen needs HOST:PORT");
            listens.emplace_back(host, port);
        } else if (a == "--for") {
            const auto v = value("SECONDS");
            char* end = nullptr;
            const double s = v ? std::strtod(v->c_str(), &end) : -1;
            if (!v || end == v->c_str() || *end != '\0' || !(s >= 0) || s > 1e7) {
                return Fail("--for needs a number of seconds");
            }
            forSeconds = s;
        } else if (a == "--dump") {
            const auto v = value("FILE");
            if (!v) return Fail("--dump needs a file");
            dumpPath = *v;
        } else if (a == "--no-reply") {
            faults.noReply = true;
        } else if (a == "--delay") {
            const auto v = value("MS");
            if (!v || !ParseNumber(*v, 0, 600000, &n)) return Fail("--delay needs milliseconds (0..600000)");
            faults.delay = std::chrono::milliseconds{n};
        } else if (a == "--close-after") {
            const auto v = value("N");
            if (!v || !ParseNumber(*v, 1, 1000000000, &n)) return Fail("--close-after needs a count >= 1");
            faults.closeAfter = static_cast<long>(n);
        } else if (a == "--header-only") {
            faults.headerOnly = true;
        } else if (a == "--oversize-reply") {
            faults.oversize = true;
        } else if (a == "--allow-remote") {
            allowRemote = true;
        } else if (a == "--quiet") {
            quiet = true;
        } else {
            return Fail("unknown option '" + a + "' (see --help)");
        }
    }

    if (listens.empty()) {
        if (!workspace) return Fail("give --workspace DIR or --listen HOST:PORT (see --help)");
        Scene scene;
        std::string reason;
        if (!LoadScene(Workspace(*workspace).SpringIni(), scene, &reason)) return Fail(reason);
        std::set<std::pair<std::string, std::uint16_t>> seen;
        for (const auto& row : scene.g_Channels) {
            const auto port = static_cast<std::uint16_t>(static_cast<std::uint32_t>(row.port) & 0xFFFFu);
            if (!IsLoopbackText(row.IP) || !seen.emplace(row.IP, port).second) continue;
            listens.emplace_back(row.IP, port);
        }
        if (listens.empty()) return Fail("the workspace has no channel on a loopback address");
    }

    sim::SimServer server(faults);
    for (const auto& [host, port] : listens) {
        if (!allowRemote && !IsLoopbackText(host)) {
            return Fail(host + " is not a loopback address (use --allow-remote to bind it)");
        }
        std::string error;
        if (!server.Listen(host, port, &error)) return Fail(error);
        std::cout << "listening " << server.endpoints().back()->Name() << "\n";
    }
    std::cout.flush();

    struct sigaction quit{};
    quit.sa_handler = OnQuit;
    sigaction(SIGINT, &quit, nullptr);
    sigaction(SIGTERM, &quit, nullptr);
    struct sigaction dump{};
    dump.sa_handler = OnDump;
    sigaction(SIGUSR1, &dump, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    const auto start = Clock::now();
    const bool live = !quiet && isatty(STDERR_FILENO);
    auto lastStatus = start;
    const auto statusEvery = live ? std::chrono::seconds{1} : std::chrono::seconds{10};
    const auto writeDump = [&] {
        std::string error;
        if (dumpPath && !sim::WriteDump(*dumpPath, server.endpoints(), &error)) {
            std::cerr << "velmora-sim: " << error << "\n";
        }
    };

    server.Run(
        [&] {
            if (g_quit) return false;
            return !forSeconds || Clock::now() - start < std::chrono::duration<double>(*forSeconds);
        },
        [&] {
            if (g_dump) {
                g_dump = 0;
                writeDump();
            }
            if (!quiet && Clock::now() - lastStatus >= statusEvery) {
                lastStatus = Clock::now();
                PrintStatus(server.endpoints(), live);
            }
        });
    if (!quiet) PrintStatus(server.endpoints(), false);
    writeDump();
    return 0;
}
