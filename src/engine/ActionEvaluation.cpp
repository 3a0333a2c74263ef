// What a block's action does to each member on a tick. Members are visited in
// the block's take order, exactly as the show compiler orders them, so that
// a member's delay (and its wave peak) follow its step in that order.
#include "engine/ActionEvaluation.h"

#include "engine/FrameAction.h"
#include "engine/MemberTiming.h"
#include "engine/MotorStepping.h"
#include "engine/ShowAssets.h"
#include "engine/TakeOrder.h"
#include "engine/Truncate.h"
#include "engine/WaveActions.h"
#include "scene/Scene.h"

namespace velmora {
namespace {

// What a block needs for all its members, worked out once per call.
struct BlockPlan {
    explicit BlockPlan(const TimeBlock& b) : block(b) {}

    const TimeBlock& block;
    std::int64_t duration = 0;  // D
    BlockMotorPrograms motor;
    // Frame action: the animation, its slots and the page showing now.
    const FrameComplierCache* frame = nullptr;
    FrameSchedule schedule;
    FramePosition framePosition;
    bool frameShowing = false;
    std::int64_t frameTime = 0;
};

void PlanBlock(TickContext& ctx, BlockPlan& plan, double now) {
    const TimeBlock& block = plan.block;
    plan.duration = BlockDuration(ctx.scale, block);
    if (block.nSpecicalType != kActionFrame) return;
    plan.frameTime = BlockTime(ctx.scale, block, now);
    plan.frame = ctx.assets.FindFrameAnimation(block.szFrame);
    plan.frameShowing = plan.frame && plan.frameTime >= 0 && PlanFrameSchedule(*plan.frame, block, plan.schedule) &&
                        FramePositionAt(plan.schedule, plan.frameTime, plan.framePosition);
}

bool DrivesLightOnly(const TimeBlock& block) { return !block.szLight.empty() && block.bLightTogether == 0; }

// One member at take step `step`; `group` is null for a single-spring layer.
void EvaluateMember(TickContext& ctx, BlockPlan& plan, const CSpringGroup* group, std::size_t memberCount,
                    CSpring& spring, std::int64_t step, double now) {
    const TimeBlock& block = plan.block;
    const std::int32_t type = block.nSpecicalType;
    if (type == kActionRotateZ || type == kActionRotateY) {
        StepMotorMember(ctx, block, plan.motor, spring, step, now);
        return;
    }

    const std::int32_t previous = spring.m_nOutLevel;
    // Whether this tick's level lights the member (and its block light).
    bool lights = false;
    std::int64_t t = 0;
    switch (type) {
        case kActionFlatWave: {
            t = MemberTime(ctx.scale, block, now, step);
            if (t < 0) return;
            const float angle = TrackAngleAt(spring.m_stepsB, static_cast<float>(ctx.position));
            if (FlatWaveGate(block, angle)) {
                spring.m_nOutLevel = WavePeak(block, step);
                lights = true;
            }
            break;
        }
        case kActionTriangle:
            t = MemberTime(ctx.scale, block, now, step) + block.nStartDrift;
            if (t < 0) return;
            // The block light below runs on the same time as the wave.
            t = TriangleCycleTime(block, plan.duration, t);
            spring.m_nOutLevel = TriangleLevel(block, t, WavePeak(block, step));
            lights = true;
            break;
        case kActionRectangle:
            t = MemberTime(ctx.scale, block, now, step) + block.nStartDrift;
            if (t < 0) return;
            spring.m_nOutLevel = RectangleLevel(block, plan.duration, t, WavePeak(block, step));
            lights = true;
            break;
        case kActionRamp:
            t = MemberTime(ctx.scale, block, now, step) + block.nStartDrift;
            if (t < 0) return;
            spring.m_nOutLevel = RampLevel(block, plan.duration, t, WavePeak(block, step));
            lights = true;
            break;
        case kActionSwingZ:
        case kActionSwingY: {
            t = MemberTime(ctx.scale, block, now, step);
            if (t < 0) return;
            float angle = 0.0f;
            if (SwingAngle(block, plan.duration, t, angle))
                (type == kActionSwingZ ? spring.m_fSwingZ : spring.m_fSwingY) = angle;
            break;
        }
        case kActionFrame: {
            t = plan.frameTime;
            if (t < 0) return;
            FrameCell cell;
            if (plan.frameShowing && FrameCellFor(*plan.frame, group, memberCount, step, cell)) {
                spring.m_nOutLevel = FrameLevel(*plan.frame, block, plan.framePosition, cell);
                lights = true;
            }
            break;
        }
        case kActionLaser: {
            t = MemberTime(ctx.scale, block, now, step);
            if (t < 0) return;
            const std::int32_t value = LaserValue(block);
            spring.m_nOutLevel = value;
            spring.m_bLit = 1;
            // The raw command goes to the analog register as a 16-bit value.
            WriteSpringValue(ctx.out, spring, static_cast<std::uint16_t>(value));
            return;
        }
        default:
            // An action this version does not know drives nothing; the
            // member's outputs are still written below.
            if (MemberTime(ctx.scale, block, now, step) < 0) return;
            break;
    }

    if (lights && spring.m_nOutLevel > 0) {
        if (block.szLight.empty() || block.bLightTogether == 1) spring.m_bLit = 1;
        ApplyBlockLight(ctx, spring, spring.m_nOutLevel, block, SaturateToInt32(t), now);
    }
    // A block with its own light file that does not take the water along
    // drives the light alone: the level goes back to what it was.
    if (DrivesLightOnly(block)) spring.m_nOutLevel = previous;
    WriteSpringOutputs(ctx.out, spring, spring.m_nOutLevel);
}

}  // namespace

void EvaluateAction(TickContext& ctx, const TimeBlock& block, const CSpringGroup& group, std::int32_t /*level*/,
                    double now) {
    BlockPlan plan(block);
    PlanBlock(ctx, plan, now);
    const std::size_t n = MemberCount(group);
    const std::size_t steps = TakeStepCount(n, block.nTakeOrder);
    for (std::size_t s = 0; s < steps; ++s) {
        const TakePositions at = TakeStepPositions(n, block.nTakeOrder, s);
        const auto step = static_cast<std::int64_t>(s);
        if (CSpring* spring = ctx.scene.FindSpring(group.children[at.first]))
            EvaluateMember(ctx, plan, &group, n, *spring, step, now);
        if (!at.paired) continue;
        if (CSpring* spring = ctx.scene.FindSpring(group.children[at.second]))
            EvaluateMember(ctx, plan, &group, n, *spring, step, now);
    }
}

void EvaluateAction(TickContext& ctx, const TimeBlock& block, CSpring& spring, std::int32_t /*level*/, double now) {
    BlockPlan plan(block);
    PlanBlock(ctx, plan, now);
    EvaluateMember(ctx, plan, nullptr, 1, spring, 0, now);
}

}  // namespace velmora
