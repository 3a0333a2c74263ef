#pragma once
// The timeline's selected blocks, held by block serial so that a selection
// survives blocks being added, removed or put back by undo around it.
//
// Thread contract: owner thread only.

#include <cstddef>
#include <cstdint>
#include <span>
#include <unordered_set>
#include <vector>

#include "show/TimeBlock.h"

namespace velmora {

class BlockSelection {
public:
    bool Contains(const TimeBlock& block) const { return serials_.contains(block.m_nSerial); }
    void Add(const TimeBlock& block) { serials_.insert(block.m_nSerial); }
    void Remove(const TimeBlock& block) { serials_.erase(block.m_nSerial); }
    void Clear() { serials_.clear(); }
    bool Empty() const { return serials_.empty(); }

    // Indices of the selected blocks of `blocks`, in list order.
    std::vector<std::size_t> Indices(std::span<const TimeBlock> blocks) const;
    std::size_t Count(std::span<const TimeBlock> blocks) const;

    // The serials as they are, for putting a selection back as it was.
    const std::unordered_set<std::int32_t>& serials() const { return serials_; }
    void Assign(std::unordered_set<std::int32_t> serials) { serials_ = std::move(serials); }

private:
    std::unordered_set<std::int32_t> serials_;
};

}  // namespace velmora
