// The engine snapshot as a view reaches it through the runtime, while the
// pacer drives the engine and the scene is replaced under it.

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "app/Log.h"
#include "app/ScratchDir.h"
#include "app/WaitFor.h"
#include "engine/ArbitrageThread.h"
#include "runtime/Runtime.h"
#include "scene/SceneFile.h"

namespace velmora {
namespace {

using testing::ScratchDir;

TEST(RuntimeSnapshotTest, ViewsFollowThePacedEngineAcrossASceneChange) {
    ScratchDir dir;
    const std::filesystem::path previousLog = GetLogPath();
    SetLogPath(dir.path() / "no-log-here.log");
    Scene scene;
    for (int i = 0; i < 1200; ++i) {
        CSpring s;
        s.ID = 5000 + i;
        scene.springs.push_back(s);
    }
    {
        Runtime runtime{Workspace(dir.path())};
        ASSERT_TRUE(runtime.Startup());
        ASSERT_TRUE(runtime.StartPlayback());

        EngineSnapshot view;
        ASSERT_TRUE(testing::WaitFor([&] { return runtime.ReadEngineSnapshot(view) && view.tick >= 3; }));
        EXPECT_LE(view.tick, runtime.engine().ticks());
        EXPECT_TRUE(view.springs.empty()) << "the default scene has no springs";
        // Paced on the 21 ms cycle: a period of about that, and a lateness
        // behind the pacer's grid point that a loaded machine may stretch,
        // but never below zero.
        EXPECT_GT(view.tickPeriodMs, 0.0f);
        EXPECT_GE(view.latenessMs, 0.0f);
        EXPECT_LT(view.latenessMs, 1000.0f);

        // A bigger scene replaces the running one; the views see it on the
        // next ticks, spring for spring.
        ASSERT_TRUE(SaveScene(runtime.g_strSpringIni, scene));
        ASSERT_TRUE(runtime.LoadSceneFile());
        const std::uint64_t after = runtime.engine().ticks();
        ASSERT_TRUE(testing::WaitFor([&] { return runtime.ReadEngineSnapshot(view) && view.tick > after + 1; }));
        ASSERT_EQ(view.springs.size(), 1200u);
        EXPECT_EQ(view.springs.front().ID, 5000);
        EXPECT_EQ(view.springs.back().ID, 6199);
        runtime.Shutdown();
    }
    SetLogPath(previousLog);
}

}  // namespace
}  // namespace velmora
