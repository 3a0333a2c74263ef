#pragma once
// The timeline's edits of the block list. Each keeps what it needs to put
// the list back exactly; the undo stack runs them in order, so the list a
// command reverts is always the one it left, and indices stay valid.
//
// Thread contract: owner thread only; each takes the output lock while it
// changes what the engine reads.

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "document/Command.h"
#include "show/TimeBlock.h"

namespace velmora {

class ShowDocument;

// Where a block sits: the fields a drag, an arrow key or a resize changes.
struct BlockPlace {
    float start = 0.0f;
    float end = 0.0f;
    std::int32_t cannel = 0;
    bool operator==(const BlockPlace&) const = default;
};

// Moves or resizes blocks: each listed block goes from `before` to `after`.
class PlaceBlocksCommand final : public Command {
public:
    struct Item {
        std::size_t index;
        BlockPlace before;
        BlockPlace after;
    };
    PlaceBlocksCommand(ShowDocument& doc, std::vector<Item> items, std::string text, std::uint64_t mergeKey);

    Change Apply() override { return Put(true); }
    Change Revert() override { return Put(false); }
    std::string Text() const override { return text_; }
    std::uint64_t MergeKey() const override { return mergeKey_; }
    // The same blocks in the same gesture: this step keeps its `before` and
    // takes the newer step's `after`.
    bool MergeWith(Command& newer) override;

private:
    Change Put(bool after);
    ShowDocument& doc_;
    std::vector<Item> items_;
    std::string text_;
    std::uint64_t mergeKey_;
};

// Appends blocks (a drawn, recorded, pasted or grid block); optionally they
// become the selection, and undo puts the former selection back.
class AddBlocksCommand final : public Command {
public:
    AddBlocksCommand(ShowDocument& doc, std::vector<TimeBlock> blocks, std::string text, bool select);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return text_; }

private:
    ShowDocument& doc_;
    std::vector<TimeBlock> blocks_;
    std::string text_;
    bool select_;
    std::unordered_set<std::int32_t> formerSelection_;
};

// Removes the blocks at the given indices (ascending); undo puts each back
// at its index with its serial.
class DeleteBlocksCommand final : public Command {
public:
    DeleteBlocksCommand(ShowDocument& doc, std::vector<std::size_t> indices, std::string text);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return text_; }

private:
    ShowDocument& doc_;
    std::vector<std::size_t> indices_;
    std::vector<TimeBlock> removed_;
    std::string text_;
};

// Sets or clears m_bLocked on the given blocks. View state: the file does
// not store locks, so this never marks the show modified.
class LockBlocksCommand final : public Command {
public:
    LockBlocksCommand(ShowDocument& doc, std::vector<std::size_t> indices, bool locked, std::string text);
    Change Apply() override;
    Change Revert() override;
    std::string Text() const override { return text_; }
    bool ChangesFile() const override { return false; }

private:
    ShowDocument& doc_;
    std::vector<std::size_t> indices_;  // only the blocks whose flag changes
    bool locked_;
    std::string text_;
};

// "属性": one block takes the dialog's fields; its motor programs or frame
// animation are dropped from the caches so that edited files are read again.
class BlockPropertiesCommand final : public Command {
public:
    BlockPropertiesCommand(ShowDocument& doc, std::size_t index, TimeBlock edited);
    Change Apply() override { return Put(edited_); }
    Change Revert() override { return Put(former_); }
    std::string Text() const override { return "属性"; }

private:
    Change Put(const TimeBlock& value);
    ShowDocument& doc_;
    std::size_t index_;
    TimeBlock edited_;
    TimeBlock former_;
};

}  // namespace velmora
