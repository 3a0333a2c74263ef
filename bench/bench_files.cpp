// Load and save times of a large scene and a large show, with the file sizes:
// saves that set every key, and the saves of an editing session after one edit,
// each beside its floor. The machine is shared, so each figure is the best of several runs.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <unistd.h>

#include "app/MemoryPolicy.h"
#include "app/Prompter.h"
#include "scene/SceneFile.h"
#include "show/ShowFile.h"

#include "BestOf.h"
#include "LargeScene.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

Show MakeShow() {
    Show show;
    show.Reset();
    for (int i = 0; i < 200; ++i) show.layers[static_cast<std::size_t>(i)].GroupID = 9001 + i;
    for (int i = 0; i < 5000; ++i) {
        TimeBlock b;
        b.start = static_cast<float>(i) * 3.5f;
        b.end = b.start + 40.0f;
        b.cannel = i % 200;
        b.nSpecicalType = 1 + i % 10;
        b.szMotor = "swing.motor";
        b.szLight = "rainbow.color";
        show.blocks.push_back(std::move(b));
    }
    return show;
}

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// What any safe save of these bytes costs: write them to a temporary file,
// fsync it, rename it over the target (and sync the folder, as the save does).
double FloorMs(const fs::path& target, const std::string& bytes) {
    const fs::path temp = target.parent_path() / ("." + target.filename().string() + ".floor");
    return BestMs(5, [&] {
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) return;
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
            if (n <= 0) break;
            done += static_cast<std::size_t>(n);
        }
        ::fsync(fd);
        ::close(fd);
        ::rename(temp.c_str(), target.c_str());
        const int dirFd = ::open(target.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dirFd >= 0) {
            ::fsync(dirFd);
            ::close(dirFd);
        }
    });
}

}  // namespace

int main() {
    // As the programs run: freed memory is kept for reuse, so a second load
    // does not fault its buffers in afresh.
    const bool policy = KeepFreedMemoryForReuse();
    const fs::path dir = fs::temp_directory_path() / ("velmora-bench-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path sceneFile = dir / "spring.ini";
    const fs::path showFile = dir / "big.tlf";
    constexpr int kRuns = 5;

    Scene scene = bench::MakeLargeScene();
    std::string error;
    // Each run writes a new file (the removal is timed too; it is small).
    const double sceneSaveNew = BestMs(kRuns, [&] {
        fs::remove(sceneFile);
        SaveScene(sceneFile, scene, &error);
    });
    const double sceneSave = BestMs(kRuns, [&] { SaveScene(sceneFile, scene, &error); });
    // An editing session: the first save after the load sets every key; the
    // later ones, while the file is the one the session wrote, only the keys
    // of the records an edit changed (here one spring moved).
    double sceneSessionFirst = 0.0;
    const double sceneSessionEdit = [&] {
        SceneFileSession session;
        Scene loaded;
        session.Load(sceneFile, loaded, &error);
        sceneSessionFirst = BestMs(1, [&] { session.Save(sceneFile, loaded, &error); });
        return BestMs(kRuns, [&] {
            loaded.springs[1234].x += 1;
            session.Save(sceneFile, loaded, &error);
        });
    }();
    const double sceneFloor = FloorMs(sceneFile, ReadFile(sceneFile));
    std::size_t springs = 0;
    const double sceneLoad = BestMs(kRuns, [&] {
        Scene loaded;
        LoadScene(sceneFile, loaded, &error);
        springs = loaded.springs.size();
    });

    Show show = MakeShow();
    RecordingPrompter yes(true);
    std::mutex outputLock;
    const double showSave = BestMs(kRuns, [&] { SaveShow(showFile, show, yes, outputLock, &error); });
    double showSessionFirst = 0.0;
    const double showSessionEdit = [&] {
        ShowFileSession session;
        Show loaded;
        session.Load(showFile, loaded, &scene, &error);
        showSessionFirst = BestMs(1, [&] { session.Save(showFile, loaded, yes, outputLock, &error); });
        return BestMs(kRuns, [&] {
            loaded.blocks[2500].start += 1.0f;
            loaded.blocks[2500].end += 1.0f;
            session.Save(showFile, loaded, yes, outputLock, &error);
        });
    }();
    const double showFloor = FloorMs(showFile, ReadFile(showFile));
    std::size_t blocks = 0;
    const double showLoad = BestMs(kRuns, [&] {
        Show loaded;
        LoadShow(showFile, loaded, &scene, &error);
        blocks = loaded.blocks.size();
    });

    std::printf("scene: 2500 springs, 200 groups x 450 members, 100 channels; file %ju bytes\n",
                static_cast<std::uintmax_t>(fs::file_size(sceneFile)));
    std::printf("  floor           %8.2f ms  (same bytes written to a temporary file, fsync, rename)\n", sceneFloor);
    std::printf("  save (new file) %8.2f ms  %5.2fx floor\n", sceneSaveNew, sceneSaveNew / sceneFloor);
    std::printf("  save (rewrite)  %8.2f ms  %5.2fx floor  (file read, every key set)\n", sceneSave, sceneSave / sceneFloor);
    std::printf("  session: first save after load %8.2f ms  %5.2fx floor  (every key set)\n", sceneSessionFirst,
                sceneSessionFirst / sceneFloor);
    std::printf("  session: save after an edit    %8.2f ms  %5.2fx floor  (one spring's keys set)\n",
                sceneSessionEdit, sceneSessionEdit / sceneFloor);
    std::printf("  load            %8.2f ms  (%zu springs)\n", sceneLoad, springs);
    std::printf("show: 200 layers, 5000 blocks; file %ju bytes\n",
                static_cast<std::uintmax_t>(fs::file_size(showFile)));
    std::printf("  floor           %8.2f ms\n", showFloor);
    std::printf("  save (rewrite)  %8.2f ms  %5.2fx floor  (file read, every key set)\n", showSave, showSave / showFloor);
    std::printf("  session: first save after load %8.2f ms  %5.2fx floor\n", showSessionFirst,
                showSessionFirst / showFloor);
    std::printf("  session: save after an edit    %8.2f ms  %5.2fx floor  (one block's keys set)\n", showSessionEdit,
                showSessionEdit / showFloor);
    std::printf("  load            %8.2f ms  (%zu blocks)\n", showLoad, blocks);
    std::printf("target: each load and save under 50 ms, each save within 1.5x of its floor\n");
    std::printf("allocator: freed memory kept for reuse as in the programs (%s)\n", policy ? "set" : "refused");
    fs::remove_all(dir);
    return 0;
}
