#pragma once
// A small installation for the action tests: springs whose pump, light and
// two motors sit on their own channels at register 10 x index + 1, groups
// of them, the asset folders of a scratch workspace, and a tick context
// over them. Tests check the registers of the image, not only the springs.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineFiles.h"
#include "PreparedAssets.h"
#include "comm/ChannelImage.h"
#include "engine/ActionEvaluation.h"
#include "engine/AssetCaches.h"
#include "engine/FrameAnimationFile.h"
#include "scene/Scene.h"
#include "show/TimeBlock.h"

namespace velmora::testing {

inline constexpr int kPumpChannel = 1;   // register form
inline constexpr int kLightChannel = 2;  // colour slots
inline constexpr int kZMotorChannel = 3;
inline constexpr int kYMotorChannel = 4;

class ActionTest : public ::testing::Test {
public:
    // A block starting at 10 units (500 ms at scale 50) and lasting 10 s.
    static TimeBlock Block(std::int32_t type) {
        TimeBlock block;
        block.start = 10.0f;
        block.end = 210.0f;
        block.nSpecicalType = type;
        return block;
    }
    static constexpr double kStart = 500.0;

    // The pump register of a nozzle driven at `level` (0..128).
    static std::int32_t PumpFor(std::int32_t level) { return static_cast<std::int32_t>(level * 10000 / 128); }

protected:
    ActionTest() {
        for (int channel : {kPumpChannel, kLightChannel, kZMotorChannel, kYMotorChannel}) {
            ChannelInfo& info = scene_.g_Channels[static_cast<std::size_t>(channel - 1)];
            info.tagNum = 400;
            info.regType = channel == kLightChannel ? 0 : 1;
        }
        image_.Reallocate(scene_.g_Channels);
    }

    // Springs with IDs 1..count; their outputs at register Reg(index).
    void AddSprings(int count) {
        for (int i = 0; i < count; ++i) {
            CSpring spring;
            spring.ID = static_cast<std::int32_t>(scene_.springs.size()) + 1;
            const std::string reg = std::to_string(Reg(static_cast<int>(scene_.springs.size())));
            spring.BLOCKID = kPumpChannel;
            spring.COMID = reg;
            spring.BLOCKID_L = kLightChannel;
            spring.COMID_L = reg;
            spring.BLOCKID3 = kZMotorChannel;
            spring.COMID3 = reg;
            spring.BLOCKID2 = kYMotorChannel;
            spring.COMID2 = reg;
            scene_.springs.push_back(spring);
        }
        scene_.Reindex();
    }

    // A group of the given springs (by index), in that member order.
    CSpringGroup& AddGroup(const std::vector<int>& members) {
        CSpringGroup group;
        group.ID = 1000 + static_cast<std::int32_t>(scene_.groups.size());
        group.childCount = static_cast<std::int32_t>(members.size());
        for (std::size_t i = 0; i < members.size(); ++i) group.children[i] = scene_.springs[members[i]].ID;
        scene_.groups.push_back(group);
        scene_.Reindex();
        return scene_.groups.back();
    }
    CSpringGroup& GroupOf(int count) {
        AddSprings(count);
        std::vector<int> members;
        for (int i = 0; i < count; ++i) members.push_back(i);
        return AddGroup(members);
    }

    static int Reg(int index) { return 10 * index + 1; }

    // What the engine does before a tick's writes: an empty image and the
    // per-tick fields of every spring cleared.
    void NewTick() {
        image_.Reallocate(scene_.g_Channels);
        for (CSpring& spring : scene_.springs) {
            spring.m_bLit = 0;
            spring.m_fSwingZ = spring.m_fSwingY = 0.0f;
            spring.m_crColor = 0;
        }
    }

    // A fresh tick of the block on a group at block time `at` (ms after its start).
    void RunGroup(const TimeBlock& block, const CSpringGroup& group, double at, std::int32_t level = 100) {
        NewTick();
        TickContext ctx = Context(kStart + at);
        EvaluateAction(ctx, block, group, level, kStart + at);
    }
    void RunSpring(const TimeBlock& block, int index, double at, std::int32_t level = 100) {
        NewTick();
        TickContext ctx = Context(kStart + at);
        EvaluateAction(ctx, block, scene_.springs[static_cast<std::size_t>(index)], level, kStart + at);
    }

    TickContext Context(double position) {
        assets_ = EveryAssetOnDisk(dir_.path(), caches_);
        return TickContext{.out = OutputTarget{scene_.g_Channels, image_},
                           .scene = scene_,
                           .assets = *assets_,
                           .night = {0, 6000},
                           .nowMinute = 720,
                           .position = position,
                           .clockMs = clockMs_};
    }

    std::int32_t Register(int channel, int reg) const {
        return image_.g_ChannelImage[static_cast<std::size_t>(channel - 1)][static_cast<std::size_t>(reg - 1)];
    }
    std::int32_t Pump(int index) const { return Register(kPumpChannel, Reg(index)); }
    std::int32_t Light(int index) const { return Register(kLightChannel, Reg(index)); }
    // The five registers of a motor record.
    std::vector<std::int32_t> MotorRecord(int channel, int index) const {
        std::vector<std::int32_t> record;
        for (int r = 0; r < 5; ++r) record.push_back(Register(channel, Reg(index) + r));
        return record;
    }

    CSpring& SpringAt(int index) { return scene_.springs[static_cast<std::size_t>(index)]; }

    void WriteColours(const std::string& name, const std::vector<std::int32_t>& fileColours) {
        std::string text = "[Main]\nNum=" + std::to_string(fileColours.size()) + "\n";
        for (std::size_t i = 0; i < fileColours.size(); ++i)
            text += "color" + std::to_string(i + 1) + "=" + std::to_string(fileColours[i]) + "\n";
        dir_.Write("Color/" + name, text);
    }

    void WriteFrames(const std::string& name, const FrameComplierCache& animation) {
        dir_.Write("Frame/" + name, SerializeFrameFile(animation));
    }

    ScratchDir dir_;
    Scene scene_;
    OutputImage image_;
    AssetCaches caches_{Workspace(dir_.path())};
    std::shared_ptr<const ShowAssets> assets_;
    std::uint32_t clockMs_ = 0;
};

}  // namespace velmora::testing
