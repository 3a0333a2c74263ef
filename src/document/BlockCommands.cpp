#include "document/BlockCommands.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <mutex>

#include "document/ShowDocument.h"
#include "engine/AssetCaches.h"

namespace velmora {

namespace {

bool IsRotation(const TimeBlock& block) {
    return block.nSpecicalType == kActionRotateZ || block.nSpecicalType == kActionRotateY;
}

}  // namespace

// --- PlaceBlocksCommand ----------------------------------------------------

PlaceBlocksCommand::PlaceBlocksCommand(ShowDocument& doc, std::vector<Item> items, std::string text,
                                       std::uint64_t mergeKey)
    : doc_(doc), items_(std::move(items)), text_(std::move(text)), mergeKey_(mergeKey) {}

Change PlaceBlocksCommand::Put(bool after) {
    std::vector<TimeBlock>& blocks = doc_.show().blocks;
    Change change;
    bool moved = false;
    {
        std::lock_guard lock(doc_.outputLock());
        for (const Item& item : items_) {
            TimeBlock& block = blocks[item.index];
            const BlockPlace& place = after ? item.after : item.before;
            if (BlockPlace{block.start, block.end, block.cannel} == place) continue;
            moved = true;
            // A rotation block's tracks change on the row it leaves and on the
            // row it reaches.
            if (IsRotation(block)) {
                doc_.AddRowSprings(block.cannel, change.springs);
                if (place.cannel != block.cannel) doc_.AddRowSprings(place.cannel, change.springs);
            }
            block.start = place.start;
            block.end = place.end;
            block.cannel = place.cannel;
        }
    }
    if (moved) change.what = Change::kBlocks;
    return change;
}

bool PlaceBlocksCommand::MergeWith(Command& newer) {
    auto* other = dynamic_cast<PlaceBlocksCommand*>(&newer);
    if (other == nullptr || other->items_.size() != items_.size()) return false;
    for (std::size_t i = 0; i < items_.size(); ++i)
        if (other->items_[i].index != items_[i].index) return false;
    for (std::size_t i = 0; i < items_.size(); ++i) items_[i].after = other->items_[i].after;
    return true;
}

// --- AddBlocksCommand --------------------------------------------------------

AddBlocksCommand::AddBlocksCommand(ShowDocument& doc, std::vector<TimeBlock> blocks, std::string text, bool select)
    : doc_(doc), blocks_(std::move(blocks)), text_(std::move(text)), select_(select) {}

Change AddBlocksCommand::Apply() {
    if (blocks_.empty()) return {};
    Change change;
    change.what = Change::kBlockList;
    for (const TimeBlock& block : blocks_) doc_.AddBlockSprings(block, change.springs);
    {
        std::lock_guard lock(doc_.outputLock());
        std::vector<TimeBlock>& list = doc_.show().blocks;
        list.insert(list.end(), blocks_.begin(), blocks_.end());
    }
    if (select_) {
        formerSelection_ = doc_.selection().serials();
        doc_.selection().Clear();
        for (const TimeBlock& block : blocks_) doc_.selection().Add(block);
        change.what |= Change::kSelection;
    }
    return change;
}

Change AddBlocksCommand::Revert() {
    Change change;
    change.what = Change::kBlockList;
    for (const TimeBlock& block : blocks_) doc_.AddBlockSprings(block, change.springs);
    {
        std::lock_guard lock(doc_.outputLock());
        std::vector<TimeBlock>& list = doc_.show().blocks;
        list.erase(list.end() - static_cast<std::ptrdiff_t>(blocks_.size()), list.end());
    }
    if (select_) {
        doc_.selection().Assign(formerSelection_);
        change.what |= Change::kSelection;
    } else {
        for (const TimeBlock& block : blocks_) doc_.selection().Remove(block);
    }
    return change;
}

// --- DeleteBlocksCommand -----------------------------------------------------

DeleteBlocksCommand::DeleteBlocksCommand(ShowDocument& doc, std::vector<std::size_t> indices, std::string text)
    : doc_(doc), indices_(std::move(indices)), text_(std::move(text)) {
    std::sort(indices_.begin(), indices_.end());
    indices_.erase(std::unique(indices_.begin(), indices_.end()), indices_.end());
}

Change DeleteBlocksCommand::Apply() {
    std::vector<TimeBlock>& list = doc_.show().blocks;
    std::erase_if(indices_, [&list](std::size_t i) { return i >= list.size(); });
    if (indices_.empty()) return {};
    Change change;
    change.what = Change::kBlockList;
    removed_.clear();
    removed_.reserve(indices_.size());
    for (const std::size_t i : indices_) {
        removed_.push_back(list[i]);
        doc_.AddBlockSprings(list[i], change.springs);
        doc_.selection().Remove(list[i]);
    }
    // The new list is built aside from copies (the engine may be reading
    // the old one) and swapped in under the lock.
    std::vector<TimeBlock> kept;
    kept.reserve(list.size() - indices_.size());
    std::size_t next = 0;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (next < indices_.size() && indices_[next] == i) {
            ++next;
            continue;
        }
        kept.push_back(list[i]);
    }
    {
        std::lock_guard lock(doc_.outputLock());
        list.swap(kept);
    }
    return change;  // the old list is freed here, outside the lock
}

