#pragma once
// Where a point of the block area falls: on a block's body, on one of its
// edge handles, or on nothing. Coordinates are the timeline's content
// pixels (x along the show at its scale, y from the top of row 0), so the
// answer does not depend on scrolling.
//
// An unlocked block offers its body (start + 2 .. end - 2) and two edge
// handles (start - 2 .. start + 1 and end - 1 .. end + 2); a locked block
// offers its body alone, which is what keeps it from being resized.
//
// Thread contract: UI thread (reads the show, which only that thread changes).

#include <cstddef>
#include <optional>

#include "show/Show.h"

namespace velmora {

struct BlockHit {
    enum class Part { kBody, kLeftEdge, kRightEdge };
    std::size_t index = 0;
    Part part = Part::kBody;
};

// The topmost (last drawn) block under (x, y), if any.
std::optional<BlockHit> HitTestBlocks(const Show& show, double x, double y);

}  // namespace velmora
