#pragma once
// A small scene (springs 1..8, groups with a missing member among them), a
// show over it and its document, with a motor program on disk.

#include <gtest/gtest.h>

#include <cstring>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "app/Prompter.h"
#include "app/ScratchDir.h"
#include "document/BlockCommands.h"
#include "document/ShowDocument.h"
#include "engine/AssetCaches.h"

namespace velmora::testing {

// What the file stores of a block, plus what identifies it; floats by their bits.
using BlockKey = std::tuple<std::uint32_t, std::uint32_t, std::int32_t, std::int32_t, std::int32_t, std::int32_t,
                            std::string>;
using LayerKey = std::tuple<std::string, std::int32_t, std::int32_t, std::int32_t>;

inline std::uint32_t Bits(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct ShowState {
    std::vector<BlockKey> blocks;
    std::vector<LayerKey> layers;
    std::int32_t scale;
    bool operator==(const ShowState&) const = default;
};

inline ShowState StateOf(const Show& show) {
    ShowState state;
    for (const TimeBlock& b : show.blocks)
        state.blocks.emplace_back(Bits(b.start), Bits(b.end), b.cannel, b.m_nSerial, b.m_bLocked, b.nSpecicalType,
                                  b.szMotor);
    for (const Layer& l : show.layers) state.layers.emplace_back(l.name, l.GroupID, l.type, l.m_bArmed);
    state.scale = show.m_nScale;
    return state;
}

class ShowDocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        scene_.settings.g_nPulsePerRoundZ = 4000;
        scene_.settings.g_nPulsePerRoundY = 4000;
        for (int id = 1; id <= 8; ++id) {
            CSpring spring;
            spring.ID = id;
            scene_.springs.push_back(spring);
        }
        AddGroup(100, "front", {1, 2, 3, 4});
        AddGroup(101, "back", {5, 6});
        AddGroup(102, "mixed", {1, 99, 7, 8});  // 99 names no spring
        scene_.Reindex();
        show_.Reset();
        show_.layers[0] = {"front", 100, kLayerGroup, 0};
        show_.layers[1] = {"back", 101, kLayerGroup, 0};
        show_.layers[3] = {"7", 7, kLayerSpring, 0};
        // One move of 4000 pulses at speed 1000: 4 s, a full turn.
        dir_.Write("motor/turn.motor", "[Main]\nNum=1\nInterval=500\n[MOB0]\nAct=1\np0=1000\np1=4000\np2=0\n");
    }

    void AddGroup(int id, const std::string& name, std::vector<int> members) {
        CSpringGroup group;
        group.ID = id;
        group.name = name;
        group.childCount = static_cast<int>(members.size());
        for (std::size_t i = 0; i < members.size(); ++i) group.children[i] = members[i];
        scene_.groups.push_back(group);
    }

    TimeBlock& Block(int row, float start, float end, int type = kActionFlatWave) {
        TimeBlock& block = show_.blocks.emplace_back();
        block.cannel = row;
        block.start = start;
        block.end = end;
        block.nSpecicalType = type;
        if (type == kActionRotateZ || type == kActionRotateY) block.szMotor = "turn.motor";
        return block;
    }

    const TrackPoints& Z(int id) { return scene_.FindSpring(id)->m_stepsB; }

    ScratchDir dir_;
    RecordingPrompter prompter_;
    AssetCaches caches_{Workspace(dir_.path()), &prompter_};
    Scene scene_;
    Show show_;
    std::mutex lock_;
    ShowDocument doc_{show_, scene_, caches_, lock_};
};

}  // namespace velmora::testing
