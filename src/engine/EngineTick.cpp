#include "engine/EngineTick.h"

#include <algorithm>

#include "comm/OutputWrites.h"
#include "engine/ActionEvaluation.h"
#include "engine/EngineSnapshot.h"
#include "engine/EvaluateShow.h"
#include "engine/LevelOutput.h"
#include "engine/ManualMotorTick.h"
#include "engine/ShowAssets.h"
#include "engine/TickLog.h"
#include "engine/MusicLevel.h"
#include "engine/TakeOrder.h"
#include "engine/Truncate.h"
#include "scene/Scene.h"

namespace velmora {
namespace {

void ClearImage(OutputImage& image) {
    for (std::size_t c = 0; c < kChannelCount; ++c) {
        // The slot arrays follow tagNum (reallocated with the table).
        auto& slots = image.g_ChannelImage[c];
        std::fill(slots.begin(), slots.end(), 0);
        image.g_Light512Buf[c].fill(0);
    }
}

void ResetSprings(TickContext& ctx) {
    for (CSpring& spring : ctx.scene.springs) {
        spring.m_bLit = 0;
        spring.m_fSwingZ = 0.0f;
        spring.m_fSwingY = 0.0f;
        spring.m_crColor = 0;
        ManualMotorTick(ctx, spring);
    }
}

void Paint(TickContext& ctx, CSpring& spring, COLORREF colour) {
    spring.m_crColor = colour;
    WriteLightColour(ctx.out, spring, colour, ctx.night, ctx.nowMinute);
}

// Groups switched on at the hand panel: all of them in hand mode, the
// special buttons also while the show plays.
void DriveHandGroups(TickContext& ctx, std::int32_t level) {
    for (CSpringGroup& group : ctx.scene.groups) {
        if (group.m_nManualState == 1 && (ctx.handMode || group.bSpecialBTN == 1)) {
            group.m_nAppliedState = 1;
            SetLevel(ctx, group, level);
            WriteGroupOutput(ctx.out, group, static_cast<std::uint16_t>(level));
            const COLORREF colour = SystemColour(ctx);
            const std::size_t n = MemberCount(group);
            for (std::size_t i = 0; i < n; ++i) {
                if (CSpring* spring = ctx.scene.FindSpring(group.children[i])) Paint(ctx, *spring, colour);
            }
        } else {
            group.m_nAppliedState = 0;
        }
    }
}

void DriveHandSprings(TickContext& ctx) {
    for (CSpring& spring : ctx.scene.springs) {
        SetLevel(ctx, spring, spring.m_nManualLevel);
        Paint(ctx, spring, spring.m_nManualColour);
    }
}

// Groups taken out of the show (bMannual) and switched on by hand follow
// their members' manual fields; the level is divided by the multiplier that
// SetLevel applies again, so the hand level is what reaches the pump.
void DriveManualGroups(TickContext& ctx) {
    for (CSpringGroup& group : ctx.scene.groups) {
        if (group.bMannual != 1 || group.m_nManualState != 1) continue;
        group.m_nAppliedState = 1;
        const std::size_t n = MemberCount(group);
        for (std::size_t i = 0; i < n; ++i) {
            CSpring* spring = ctx.scene.FindSpring(group.children[i]);
            if (spring == nullptr) continue;
            SetLevel(ctx, *spring,
                     TruncToInt32(static_cast<float>(spring->m_nManualLevel) / ctx.musicMultiplier));
            Paint(ctx, *spring, spring->m_nManualColour);
        }
    }
}

}  // namespace

EngineTickResult EngineTick(EngineWorld& world, PlaybackState& playback, const EngineTickInputs& inputs) {
    EngineTickResult result;
    result.level = inputs.handMode ? 128 : (inputs.fixedLevel ? *inputs.fixedLevel : MusicLevel(playback));

    const double position = playback.m_dPlayPos.load();
    result.position = position;

    // The hand-over runs before the lock: the list that takes it may start
    // the next entry, which replaces the show under the same lock.
    const double length = playback.m_dLength.load();
    if (length > 0.0 && length <= position && playback.m_bEndNotified.load() == 0) {
        playback.m_bEndNotified.store(1);
        result.endOfEntry = true;
        if (playback.onEndOfEntry) playback.onEndOfEntry(1);
    }

    // Log lines wait here until the lock is released (no file I/O under it).
    TickLog tickLog;
    std::unique_lock lock(world.outputLock);
    // The show's own scale, the only one: it changes together with the
    // blocks it converts, under this lock, so a zoom or a save in between
    // can never shift every block.
    const std::int32_t scale = world.show.m_nScale;
    result.g_dPlayheadUnits = scale != 0 ? position / scale : 0.0;
    TickContext ctx{
        .out = OutputTarget{world.scene.g_Channels, world.image},
        .scene = world.scene,
        .assets = world.assets ? *world.assets : NoShowAssets(),
        .night = world.night,
        .nowMinute = inputs.nowMinute,
        .position = position,
        .scale = scale,
        .handMode = inputs.handMode,
        .musicMultiplier = world.show.g_fMusicMultiplier,
        .clockMs = inputs.clockMs,
        .startMs = inputs.startMs,
        .systemInterval = world.scene.settings.g_nSystemInterval,
        .logEnabled = inputs.logEnabled,
        .log = &tickLog,
        .g_nEngineElapsed = inputs.g_nEngineElapsed,
    };

    ClearImage(world.image);
    ResetSprings(ctx);
    DriveHandGroups(ctx, result.level);
    if (inputs.handMode) {
        DriveHandSprings(ctx);
    } else {
        EvaluateShow(ctx, world.show.layers, world.show.blocks, result.level, 0.0);
        DriveManualGroups(ctx);
    }
    result.g_nEngineElapsed = ctx.g_nEngineElapsed;
    if (inputs.capture != nullptr) inputs.capture->Capture(world.scene, position, result.level);
    lock.unlock();
    tickLog.Flush();
    return result;
}

}  // namespace velmora
