#pragma once
// A small installation for the engine tests: a scratch workspace for asset
// files, a scene, an open show, the output image and its lock, and a
// playback clock, with helpers to add springs, groups, layers and blocks
// and to read registers back.

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>

#include "app/Profile.h"
#include "app/ScratchDir.h"
#include "app/Workspace.h"
#include "PreparedAssets.h"
#include "engine/AssetCaches.h"
#include "engine/EngineTick.h"
#include "engine/ShowAssets.h"
#include "engine/TickContext.h"
#include "scene/Scene.h"
#include "show/Show.h"
#include "show/ShowFile.h"

namespace velmora::testing {

// Channel 1: registers (pumps, valves, group switches); 2: lights; 3: motors.
inline constexpr int kRegChannel = 1;
inline constexpr int kLightChannel = 2;
inline constexpr int kMotorChannel = 3;

class EngineWorldFixture : public ::testing::Test {
protected:
    EngineWorldFixture() {
        show_.layers.clear();
        show_.blocks.clear();
        show_.g_fMusicMultiplier = 2.0f;
        Channel(kRegChannel).tagNum = 64;
        Channel(kLightChannel).regType = 3;
        Channel(kLightChannel).tagNum = 64;
        Channel(kMotorChannel).regType = 2;
        Channel(kMotorChannel).tagNum = 64;
        image_.Reallocate(scene_.g_Channels);
        playback_.m_dLength.store(0.0);  // no entry running: no hand-over
    }

    ChannelInfo& Channel(int n) { return scene_.g_Channels[static_cast<std::size_t>(n - 1)]; }

    // A spring whose pump is register `reg` of channel 1 and whose light is
    // slot `reg` of channel 2.
    CSpring& AddSpring(std::int32_t id, int reg) {
        CSpring s;
        s.ID = id;
        s.BLOCKID = kRegChannel;
        s.COMID = std::to_string(reg);
        s.BLOCKID_L = kLightChannel;
        s.COMID_L = std::to_string(reg);
        scene_.springs.push_back(s);
        scene_.Reindex();
        return *scene_.FindSpring(id);
    }
    CSpring& Spring(std::int32_t id) { return *scene_.FindSpring(id); }

    // A group whose switch is register `reg` of channel 1 (0: none).
    CSpringGroup& AddGroup(std::int32_t id, std::initializer_list<std::int32_t> members, int reg = 0) {
        CSpringGroup g;
        g.ID = id;
        for (const std::int32_t m : members) g.children[static_cast<std::size_t>(g.childCount++)] = m;
        if (reg > 0) {
            g.BLOCKID = kRegChannel;
            g.COMID = std::to_string(reg);
        }
        scene_.groups.push_back(g);
        scene_.Reindex();
        return *scene_.FindGroup(id);
    }
    CSpringGroup& Group(std::int32_t id) { return *scene_.FindGroup(id); }

    int AddLayer(LayerType type, std::int32_t id) {
        Layer layer;
        layer.type = type;
        layer.GroupID = id;
        show_.layers.push_back(layer);
        return static_cast<int>(show_.layers.size()) - 1;
    }

    // A block of action "none" from startMs to endMs (scale 50).
    static TimeBlock Block(int layer, float startMs, float endMs) {
        TimeBlock b;
        b.cannel = layer;
        b.start = startMs / 50.0f;
        b.end = endMs / 50.0f;
        return b;
    }
    TimeBlock& AddBlock(int layer, float startMs, float endMs) {
        show_.blocks.push_back(Block(layer, startMs, endMs));
        return show_.blocks.back();
    }

    EngineTickResult TickAt(double positionMs, EngineTickInputs inputs = {}) {
        playback_.m_dPlayPos.store(positionMs);
        inputs.nowMinute = inputs.nowMinute == 0 ? 720 : inputs.nowMinute;
        // The show is prepared as the runtime prepares it when a show is
        // loaded or compiled, then published for the tick.
        assets_ = PrepareShowAssets(scene_, show_, caches_);
        return EngineTick(world_, playback_, inputs);
    }
    EngineTickResult TickAtLevel(double positionMs, std::int32_t level) {
        EngineTickInputs inputs;
        inputs.fixedLevel = level;
        return TickAt(positionMs, inputs);
    }

    // A context for calling the show walk or the lights directly.
    TickContext Context(double positionMs = 0.0) {
        contextAssets_ = EveryAssetOnDisk(dir_.path(), caches_);
        return TickContext{.out = OutputTarget{scene_.g_Channels, image_},
                           .scene = scene_,
                           .assets = *contextAssets_,
                           .night = night_,
                           .nowMinute = 720,
                           .position = positionMs,
                           .scale = 50,
                           .handMode = false,
                           .musicMultiplier = show_.g_fMusicMultiplier,
                           .clockMs = 0,
                           .startMs = 0,
                           .systemInterval = scene_.settings.g_nSystemInterval};
    }

    std::int32_t Reg(int channel, int reg) const {
        return image_.g_ChannelImage[static_cast<std::size_t>(channel - 1)][static_cast<std::size_t>(reg - 1)];
    }
    // The colour in light slot `reg` of channel 2 (three low bytes).
    COLORREF Light(int reg) const { return static_cast<COLORREF>(Reg(kLightChannel, reg)) & 0xFFFFFFu; }

    // Registers a program "<name>" whose show is `program`, as the scene
    // file's program list would, and refills the program cache.
    void AddProgram(const std::string& name, const Show& program) {
        Profile showFile;
        SaveShow(showFile, program);
        dir_.MakeDir("Program");
        ASSERT_TRUE(showFile.SaveAs(dir_.path() / "Program" / (name + ".tlf")));
        dir_.Write("Program/" + name, "[Main]\nunitMS=1000\nnum=10\npower=64\n");
        programs_.SetInt("ProgramList", "ProgramCount", ++programCount_);
        programs_.SetString("ProgramList", "pro" + std::to_string(programCount_ - 1) + "_path", "Program/" + name);
        caches_.FillProgramCache(programs_, scene_);
    }

    // A colour file of COLORREF values, as the editor writes it.
    void WriteColours(const std::string& name, std::initializer_list<COLORREF> colours) {
        std::string text = "[Main]\nNum=" + std::to_string(colours.size()) + "\n";
        int i = 1;
        for (const COLORREF c : colours) {
            const std::uint32_t rgb = ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
            text += "color" + std::to_string(i++) + "=" + std::to_string(rgb) + "\n";
        }
        dir_.Write("Color/" + name, text);
    }

    ScratchDir dir_;
    Scene scene_;
    Show show_;
    AssetCaches caches_{Workspace(dir_.path())};
    OutputImage image_;
    std::mutex lock_;
    NightWindow night_{0, 6000};
    PlaybackState playback_;
    std::shared_ptr<const ShowAssets> assets_;
    std::shared_ptr<const ShowAssets> contextAssets_;
    EngineWorld world_{scene_, show_, assets_, image_, lock_, night_};

private:
    Profile programs_;
    int programCount_ = 0;
};

}  // namespace velmora::testing
