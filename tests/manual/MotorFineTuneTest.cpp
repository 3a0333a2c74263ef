#include "manual/MotorFineTune.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <vector>

#include "app/ScratchDir.h"
#include "app/Workspace.h"
#include "engine/EngineTick.h"
#include "engine/PlaybackState.h"
#include "runtime/Runtime.h"
#include "scene/Spring.h"

namespace velmora {
namespace {

constexpr int kMotorChannel = 4;
constexpr std::int32_t kSpringId = 9001;

// A runtime (no engine running) with one spring whose Z motor is register 1
// and Y motor register 11 of a motor channel.
class MotorFineTuneTest : public ::testing::Test {
protected:
    MotorFineTuneTest() {
        ChannelInfo& channel = runtime_.scene.g_Channels[kMotorChannel - 1];
        channel.regType = 2;
        channel.tagNum = 30;
        runtime_.output.Reallocate(runtime_.scene.g_Channels);
        CSpring s;
        s.ID = kSpringId;
        s.BLOCKID3 = kMotorChannel;
        s.COMID3 = "1";
        s.BLOCKID2 = kMotorChannel;
        s.COMID2 = "11";
        runtime_.scene.springs.push_back(s);
        runtime_.scene.Reindex();
    }
    CSpring& Spring() { return *runtime_.scene.FindSpring(kSpringId); }
    std::int32_t Reg(int r) const { return runtime_.output.g_ChannelImage[kMotorChannel - 1][static_cast<std::size_t>(r - 1)]; }
    std::vector<std::int32_t> Slots() const { return runtime_.output.g_ChannelImage[kMotorChannel - 1]; }
    void ClearImage() { runtime_.output.Reallocate(runtime_.scene.g_Channels); }

