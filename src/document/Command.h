#pragma once
// One undoable edit of a document. A command captures what it needs when it
// is built, does its work in Apply and puts everything back in Revert; both
// report what they changed so the document can recompile and notify once.
//
// Thread contract: owner (UI or CLI main) thread only, through the document
// that runs it.

#include <cstdint>
#include <string>
#include <vector>

namespace velmora {

// What an applied or reverted command changed, for recompiling and for the
// views that listen.
struct Change {
    enum What : std::uint32_t {
        kNothing = 0,
        kBlocks = 1u << 0,     // block positions, rows or fields
        kBlockList = 1u << 1,  // blocks added or removed
        kLayers = 1u << 2,     // layer bindings or names
        kArmed = 1u << 3,      // the armed row (view state, not stored)
        kScale = 1u << 4,      // the timeline scale
        kLocks = 1u << 5,      // m_bLocked flags (not stored)
        kSprings = 1u << 6,    // spring fields or the spring list
        kGroups = 1u << 7,     // group fields, members or the group list
        kChannels = 1u << 8,   // the channel table
        kSettings = 1u << 9,   // scene-wide settings
        kSelection = 1u << 10, // the document's selection
        kTracks = 1u << 11,    // motor tracks rebuilt on request, nothing else changed
        kAssets = 1u << 12,    // the asset files a block names (its properties)
        kAll = 0xFFFFFFFFu,
    };

    std::uint32_t what = kNothing;
    // Motor tracks are rebuilt for these springs (IDs); `allTracks` rebuilds
    // every spring's, as a whole-show compile does.
    std::vector<std::int32_t> springs;
    bool allTracks = false;

    bool empty() const { return what == kNothing; }
    static Change Of(std::uint32_t what) {
        Change change;
        change.what = what;
        return change;
    }
    Change& operator|=(const Change& other);
};

class Command {
public:
    virtual ~Command() = default;

    // Does the edit. A command that finds nothing to do returns an empty
    // change and is then not kept on the undo stack.
    virtual Change Apply() = 0;
    // Undoes exactly what the last Apply did.
    virtual Change Revert() = 0;
    // The text of the Edit menu's "Undo <text>" / "Redo <text>".
    virtual std::string Text() const = 0;
    // Whether the edit changes what the file stores. View state (the armed
    // row, locks, the selection) does not, so it never marks the document
    // modified, though it can be undone like any other step.
    virtual bool ChangesFile() const { return true; }

    // Consecutive steps of one gesture (a drag, arrow-key moves of the same
    // selection) carry the same non-zero key; the stack asks the older
    // command to take the newer one in. True when it did: the newer one is
    // then dropped, its effect already applied and now part of this one.
    virtual std::uint64_t MergeKey() const { return 0; }
    virtual bool MergeWith(Command& newer) {
        (void)newer;
        return false;
    }
};

}  // namespace velmora
