#include "show/ui/BlockHits.h"

#include "document/ShowDocument.h"

namespace velmora {

std::optional<BlockHit> HitTestBlocks(const Show& show, double x, double y) {
    constexpr double kRow = ShowDocument::kRowHeight;
    // Later blocks are drawn over earlier ones, so they answer first.
    for (std::size_t k = show.blocks.size(); k-- > 0;) {
        const TimeBlock& block = show.blocks[k];
        const double top = kRow * block.cannel + 3;
        const double bottom = kRow * block.cannel + 21;
        if (y < top || y > bottom) continue;
        const double start = block.start, end = block.end;
        if (block.m_bLocked == 0) {
            if (x >= start - 2 && x <= start + 1) return BlockHit{k, BlockHit::Part::kLeftEdge};
            if (x >= end - 1 && x <= end + 2) return BlockHit{k, BlockHit::Part::kRightEdge};
        }
        if (x >= start + 2 && x <= end - 2) return BlockHit{k, BlockHit::Part::kBody};
    }
    return std::nullopt;
}

}  // namespace velmora
