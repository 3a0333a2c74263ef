// Scene edits through the document on a 2,500-spring, 200-group scene: each
// figure is one apply plus its undo, listeners included, best of several
// runs. The open show is empty, so the track rebuild that list edits trigger
// costs what an empty compile costs (bench_compiler times a full one).

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <mutex>
#include <string>

#include "BestOf.h"
#include "LargeScene.h"
#include "app/AtomicFile.h"
#include "app/Prompter.h"
#include "app/TextEncoding.h"
#include "comm/ChannelImage.h"
#include "document/SceneDocument.h"
#include "engine/AssetCaches.h"
#include "scene/PointTable.h"

using namespace velmora;

int main() {
    const auto workspace = std::filesystem::temp_directory_path();
    Scene scene = bench::MakeLargeScene();
    Show show;
    show.Reset();
    AssetCaches caches{Workspace(workspace)};
    OutputImage output;
    output.Reallocate(scene.g_Channels);
    std::mutex lock;
    SceneDocument doc(scene, show, caches, output, lock);
    doc.SetMode(SceneDocument::kEdit);
    std::size_t heard = 0;
    doc.AddListener([&](const Change&) { ++heard; });
    for (int i = 0; i < 500; ++i) doc.SelectSpring(9001 + 5 * i, true);

    const int runs = 20;
    const double move = BestMs(runs, [&] {
        doc.MoveSelected(3, 0);
        doc.Undo();
        doc.SelectSpring(9001, !doc.IsSpringSelected(9001));  // a new selection: no merge
    });
    const double drag = BestMs(runs, [&] {
        doc.PressAt(9006, 100, 0, false);
        for (int x = 101; x < 131; ++x) doc.DragTo(x, 0);
        doc.EndDrag();
        doc.Undo();
    });
    const double add = BestMs(runs, [&] {
        doc.AddSpringAt(5, 5);
        doc.Undo();
    });
    for (int i = 0; i < 500; ++i) doc.SelectSpring(9001 + 5 * i, true);
    const double group = BestMs(runs, [&] {
        doc.MakeGroup();
        doc.Undo();
    });
    const double remove = BestMs(runs, [&] {
        doc.DeleteSelectedSprings();
        doc.Undo();
    });
    // The batch add of 1,000 springs (a 40 x 25 matrix) and its undo, timed
    // apart: each is one step the operator waits for.
    doc.ClearSelection();
    double batch = 1e300, batchUndo = 1e300;
    for (int i = 0; i < runs; ++i) {
        batch = std::min(batch, BestMs(1, [&] { doc.BatchAdd(BatchSettings{40, 25, false, 500, 500}); }));
        batchUndo = std::min(batchUndo, BestMs(1, [&] { doc.Undo(); }));
    }
    // The point table of every grouped spring written and read back, and the
    // same table as the Windows program's GB18030 with CRLF; each import
    // changes the springs (undone after) so it is a real step.
    RecordingPrompter yes(true);
    doc.SetPrompter(&yes);
    const auto table = workspace / "bench_scene_edits_spring.csv";
    const double exportTable = BestMs(runs, [&] { doc.ExportPointTable(table); });
    std::string bytes = WritePointTable(scene);
    for (std::size_t at = bytes.find(",12.500000,"); at != std::string::npos; at = bytes.find(",12.500000,", at))
        bytes.replace(at, 11, ",30.000000,");
    WriteFileAtomically(table, bytes);
    const double importTable = BestMs(runs, [&] {
        doc.ImportPointTable(table);
        doc.Undo();
    });
    std::string crlf, legacy;
    for (const char c : bytes) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EncodeGb18030(crlf, legacy);
    WriteFileAtomically(table, legacy);
    const double importLegacy = BestMs(runs, [&] {
        doc.ImportPointTable(table);
        doc.Undo();
    });
    std::filesystem::remove(table);
    doc.SetPrompter(nullptr);
    const auto rows = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '*'));
    const auto lines = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));

    ChannelSheet sheet = ChannelSheetOf(scene.g_Channels[0]);
    const double channel = BestMs(runs, [&] {
        sheet.tagNum = "800";
        doc.ApplyChannel(1, sheet);
        doc.Undo();
    });

    std::printf("scene: %zu springs, %zu groups; %d runs, best of each (apply + undo, with listeners)\n",
                scene.springs.size(), scene.groups.size(), runs);
    std::printf("  arrow move of 500 selected springs   %8.3f ms\n", move);
    std::printf("  drag of 500 springs, 30 steps merged %8.3f ms\n", drag);
    std::printf("  add one spring                       %8.3f ms\n", add);
    std::printf("  make a group of 450 of 500 selected  %8.3f ms\n", group);
    std::printf("  delete 500 selected springs          %8.3f ms\n", remove);
    std::printf("  batch add of 1,000 springs           %8.3f ms\n", batch);
    std::printf("  undo of that batch add               %8.3f ms\n", batchUndo);
    std::printf("  point table: %zu rows in %zu lines\n", rows, lines);
    std::printf("  its export (written atomically)      %8.3f ms\n", exportTable);
    std::printf("  its import, UTF-8 (+ undo)           %8.3f ms\n", importTable);
    std::printf("  its import, GB18030 CRLF (+ undo)    %8.3f ms\n", importLegacy);
    std::printf("  channel 1 to 800 slots               %8.3f ms\n", channel);
    std::printf("  notifications heard: %zu\n", heard);
    return 0;
}
