// Engine tick: whatever a show file holds, ticks at the times its blocks are
// active must neither crash nor invoke undefined behaviour, with the hand
// panel's requests and the asset files of a small installation in play.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include <unistd.h>

#include "app/Profile.h"
#include "app/Workspace.h"
#include "engine/AssetCaches.h"
#include "engine/EngineTick.h"
#include "engine/ShowAssets.h"
#include "engine/FrameAnimationFile.h"
#include "engine/PlaybackState.h"
#include "scene/Scene.h"
#include "show/ShowFile.h"

namespace {

using namespace velmora;
namespace fs = std::filesystem;

void WriteFile(const fs::path& path, const std::string& text) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

// Asset names a fuzzed show can hit: a.color, a.motor, a.frm, a.csv.
fs::path MakeWorkspace() {
    const fs::path root = fs::temp_directory_path() / ("velmora-fuzz-tick-" + std::to_string(::getpid()));
    WriteFile(root / "Color" / "a.color", "[Main]\nNum=3\ncolor1=16711680\ncolor2=65280\ncolor3=255\n");
    WriteFile(root / "motor" / "a.motor",
              "[Main]\nNum=3\nInterval=300\n[MOB0]\nAct=1\np0=-500\np1=900\n[MOB1]\nAct=1\np0=-400\np1=-100\n"
              "[MOB2]\nAct=5\np0=0\np1=0\n");
    FrameComplierCache frame;
    frame.m_nCols = 3;
    frame.m_nRows = 2;
    frame.m_nDefaultDuration = 0;  // pages of length 0 are a case of their own
    frame.m_nPageCount = 2;
    frame.m_pPages.resize(2);
    frame.m_pPages[0].m_nodes[1].m_nLevel = 128;
    frame.m_pPages[1].m_nDuration = 300;
    frame.m_pPages[1].m_bLoopEnd = 1;
    WriteFile(root / "Frame" / "a.frm", SerializeFrameFile(frame));
    WriteFile(root / "512Light" / "a.csv",
              "name,100,0,-50\n1;1,0x01,0x02,0x03\n99;32,0x04\nx;y,0x05\n");
    return root;
}

Scene MakeScene() {
    Scene scene;
    const std::int32_t types[] = {1, 2, 3, 5, 0, 4};
    for (int c = 0; c < 6; ++c) {
        scene.g_Channels[static_cast<std::size_t>(c)].regType = types[c];
        scene.g_Channels[static_cast<std::size_t>(c)].tagNum = 12 + 7 * c;
    }
    scene.g_Channels[0].nPrevChannel = 2;
    const char* addresses[] = {"1", "12;15", "3;2", "0", "40", "2;170", "11", "5;16"};
    for (int i = 0; i < 8; ++i) {
        CSpring s;
        s.ID = 1 + i;
        s.BLOCKID = 1 + i % 6;
        s.COMID = addresses[i];
        s.BLOCKID1 = 1 + (i + 1) % 6;
        s.COMID1 = addresses[(i + 3) % 8];
        s.BLOCKID2 = 2;
        s.COMID2 = addresses[(i + 5) % 8];
        s.BLOCKID3 = 2;
        s.COMID3 = addresses[(i + 6) % 8];
        s.BLOCKID_L = 1 + (i + 2) % 6;
        s.COMID_L = addresses[(i + 1) % 8];
        s.m_nManualLevel = i * 40 - 60;
        s.m_nManualColour = 0x00FF00FFu * static_cast<COLORREF>(i);
        s.m_nMotorCmd = i % 4;
        s.m_nMotorAxis = i % 2;
        s.m_nResendInterval = i * 100 - 100;
        scene.springs.push_back(s);
    }
    for (int g = 0; g < 3; ++g) {
        CSpringGroup group;
        group.ID = 100 + g;
        group.childCount = 3 + g;
        for (int m = 0; m < group.childCount; ++m) group.children[static_cast<std::size_t>(m)] = 1 + (m * 3 + g) % 9;
        group.initX = g;
        group.initY = g;
        group.BLOCKID = 1;
        group.COMID = addresses[g];
        group.nPreTime = 200 * g;
        group.bMannual = g == 2;
        group.m_nManualState = g == 1 ? 1 : -1;
        group.bSpecialBTN = g;
        scene.groups.push_back(group);
    }
    scene.Reindex();
    return scene;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fs::path root = MakeWorkspace();
    static AssetCaches caches{Workspace(root)};
    if (size > 32 * 1024) return 0;

    Profile profile;
    profile.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    if (profile.GetInt("TimeLine", "LayerCount", 0) > 200 || profile.GetInt("TimeLine", "TimeBlockCount", 0) > 64)
        return 0;
    if (!profile.HasKey("TimeLine", "LayerCount")) profile.SetInt("TimeLine", "LayerCount", 4);

    Scene scene = MakeScene();
    Show show;
    LoadShow(profile, show, &scene);
    OutputImage image;
    image.Reallocate(scene.g_Channels);
    std::mutex lock;
    const NightWindow night{1080, 360};
    const std::shared_ptr<const ShowAssets> assets = PrepareShowAssets(scene, show, caches);
    EngineWorld world{scene, show, assets, image, lock, night};

    PlaybackState playback;
    playback.m_dLength.store(0.0);
    EngineTickInputs inputs;
    inputs.fixedLevel = static_cast<std::int32_t>(size % 129);
    inputs.nowMinute = static_cast<std::int32_t>(size % 1440);
    // A tick just inside each block and one far later, in both modes.
    std::uint32_t clock = 0;
    for (const TimeBlock& block : show.blocks) {
        for (const double into : {1.0, 777.0}) {
            playback.m_dPlayPos.store(static_cast<double>(block.start) * 50.0 + into);
            inputs.clockMs = clock += 97;
            inputs.handMode = (clock / 97) % 5 == 0;
            EngineTick(world, playback, inputs);
        }
    }
    return 0;
}
