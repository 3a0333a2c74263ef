#pragma once
// What the group debug panel asks of a group and its member springs, one
// object per open panel: the member selection (the panel's own view state,
// kept here rather than in the springs), the level slider's maths, the
// level, colour and group switch requests, and the reset.
//
// Every request goes to the hand-request fields (HandRequest) that the
// engine reads on its next tick; nothing else of a record is written.
// Members are looked up by ID at every action, so a spring or group that
// left the scene meanwhile is skipped and a stale group does nothing.
//
// Thread contract: owner thread (the UI's), the one that edits the scene;
// it reads the scene without the output lock and the engine's outputs only
// from a published snapshot.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "scene/Colour.h"

namespace velmora {

class Scene;
struct CSpring;
struct CSpringGroup;
struct EngineSnapshot;

// One member as the panel draws it: what the engine did with it last tick.
struct DebugMemberView {
    std::int32_t id = -1;
    bool selected = false;
    bool lit = false;          // driven in the snapshot's tick
    std::int32_t outLevel = 0; // 0..128
    COLORREF colour = 0;
};

enum class ColourChannel { Red = 0, Green = 1, Blue = 2 };

class GroupDebug {
public:
    static constexpr std::int32_t kMaxLevel = 128;
    static constexpr std::int32_t kOnLevel = 100;
    // Slider geometry in the tool area: the knob's top edge is at
    // kKnobBottom - level; a drag reads the level back from where the
    // knob's top would be, kTravelTop being level 128.
    static constexpr int kKnobBottom = 158;
    static constexpr int kTravelTop = 30;

    GroupDebug(Scene& scene, std::int32_t groupId);

    std::int32_t groupId() const { return groupId_; }
    // The group, or nullptr once it left the scene.
    const CSpringGroup* Group() const;

    // Reads the group's member list again. The selection follows the
    // members by ID, so an edit of the group keeps what is still there.
    // The panel calls it on its refresh; between two calls the indices stay
    // those it drew, and actions skip members that left the scene.
    void Sync();

    // Member IDs in member order (springs that exist in the scene only).
    const std::vector<std::int32_t>& members() const { return members_; }
    std::size_t memberCount() const { return members_.size(); }
    bool IsSelected(std::size_t index) const;
    bool AnySelected() const;
    std::optional<std::size_t> anchor() const { return anchor_; }
    // The first selected member's ID, in member order.
    std::optional<std::int32_t> FirstSelectedId() const;

    // A click released over member `index`, with the Shift and Ctrl keys
    // as they were.
    void Click(std::size_t index, bool shift, bool ctrl);
    void SelectAll();
    void SelectNone();

    // The level the slider and the value box show: the first selected
    // member's hand level; nothing while nothing is selected.
    std::optional<std::int32_t> ShownLevel() const;
    // The knob's top edge; no knob while nothing is selected.
    std::optional<int> KnobTop() const;
    // Slider drag: the press y (over the knob) fixes the grab offset, every
    // move sets the level of every selected member. A press while nothing
    // is selected starts no drag.
    bool BeginKnobDrag(int pressY);
    void DragKnobTo(int mouseY);
    void EndKnobDrag() { dragging_ = false; }
    bool dragging() const { return dragging_; }
    static std::int32_t LevelForKnobTop(int knobTop);

    // Every selected member's hand level (and its on flag, level > 0).
    void SetLevel(std::int32_t level);
    // "<" and ">": each selected member's own level, one step, within 0..128.
    void StepLevel(int delta);

    // The tool area's current colour, 0x00BBGGRR.
    COLORREF colour() const { return colour_; }
    bool ChannelOn(ColourChannel channel) const;
    // Makes `colour` current and gives it to every selected member.
    void SetColour(COLORREF colour);
    // One component between 0 and 255, then the colour to the selection.
    void ToggleChannel(ColourChannel channel);

    // The group's own switch: 1 on, 0 off.
    void SetGroupState(std::int32_t state);
    bool GroupStateOn() const;

    // Every member, selected or not: level 0, colour 0, off; and no selection.
    void Reset();

    // The members as the engine left them in `snapshot` (nullptr or a
    // snapshot of another scene: nothing lit).
    std::vector<DebugMemberView> Views(const EngineSnapshot* snapshot) const;
    // Whether the engine drives the first selected member's pump (level > 0).
    bool FirstSelectedOutputOn(const EngineSnapshot* snapshot) const;

private:
    CSpringGroup* FindGroup() const;
    CSpring* SpringOf(std::size_t index) const;
    template <class Fn>
    void ForEachSelected(Fn&& fn);
    static void ApplyLevel(CSpring& spring, std::int32_t level);
    const struct SpringSnapshot* SnapshotOf(std::int32_t id, const EngineSnapshot* snapshot) const;

    Scene& scene_;
    std::int32_t groupId_;
    std::vector<std::int32_t> members_;
    std::vector<char> selected_;  // parallel to members_
    std::optional<std::size_t> anchor_;
    COLORREF colour_ = 0;
    bool dragging_ = false;
    int grab_ = 0;
};

}  // namespace velmora