Change DeleteBlocksCommand::Revert() {
    std::vector<TimeBlock>& list = doc_.show().blocks;
    Change change;
    change.what = Change::kBlockList;
    std::vector<TimeBlock> restored;
    restored.reserve(list.size() + removed_.size());
    std::size_t from = 0;
    for (std::size_t k = 0; k < indices_.size(); ++k) {
        while (restored.size() < indices_[k] && from < list.size()) restored.push_back(list[from++]);
        restored.push_back(removed_[k]);
        doc_.AddBlockSprings(removed_[k], change.springs);
    }
    while (from < list.size()) restored.push_back(list[from++]);
    {
        std::lock_guard lock(doc_.outputLock());
        list.swap(restored);
    }
    return change;
}

// --- LockBlocksCommand -------------------------------------------------------

LockBlocksCommand::LockBlocksCommand(ShowDocument& doc, std::vector<std::size_t> indices, bool locked,
                                     std::string text)
    : doc_(doc), indices_(std::move(indices)), locked_(locked), text_(std::move(text)) {
    const std::vector<TimeBlock>& list = doc_.show().blocks;
    std::erase_if(indices_, [&](std::size_t i) { return i >= list.size() || (list[i].m_bLocked != 0) == locked_; });
}

Change LockBlocksCommand::Apply() {
    if (indices_.empty()) return {};
    for (const std::size_t i : indices_) doc_.show().blocks[i].m_bLocked = locked_ ? 1 : 0;
    return Change::Of(Change::kLocks);
}

Change LockBlocksCommand::Revert() {
    if (indices_.empty()) return {};
    for (const std::size_t i : indices_) doc_.show().blocks[i].m_bLocked = locked_ ? 0 : 1;
    return Change::Of(Change::kLocks);
}

// --- BlockPropertiesCommand ----------------------------------------------------

BlockPropertiesCommand::BlockPropertiesCommand(ShowDocument& doc, std::size_t index, TimeBlock edited)
    : doc_(doc), index_(index), edited_(std::move(edited)), former_(doc.show().blocks.at(index)) {
    // The dialog edits a copy: it is still this block, with its serial.
    edited_.m_nSerial = former_.m_nSerial;
}

Change BlockPropertiesCommand::Put(const TimeBlock& value) {
    TimeBlock& block = doc_.show().blocks[index_];
    Change change;
    change.what = Change::kBlocks | Change::kAssets;
    doc_.AddBlockSprings(block, change.springs);
    doc_.AddBlockSprings(value, change.springs);

    // Files the operator may have edited are read again on next use. Every
    // other rotation block running one of these programs is recompiled too,
    // or its springs would keep the tracks of the program's old file.
    AssetCaches& caches = doc_.caches();
    std::vector<std::string> motors;
    for (const TimeBlock* b : std::array<const TimeBlock*, 2>{&block, &value}) {
        if (IsRotation(*b)) {
            for (const std::string* name : std::array<const std::string*, 3>{&b->szMotor, &b->szMotor1, &b->szMotor2})
                if (!name->empty()) motors.push_back(*name);
        }
        if (b->nSpecicalType == kActionFrame && !b->szFrame.empty()) caches.RemoveFrameAnimation(b->szFrame);
    }
    for (const std::string& name : motors) caches.RemoveMotorProgram(name);
    if (!motors.empty()) {
        for (const TimeBlock& other : doc_.show().blocks) {
            if (!IsRotation(other)) continue;
            const bool runs = std::any_of(motors.begin(), motors.end(), [&other](const std::string& name) {
                return other.szMotor == name || other.szMotor1 == name || other.szMotor2 == name;
            });
            if (runs) doc_.AddBlockSprings(other, change.springs);
        }
    }

    std::lock_guard lock(doc_.outputLock());
    block = value;
    return change;
}

}  // namespace velmora
