#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Clock.h"
#include "app/ScopedLogPath.h"
#include "app/ScratchDir.h"
#include "engine/EngineFiles.h"
#include "runtime/Runtime.h"

namespace velmora {
namespace {

using testing::ScratchDir;

// While a new show's motor actions are compiled, the engine may tick: it must
// see the old show with the old tracks or the new show with the new ones,
// never the new show's blocks against the old show's angles. The asset
// caches' clock is read in the middle of that compile (a missing motor
// program is remembered with the time), which is where the pair is checked.
TEST(RuntimeShowSwap, ShowAndItsTracksAreReplacedTogether) {
    ScratchDir dir;
    const testing::ScopedLogPath log(dir.path() / "no-log-here.log");
    dir.Write("spring.ini", "[main]\npulsePerRound=4000\ncount=1\nsp0_ID=7\n");
    testing::WriteMotor(dir, "turn.motor", {{kMotorMove, 1000, 4000, 0, 0}});
    const std::string block =
        "[TimeLine]\nLayerCount=1\nly0_GroupID=7\nly0_type=1\nTimeBlockCount=1\nTB0_start=2\n"
        "TB0_end=100\nTB0_nSpecicalType=1\nTB0_szMotor=";
    dir.Write("Music/old.mp3.tlf", block + "turn.motor\n");
    dir.Write("Music/new.mp3.tlf", block + "gone.motor\n");

    Runtime runtime{Workspace(dir.path())};
    ASSERT_TRUE(runtime.Startup());
    ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/old.mp3.tlf"));
    const CSpring& spring = *runtime.scene.FindSpring(7);
    ASSERT_FALSE(spring.m_stepsB.empty());

    int lookupsDuringCompile = 0;
    bool newShowWithOldTracks = false;
    runtime.caches.SetClock([&] {
        ++lookupsDuringCompile;
        const bool newShow = !runtime.show.blocks.empty() && runtime.show.blocks[0].szMotor == "gone.motor";
        if (newShow && !spring.m_stepsB.empty()) newShowWithOldTracks = true;
        return std::uint32_t{0};
    });
    ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/new.mp3.tlf"));
    EXPECT_GT(lookupsDuringCompile, 0);  // the check above did run
    EXPECT_FALSE(newShowWithOldTracks);
    ASSERT_EQ(runtime.show.blocks.size(), 1u);
    EXPECT_EQ(runtime.show.blocks[0].szMotor, "gone.motor");
    EXPECT_TRUE(spring.m_stepsB.empty());

    runtime.caches.SetClock(GetClockMs);
    runtime.Shutdown();
}

// Reloading the scene while a show is open keeps the show's motor tracks:
// they are built for the reloaded springs, not left empty until the next
// compile (the flat waves would read angle 0 all that while).
TEST(RuntimeShowSwap, ReloadedSceneKeepsTheOpenShowsTracks) {
    ScratchDir dir;
    const testing::ScopedLogPath log(dir.path() / "no-log-here.log");
    dir.Write("spring.ini", "[main]\npulsePerRound=4000\ncount=2\nsp0_ID=7\nsp1_ID=8\n");
    testing::WriteMotor(dir, "turn.motor", {{kMotorMove, 1000, 4000, 0, 0}});
    dir.Write("Music/a.mp3.tlf",
              "[TimeLine]\nLayerCount=1\nly0_GroupID=8\nly0_type=1\nTimeBlockCount=1\nTB0_start=2\n"
              "TB0_end=100\nTB0_nSpecicalType=1\nTB0_szMotor=turn.motor\n");

    Runtime runtime{Workspace(dir.path())};
    ASSERT_TRUE(runtime.Startup());
    ASSERT_TRUE(runtime.LoadShowFile(dir.path() / "Music/a.mp3.tlf"));
    const TrackPoints before = runtime.scene.FindSpring(8)->m_stepsB;
    ASSERT_FALSE(before.empty());

    // The operator reorders the springs in the file; the tracks follow the IDs.
    dir.Write("spring.ini", "[main]\npulsePerRound=4000\ncount=2\nsp0_ID=8\nsp1_ID=7\n");
    ASSERT_TRUE(runtime.LoadSceneFile());
    const CSpring& moved = *runtime.scene.FindSpring(8);
    ASSERT_EQ(moved.m_stepsB.size(), before.size());
    EXPECT_EQ(moved.m_stepsB.back().m_fAngle, before.back().m_fAngle);
    EXPECT_TRUE(runtime.scene.FindSpring(7)->m_stepsB.empty());

    runtime.Shutdown();
}

}  // namespace
}  // namespace velmora
