// velmora-cli: the headless tool on the core. Results go to stdout as JSON,
// diagnostics to stderr; failures exit non-zero with a one-line reason.

#include <cstdio>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "app/MemoryPolicy.h"

namespace {

constexpr const char* kUsage =
    "usage: velmora-cli [--workspace DIR] COMMAND [ARGS]\n"
    "\n"
    "commands:\n"
    "  scene [--resave]          print the workspace's scene (spring.ini) as JSON;\n"
    "                            --resave writes it back to its file first\n"
    "  show FILE.tlf [--resave]  print a show file as JSON (layer names from the scene);\n"
    "                            --resave writes it back first\n"
    "  asset motor|frame|color|light512 NAME\n"
    "                            print an action asset as its cache holds it\n"
    "  compile FILE.tlf          print every spring's compiled angle tracks\n"
    "  analyse FILE.mp3          print the loudness/spectrum records of an MP3 file\n"
    "  render FILE.tlf --at MS [--to MS --step MS] [--level L | --music FILE.mp3]\n"
    "         [--hand] [--clock HH:MM] [--elapsed MS]\n"
    "                            run engine ticks on the show at the given positions\n"
    "                            and print one JSON line per tick (channels, springs,\n"
    "                            groups); the level is L (default 0) or follows the\n"
    "                            music, the time of day and engine clock are fixed\n"
    "  preview FILE.tlf --at MS --png OUT.png [--camera N] [--size WxH] [--level L]\n"
    "          [--seed S]\n"
    "                            draw the 3D preview (model, nozzles, water jets) at\n"
    "                            the position into a PNG (default 500x400, camera\n"
    "                            preset 1, level 128, seed 1) without a display;\n"
    "                            the same arguments give the same picture\n"
    "  play [--music FILE | --program NAME.prog] [--for SECONDS]\n"
    "                            headless playback: senders, engine and 1 ms pacer\n"
    "                            running, the music list (or the given entry) played\n"
    "                            with its modes, a live status line on stderr, until\n"
    "                            --for elapses or SIGINT/SIGTERM; prints a summary\n"
    "  edit FILE.tlf --ops OPS.json [--save]\n"
    "                            apply a JSON list of timeline edits (create, move,\n"
    "                            resize, delete, copy, paste, lock, unlock, bind,\n"
    "                            unbind, program, expand, arm, undo, redo) and print\n"
    "                            the resulting show as JSON; --save writes it back\n"
    "                            (nothing is saved when an op is refused)\n"
    "  check [FILE.tlf...]       report what would go wrong when the shows are played\n"
    "                            (default: every .tlf of the Music and Program\n"
    "                            folders) and in the scene; exit 1 when there is an\n"
    "                            error, 0 otherwise; writes nothing\n"
    "\n"
    "options:\n"
    "  --workspace DIR  the installation folder (default: $VELMORA_HOME, else the\n"
    "                   folder of this executable)\n"
    "  --help           this text\n"
    "  --version        the program version\n";

}  // namespace

int main(int argc, char** argv) {
    velmora::KeepFreedMemoryForReuse();
    std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<std::filesystem::path> workspace;
    std::vector<std::string> rest;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (a == "--version") {
            std::cout << "velmora-cli " << VELMORA_VERSION << "\n";
            return 0;
        }
        if (a == "--workspace") {
            if (i + 1 >= args.size()) return velmora::cli::Fail("--workspace needs a directory");
            workspace = args[++i];
        } else if (a.rfind("--workspace=", 0) == 0) {
            workspace = a.substr(12);
        } else {
            rest.push_back(a);
        }
    }
    if (rest.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    const std::string command = rest.front();
    rest.erase(rest.begin());
    velmora::cli::Context context{workspace, rest};
    if (command == "scene") return velmora::cli::RunScene(context);
    if (command == "show") return velmora::cli::RunShow(context);
    if (command == "asset") return velmora::cli::RunAsset(context);
    if (command == "compile") return velmora::cli::RunCompile(context);
    if (command == "analyse") return velmora::cli::RunAnalyse(context);
    if (command == "play") return velmora::cli::RunPlay(context);
    if (command == "render") return velmora::cli::RunRender(context);
    if (command == "preview") return velmora::cli::RunPreview(context);
    if (command == "edit") return velmora::cli::RunEdit(context);
    if (command == "check") return velmora::cli::RunCheck(context);
    return velmora::cli::Fail("unknown command '" + command + "' (see --help)");
}
