#pragma once
// A scratch workspace per test: a scene built in code and saved as
// spring.ini, shows saved as .tlf files, and the checker run over them.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Profile.h"
#include "app/ScratchDir.h"
#include "app/Workspace.h"
#include "check/WorkspaceCheck.h"
#include "scene/SceneFile.h"
#include "show/ShowFile.h"

namespace velmora::testing {

class CheckFixture : public ::testing::Test {
protected:
    CheckFixture() {
        // Three controllers with 40 registers each; the rest stay unused.
        for (int c = 0; c < 3; ++c) {
            scene_.g_Channels[static_cast<std::size_t>(c)].IP = "127.0.0.1";
            scene_.g_Channels[static_cast<std::size_t>(c)].tagNum = 40;
        }
        scene_.g_Channels[2].regType = 2;  // motor records
        // References returned by AddSpring/AddGroup stay valid.
        scene_.springs.reserve(256);
        scene_.groups.reserve(64);
    }

    // A spring with nothing connected.
    CSpring& AddSpring(std::int32_t id) {
        CSpring spring;
        spring.ID = id;
        scene_.springs.push_back(spring);
        return scene_.springs.back();
    }
    CSpringGroup& AddGroup(std::int32_t id, std::vector<std::int32_t> members) {
        CSpringGroup group;
        group.ID = id;
        group.name = "g" + std::to_string(id);
        group.childCount = static_cast<std::int32_t>(members.size());
        std::copy(members.begin(), members.end(), group.children.begin());
        scene_.groups.push_back(group);
        return scene_.groups.back();
    }

    static TimeBlock Block(std::int32_t row, float start, float end, std::int32_t type = kActionNone) {
        TimeBlock block;
        block.cannel = row;
        block.start = start;
        block.end = end;
        block.nSpecicalType = type;
        return block;
    }
    static Show ShowOf(std::vector<Layer> layers, std::vector<TimeBlock> blocks) {
        Show show;
        show.layers = std::move(layers);
        show.blocks = std::move(blocks);
        return show;
    }
    static Layer GroupLayer(std::int32_t id) { return {"", id, kLayerGroup, 0}; }
    static Layer SpringLayer(std::int32_t id) { return {"", id, kLayerSpring, 0}; }
    static Layer ProgramLayer() { return {"", -1, kLayerProgram, 0}; }

    std::filesystem::path WriteShow(const std::filesystem::path& relative, const Show& show) {
        Profile profile;
        SaveShow(profile, show);
        const std::filesystem::path path = dir_.path() / relative;
        std::filesystem::create_directories(path.parent_path());
        EXPECT_TRUE(profile.SaveAs(path));
        return path;
    }

    // A program-list entry "<name>.prog" with its show and parameters.
    void AddProgram(const std::string& name, const Show& show, int unitMS = 1000, int num = 60) {
        const std::string prog = "Program/" + name + ".prog";
        dir_.Write(prog, "[Main]\nunitMS=" + std::to_string(unitMS) + "\nnum=" + std::to_string(num) + "\n");
        WriteShow(prog + ".tlf", show);
        programs_.push_back(prog);
    }

    void SaveWorkspace() {
        Profile profile;
        SaveScene(profile, scene_);
        profile.SetInt("ProgramList", "ProgramCount", static_cast<std::int32_t>(programs_.size()));
        for (std::size_t i = 0; i < programs_.size(); ++i)
            profile.SetString("ProgramList", "pro" + std::to_string(i) + "_path", programs_[i]);
        ASSERT_TRUE(profile.SaveAs(dir_.path() / "spring.ini"));
    }

    CheckReport Run(std::vector<std::filesystem::path> shows = {}) {
        SaveWorkspace();
        return CheckWorkspace(Workspace(dir_.path()), std::move(shows));
    }

    static std::vector<CheckProblem> With(const CheckReport& report, const std::string& code) {
        std::vector<CheckProblem> found;
        for (const CheckProblem& p : report.problems())
            if (p.code == code) found.push_back(p);
        return found;
    }
    static std::string Codes(const CheckReport& report) {
        std::string codes;
        for (const CheckProblem& p : report.problems()) codes += p.code + "@" + p.where + "; ";
        return codes;
    }

    ScratchDir dir_;
    Scene scene_;
    std::vector<std::string> programs_;
};

}  // namespace velmora::testing