    testing::ScratchDir dir_;
    Runtime runtime_{Workspace(dir_.path())};
};

TEST_F(MotorFineTuneTest, OpeningSelectsTheAxis) {
    Spring().m_nMotorAxis = 0;
    MotorFineTune y(runtime_, kSpringId, 1);
    EXPECT_EQ(Spring().m_nMotorAxis, 1);
    MotorFineTune z(runtime_, kSpringId, 0);
    EXPECT_EQ(Spring().m_nMotorAxis, 0);
}

TEST_F(MotorFineTuneTest, KnobDeadZoneDirectionsAndResendInterval) {
    MotorFineTune tune(runtime_, kSpringId, 1);
    Spring().m_nResendInterval = 777;

    EXPECT_EQ(tune.DragKnob(44, 45), (KnobPlace{44, 45}));  // 1 px left: dead zone
    EXPECT_EQ(Spring().m_nMotorCmd, 0);
    EXPECT_EQ(Spring().m_nResendInterval, 777);

    EXPECT_EQ(tune.DragKnob(43, 45), (KnobPlace{43, 45}));  // 2 px left
    EXPECT_EQ(Spring().m_nMotorCmd, 1);
    EXPECT_EQ(Spring().m_nResendInterval, 1800);

    // 30 right, 40 down: scaled to the radius, the vertical part drives nothing.
    EXPECT_EQ(tune.DragKnob(75, 85), (KnobPlace{57, 61}));
    EXPECT_EQ(tune.KnobOffset(), 12);
    EXPECT_EQ(Spring().m_nMotorCmd, 2);
    EXPECT_EQ(Spring().m_nResendInterval, 800);

    // Straight down: no horizontal part, no command.
    EXPECT_EQ(tune.DragKnob(45, 100), (KnobPlace{45, 65}));
    EXPECT_EQ(Spring().m_nMotorCmd, 0);

    // Full travel left: a new sequence number on every issue.
    EXPECT_EQ(tune.DragKnob(0, 45), (KnobPlace{25, 45}));
    EXPECT_EQ(Spring().m_nMotorCmd, 1);
    EXPECT_EQ(Spring().m_nResendInterval, 0);

    EXPECT_EQ(tune.ReleaseKnob(), (KnobPlace{45, 45}));
    EXPECT_EQ(Spring().m_nMotorCmd, 0);
}

TEST_F(MotorFineTuneTest, ZeroingLastsOneSecondOnTheClockAndIgnoresTheKnob) {
    MotorFineTune tune(runtime_, kSpringId, 0);
    const std::uint32_t start = 0xFFFFFE00u;  // across the clock's wrap
    ASSERT_TRUE(tune.StartZeroing(start));
    EXPECT_TRUE(tune.Zeroing());
    EXPECT_EQ(Spring().m_nMotorCmd, 3);
    EXPECT_EQ(Spring().m_nResendInterval, 1000);
    EXPECT_FALSE(tune.StartZeroing(start + 10));

    tune.DragKnob(20, 45);
    EXPECT_EQ(tune.knob(), (KnobPlace{45, 45}));
    tune.ReleaseKnob();
    EXPECT_EQ(Spring().m_nMotorCmd, 3) << "the knob cannot cut the zeroing short";

    EXPECT_FALSE(tune.Advance(start + 999));
    EXPECT_EQ(Spring().m_nMotorCmd, 3);
    EXPECT_TRUE(tune.Advance(start + 1000));
    EXPECT_FALSE(tune.Zeroing());
    EXPECT_EQ(Spring().m_nMotorCmd, 0);
    EXPECT_FALSE(tune.Advance(start + 2000));
}

TEST_F(MotorFineTuneTest, IssueWritesTheRecordAndRenumbersOncePerInterval) {
    MotorFineTune tune(runtime_, kSpringId, 1);
    Spring().m_nLastSend = 0;
    tune.DragKnob(43, 45);  // command 1, every 1800 ms

    ASSERT_TRUE(tune.IssueMotorCommand(1000));
    EXPECT_EQ(Spring().m_nSeqY, 123u) << "not yet an interval since the last send";
    EXPECT_EQ(Reg(11), 123);
    EXPECT_EQ(Reg(12), (6 << 8) | 1);
    EXPECT_EQ(Reg(1), 0) << "the Z motor is not touched";

    tune.IssueMotorCommand(1800);
    EXPECT_EQ(Spring().m_nSeqY, 123u);
    tune.IssueMotorCommand(1801);
    EXPECT_EQ(Spring().m_nSeqY, 124u);
    EXPECT_EQ(Reg(11), 124);
    tune.IssueMotorCommand(3601);
    EXPECT_EQ(Spring().m_nSeqY, 124u);
    tune.IssueMotorCommand(3602);
    EXPECT_EQ(Spring().m_nSeqY, 125u);

    tune.DragKnob(60, 45);  // command 2: mode 6, the other direction
    tune.IssueMotorCommand(3603);
    EXPECT_EQ(Reg(12), 6 << 8);
    ASSERT_TRUE(tune.StartZeroing(4000));
    tune.IssueMotorCommand(4000);
    EXPECT_EQ(Reg(12), 4 << 8);
    EXPECT_EQ(Spring().m_nSeqZ, 123u);

    // Nothing pending: nothing written, the counter stays.
    tune.Advance(5000);
    ClearImage();
    tune.IssueMotorCommand(9000);
    EXPECT_EQ(Reg(11), 0);
    EXPECT_EQ(Spring().m_nSeqY, 125u) << "zeroing came 398 ms after the last send: no new number";
}

TEST_F(MotorFineTuneTest, IssueWritesWhatTheEngineTickWrites) {
    // The same spring state issued by the dialog and by an engine tick at the
    // same clock must leave the same motor registers and counters.
    struct Outcome {
        std::vector<std::int32_t> slots;
        std::uint32_t seqY, seqZ;
        std::int32_t lastSend;
    };
    auto run = [&](int axis, int knobX, bool byEngine) {
        ClearImage();
        Spring().m_nSeqY = 200;
        Spring().m_nSeqZ = 255;
        Spring().m_nLastSend = 100;
        MotorFineTune tune(runtime_, kSpringId, axis);
        tune.DragKnob(knobX, 45);
        if (byEngine) {
            PlaybackState playback;
            playback.m_dLength.store(0.0);
            EngineWorld world{runtime_.scene, runtime_.show, runtime_.g_pShowAssets, runtime_.output,
                              runtime_.g_csOutput, runtime_.night};
            EngineTickInputs in;
            in.clockMs = 5000;
            EngineTick(world, playback, in);
        } else {
            tune.IssueMotorCommand(5000);
        }
        return Outcome{Slots(), Spring().m_nSeqY, Spring().m_nSeqZ, Spring().m_nLastSend};
    };
    for (const int axis : {0, 1}) {
        for (const int knobX : {30, 60}) {
            const Outcome dialog = run(axis, knobX, false);
            const Outcome engine = run(axis, knobX, true);
            EXPECT_EQ(dialog.slots, engine.slots) << "axis " << axis << " knob " << knobX;
            EXPECT_EQ(dialog.seqY, engine.seqY);
            EXPECT_EQ(dialog.seqZ, engine.seqZ);
            EXPECT_EQ(dialog.lastSend, engine.lastSend);
            EXPECT_NE(dialog.slots, std::vector<std::int32_t>(dialog.slots.size(), 0)) << "something was written";
        }
    }
    EXPECT_EQ(run(0, 30, false).seqZ, 123u) << "after 255 comes 123";
}

TEST_F(MotorFineTuneTest, ClosingWithdrawsOnlyItsOwnPendingRequest) {
    {
        MotorFineTune tune(runtime_, kSpringId, 1);
        tune.DragKnob(30, 45);
        ASSERT_EQ(Spring().m_nMotorCmd, 1);
    }  // closed by going away (the dialog's end, whichever way it closed)
    EXPECT_EQ(Spring().m_nMotorCmd, 0);

    MotorFineTune zeroing(runtime_, kSpringId, 1);
    zeroing.StartZeroing(0);
    zeroing.Close();
    EXPECT_EQ(Spring().m_nMotorCmd, 0);
    EXPECT_FALSE(zeroing.Zeroing());

    // Another panel's command set after ours is left alone.
    MotorFineTune other(runtime_, kSpringId, 1);
    other.DragKnob(60, 45);
    Spring().m_nMotorCmd = 1;
    other.Close();
    EXPECT_EQ(Spring().m_nMotorCmd, 1);
}

TEST_F(MotorFineTuneTest, AGoneSpringIsNeitherDrivenNorTouched) {
    MotorFineTune tune(runtime_, kSpringId, 1);
    runtime_.scene.springs.clear();
    runtime_.scene.Reindex();
    EXPECT_EQ(tune.Spring(), nullptr);
    EXPECT_EQ(tune.DragKnob(30, 45), (KnobPlace{30, 45})) << "the knob still moves";
    EXPECT_FALSE(tune.IssueMotorCommand(1000));
    EXPECT_TRUE(tune.StartZeroing(0));
    EXPECT_TRUE(tune.Advance(1000));
    tune.Close();

    MotorFineTune missing(runtime_, 4242, 0);
    EXPECT_EQ(missing.Spring(), nullptr);
}

}  // namespace
}  // namespace velmora
