// Action evaluation with block fields taken from the input: whatever numbers
// a show file holds, evaluating a block over a group (and a single spring)
// stays defined and writes only inside the addressed members' outputs.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include <unistd.h>

#include "comm/ChannelImage.h"
#include "engine/ActionEvaluation.h"
#include "engine/AssetCaches.h"
#include "engine/FrameAnimationFile.h"
#include "engine/ShowAssets.h"
#include "show/Show.h"
#include "scene/Scene.h"

namespace {

using namespace velmora;
namespace fs = std::filesystem;

constexpr int kMembers = 8;
constexpr int kTagNum = 100;

// Consumes the input a few bytes at a time; zeros once it runs out.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    template <class T>
    T Take() {
        T value{};
        const std::size_t n = std::min(sizeof(T), size_ - used_);
        std::memcpy(&value, data_ + used_, n);
        used_ += n;
        return value;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t used_ = 0;
};

struct World {
    fs::path root;
    Scene scene;
    OutputImage image;
    std::unique_ptr<AssetCaches> caches;

    World() {
        root = fs::temp_directory_path() / ("velmora-fuzz-actions-" + std::to_string(::getpid()));
        fs::create_directories(root / "motor");
        fs::create_directories(root / "Color");
        fs::create_directories(root / "Frame");
        std::ofstream(root / "motor" / "m.motor") << "[Main]\nNum=3\nInterval=100\n[MOB0]\nAct=1\np0=1000\np1=4000\n"
                                                  << "[MOB1]\nAct=0\np0=300\n[MOB2]\nAct=1\np0=-50\np1=70\n";
        std::ofstream(root / "Color" / "c.color") << "[Main]\nNum=3\ncolor1=255\ncolor2=65280\ncolor3=16711680\n";
        FrameComplierCache frames;
        frames.m_fVersion = kFrameFileVersion;
        frames.m_nRows = 4;
        frames.m_nCols = 4;
        frames.m_nDefaultDuration = 200;
        frames.m_nPageCount = 3;
        frames.m_pPages.resize(3);
        frames.m_pPages[1].m_bLoopStart = 1;
        frames.m_pPages[2].m_bLoopEnd = 1;
        std::ofstream(root / "Frame" / "f.frm", std::ios::binary) << SerializeFrameFile(frames);
        caches = std::make_unique<AssetCaches>(Workspace(root));

        for (int c = 1; c <= 4; ++c) {
            scene.g_Channels[static_cast<std::size_t>(c - 1)].tagNum = kTagNum;
            scene.g_Channels[static_cast<std::size_t>(c - 1)].regType = c == 2 ? 0 : 1;
        }
        for (int i = 0; i < kMembers; ++i) {
            CSpring spring;
            spring.ID = 1 + i;
            const std::string reg = std::to_string(1 + 10 * i);
            spring.BLOCKID = 1;
            spring.COMID = reg;
            spring.BLOCKID_L = 2;
            spring.COMID_L = reg;
            spring.BLOCKID3 = 3;
            spring.COMID3 = reg;
            spring.BLOCKID2 = 4;
            spring.COMID2 = reg;
            spring.m_stepsB = {{0.0f, 0.0f, 0, 0.0f}, {1000.0f, 90.0f, 0, 90.0f}, {2000.0f, 0.0f, 1, 0.0f}};
            scene.springs.push_back(spring);
        }
        scene.Reindex();
    }
    ~World() {
        std::error_code ec;
        fs::remove_all(root, ec);
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static World world;
    Reader in(data, size);

    TimeBlock block;
    block.nSpecicalType = in.Take<std::int8_t>() % 12;
    block.bRunHorse = in.Take<std::uint8_t>() % 2;
    for (float* field : {&block.start, &block.end, &block.nSpeed, &block.nBound, &block.nBound1, &block.paramMotor1,
                         &block.paramMotor2, &block.paramMotor3, &block.fFrameParam})
        *field = in.Take<float>();
    for (std::int32_t* field :
         {&block.nTakeOrder, &block.nInterval, &block.nWavMax, &block.nWavMin, &block.nPeriod, &block.nPeriod1,
          &block.nStartDrift, &block.nDeltaInGroup, &block.ForceWav, &block.MaxValidZMotor, &block.MinValidZMotor,
          &block.singleSection, &block.singleSection1, &block.forMotor1, &block.forMotor2, &block.forMotor3,
          &block.delayMotor1, &block.delayMotor2, &block.delayMotor3, &block.IntervalLight, &block.nLightType,
          &block.bLightTogether, &block.nDeltaInGroup, &block.bSystime, &block.nRiseUpTime, &block.nCutDownTime,
          &block.IntervalRunHorse, &block.dirRunHorse})
        *field = in.Take<std::int32_t>();
    block.szMotor = block.szMotor1 = block.szMotor2 = "m.motor";
    block.szFrame = "f.frm";
    if (in.Take<std::uint8_t>() % 2) block.szLight = "c.color";

    CSpringGroup group;
    group.ID = 100;
    group.childCount = 1 + in.Take<std::uint8_t>() % kMembers;
    for (int i = 0; i < kMembers; ++i) group.children[static_cast<std::size_t>(i)] = 1 + i;
    group.initX = in.Take<std::int32_t>();
    group.initY = in.Take<std::int32_t>();
    const double now = in.Take<double>();
    const std::int32_t level = in.Take<std::int32_t>();

    world.image.Reallocate(world.scene.g_Channels);
    Show show;
    show.blocks.push_back(block);
    const std::shared_ptr<const ShowAssets> assets = PrepareShowAssets(world.scene, show, *world.caches);
    TickContext ctx{.out = OutputTarget{world.scene.g_Channels, world.image},
                    .scene = world.scene,
                    .assets = *assets,
                    .night = NightWindow{0, 6000},
                    .nowMinute = 720,
                    .position = in.Take<double>(),
                    .scale = in.Take<std::int32_t>(),
                    .clockMs = in.Take<std::uint32_t>()};
    if (block.bRunHorse == 1) {
        RunRunningHorse(ctx, group, block, level, now);
    } else {
        EvaluateAction(ctx, block, group, level, now);
        EvaluateAction(ctx, block, world.scene.springs[0], level, now);
    }

    // Members use registers 10 i + 1 .. 10 i + 5 of the four channels.
    for (std::size_t c = 0; c < 4; ++c) {
        const auto& slots = world.image.g_ChannelImage[c];
        for (std::size_t r = 0; r < slots.size(); ++r) {
            const bool output = r % 10 < 5 && r / 10 < static_cast<std::size_t>(kMembers);
            if (!output && slots[r] != 0) std::abort();
        }
    }
    return 0;
}
