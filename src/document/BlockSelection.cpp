#include "document/BlockSelection.h"

namespace velmora {

std::vector<std::size_t> BlockSelection::Indices(std::span<const TimeBlock> blocks) const {
    std::vector<std::size_t> indices;
    if (serials_.empty()) return indices;
    for (std::size_t i = 0; i < blocks.size(); ++i)
        if (Contains(blocks[i])) indices.push_back(i);
    return indices;
}

std::size_t BlockSelection::Count(std::span<const TimeBlock> blocks) const {
    if (serials_.empty()) return 0;
    std::size_t count = 0;
    for (const TimeBlock& block : blocks) count += Contains(block) ? 1 : 0;
    return count;
}

}  // namespace velmora
