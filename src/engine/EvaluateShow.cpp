#include "engine/EvaluateShow.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "comm/OutputWrites.h"
#include "engine/ActionEvaluation.h"
#include "engine/LevelOutput.h"
#include "engine/ShowAssets.h"
#include "engine/Truncate.h"
#include "scene/Scene.h"

namespace velmora {
namespace {

constexpr const char* kNoProgram = "---";

// The level a block without an action lights its members by: the music
// level scaled as the pumps are, capped at full.
std::int32_t LightLevel(const TickContext& ctx, std::int32_t level) {
    const float scaled = std::min(static_cast<float>(level) * ctx.musicMultiplier, 128.0f);
    return TruncToInt32(scaled);
}

bool DrivesWater(const TimeBlock& block) {
    return block.szLight.empty() || block.bLightTogether == 1;
}

void EvaluateGroupBlock(TickContext& ctx, const TimeBlock& block, CSpringGroup& group, std::int32_t level,
                        double now) {
    if (block.bRunHorse == 1) {
        RunRunningHorse(ctx, group, block, level, now);
    } else if (block.nSpecicalType < 1) {
        if (DrivesWater(block)) {
            group.m_nAppliedState = 1;
            SetLevel(ctx, group, level);
        }
        ApplyBlockLight(ctx, group, LightLevel(ctx, level), block, -1, now);
    } else {
        EvaluateAction(ctx, block, group, level, now);
    }
}

void EvaluateSpringBlock(TickContext& ctx, const TimeBlock& block, CSpring& spring, std::int32_t level,
                         double now) {
    if (block.nSpecicalType < 1) {
        if (DrivesWater(block)) SetLevel(ctx, spring, level);
        ApplyBlockLight(ctx, spring, LightLevel(ctx, level), block, -1, now);
    } else {
        EvaluateAction(ctx, block, spring, level, now);
    }
}

struct ProgramBudget {
    int walks = 0;
};

void EvaluateShowAt(TickContext& ctx, std::span<const Layer> layers, std::span<const TimeBlock> blocks,
                    std::int32_t level, double offset, int depth, ProgramBudget& budget) {
    const double now = ctx.position - offset;
    for (const TimeBlock& block : blocks) {
        if (block.cannel < 0 || static_cast<std::size_t>(block.cannel) >= layers.size()) continue;
        const Layer& layer = layers[static_cast<std::size_t>(block.cannel)];
        const double start = BlockMs(ctx.scale, block.start);
        const double end = BlockMs(ctx.scale, block.end);

        CSpringGroup* group = layer.type == kLayerGroup ? ctx.scene.FindGroup(layer.GroupID) : nullptr;
        // The group's own switch opens nPreTime ms ahead of its blocks.
        if (group != nullptr && group->bMannual != 1 && start - group->nPreTime < now && now < end)
            WriteGroupOutput(ctx.out, *group, static_cast<std::uint16_t>(level));

        if (!(start < now && now < end)) continue;

        switch (layer.type) {
            case kLayerGroup:
                if (group != nullptr && group->bMannual != 1) EvaluateGroupBlock(ctx, block, *group, level, now);
                break;
            case kLayerSpring:
                if (CSpring* spring = ctx.scene.FindSpring(layer.GroupID))
                    EvaluateSpringBlock(ctx, block, *spring, level, now);
                break;
            case kLayerProgram:
                if (block.Program != kNoProgram && depth < kMaxProgramDepth && budget.walks < kMaxProgramWalks) {
                    if (const ProgramCache* program = ctx.assets.FindProgram(block.Program)) {
                        ++budget.walks;
                        // A program nested in a program keeps its timing
                        // relative to its own block: the offsets add up.
                        EvaluateShowAt(ctx, program->m_listLayers, program->m_listBlocks, level, offset + start,
                                       depth + 1, budget);
                    }
                }
                break;
            default:
                break;
        }

        if (!block.sz512Light.empty()) {
            if (const Light512ComplierCache* table = ctx.assets.FindLight512Table(block.sz512Light))
                Output512(ctx, TruncToInt32(now - start), *table);
        }
    }
}

}  // namespace

double BlockMs(std::int32_t scale, float units) {
    return static_cast<double>(static_cast<float>(scale) * units);
}

void EvaluateShow(TickContext& ctx, std::span<const Layer> layers, std::span<const TimeBlock> blocks,
                  std::int32_t level, double offset) {
    ProgramBudget budget;
    EvaluateShowAt(ctx, layers, blocks, level, offset, 0, budget);
}

}  // namespace velmora
