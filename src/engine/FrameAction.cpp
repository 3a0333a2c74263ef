#include "engine/FrameAction.h"

#include <algorithm>
#include <cmath>

#include "engine/MemberTiming.h"
#include "engine/Truncate.h"

namespace velmora {

bool PlanFrameSchedule(const FrameComplierCache& animation, const TimeBlock& block, FrameSchedule& schedule) {
    const float speed = std::fabs(block.fFrameParam);
    if (!(speed > 0.0f)) return false;
    const std::size_t pages = std::min({animation.m_pPages.size(),
                                        static_cast<std::size_t>(std::max(animation.m_nPageCount, 0)),
                                        static_cast<std::size_t>(kMaxFramePages)});
    schedule.pages = pages;
    schedule.hasLoopEnd = false;
    schedule.loopStart = 0;
    schedule.loopEnd = 0;
    bool hasLoopStart = false;
    std::int64_t end = 0;
    for (std::size_t p = 0; p < pages; ++p) {
        const FRAME_PAGE& page = animation.m_pPages[p];
        const std::int32_t duration = page.m_nDuration != 0 ? page.m_nDuration : animation.m_nDefaultDuration;
        // A tiny speed makes a page last for ever; bounded so that the sums
        // below cannot overflow.
        constexpr std::int64_t kLongest = std::int64_t{1} << 40;
        const std::int64_t shown =
            std::clamp<std::int64_t>(TruncToInt64(static_cast<float>(duration) / speed), -kLongest, kLongest);
        const std::int64_t start = end;
        end = start + shown + block.nRiseUpTime + block.nCutDownTime;
        schedule.ends[p] = end;
        if (page.m_bLoopStart && !hasLoopStart) {
            hasLoopStart = true;
            schedule.loopStart = start;
        }
        if (page.m_bLoopEnd && !schedule.hasLoopEnd) {
            schedule.hasLoopEnd = true;
            schedule.loopEnd = end;
        }
    }
    schedule.total = end;
    return pages > 0 && schedule.total > 0;
}

bool FramePositionAt(const FrameSchedule& schedule, std::int64_t t, FramePosition& position) {
    std::int64_t a = t;
    if (!schedule.hasLoopEnd) {
        a = t % schedule.total;
    } else if (t > schedule.total) {
        const std::int64_t loop = schedule.loopEnd - schedule.loopStart;
        if (loop == 0) return false;
        a = (t - schedule.total) % loop + schedule.loopStart;
    }
    std::int64_t start = 0;
    for (std::size_t p = 0; p < schedule.pages; ++p) {
        if (schedule.ends[p] > a) {
            position.page = p;
            position.elapsed = a - start;
            position.remaining = schedule.ends[p] - a;
            return true;
        }
        start = schedule.ends[p];
    }
    return false;
}

bool FrameCellFor(const FrameComplierCache& animation, const CSpringGroup* group, std::size_t memberCount,
                  std::int64_t step, FrameCell& cell) {
    const std::int64_t rows = animation.m_nRows;
    const std::int64_t cols = animation.m_nCols;
    if (group == nullptr) {
        cell = {0, 0};
        return true;
    }
    if (cols == 0) return false;
    std::int64_t row = 0;
    std::int64_t column = 0;
    if (group->initX != 0 && group->initY != 0) {
        if (rows == 0) return false;
        const std::int64_t perRow = group->initX;
        row = (step / perRow) % rows;
        column = (step % perRow) % cols;
    } else {
        if (memberCount == 0) return false;
        column = (step % static_cast<std::int64_t>(memberCount)) % cols;
    }
    // A negative grid width (or a damaged size) must not index outside the page.
    if (row < 0 || row >= kFrameGrid || column < 0 || column >= kFrameGrid) return false;
    cell = {static_cast<std::int32_t>(row), static_cast<std::int32_t>(column)};
    return true;
}

std::int32_t FrameLevel(const FrameComplierCache& animation, const TimeBlock& block, const FramePosition& position,
                        FrameCell cell) {
    const FRAME_PAGE& page = animation.m_pPages[position.page];
    const std::int64_t value =
        page.m_nodes[static_cast<std::size_t>(cell.row * kFrameGrid + cell.column)].m_nLevel;
    // Each branch has e (or r) below a 32-bit time, so the products fit.
    if (position.elapsed < block.nRiseUpTime) return SaturateToInt32(value * position.elapsed / block.nRiseUpTime);
    if (position.remaining < block.nCutDownTime)
        return SaturateToInt32(value * position.remaining / block.nCutDownTime);
    return SaturateToInt32(value);
}

}  // namespace velmora
