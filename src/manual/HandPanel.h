#pragma once
// The hand panel's logic, without its window: the watch/hand switch, the
// toggle of a group by hand, where each group's cell goes, and whether a
// group's request can reach its controllers.
//
// The panel only sets requests (the mode flag, the groups' and springs'
// HandRequest fields); the engine reads them on its next tick and publishes
// what it drove in its snapshot, which is what the panel reads back. Nothing
// here takes the output lock or writes an engine output.
//
// Thread contract: owner thread (the UI's), which is the only thread that
// edits the scene's lists, so groups and springs are looked up without the
// output lock. Every action names its group by ID; an ID the scene no longer
// holds does nothing.

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "comm/ChannelHealth.h"
#include "engine/EngineSnapshot.h"
#include "scene/ChannelInfo.h"
#include "scene/Scene.h"

namespace velmora {

class CModbusTCPThread;

inline constexpr int kHandCellSize = 60;
inline constexpr int kHandScrollBarWidth = 20;
inline constexpr int kHandToolBarHeight = 28;
inline constexpr int kHandNameOffset = 42;      // the group's name, below the cell's top
inline constexpr std::int32_t kHandOnLevel = 100;
inline constexpr COLORREF kHandOnColour = 255;  // pure red

// The pane's mode as its tool-bar states use it.
enum class HandPanelMode : std::int32_t { Watch = 0, Hand = 2 };

// One cell of the grid, in content coordinates (before scrolling).
struct HandCellPlace {
    int left = 0;
    int top = 0;
};

// Where the cells of `count` groups go in a pane `clientWidth` wide (scroll
// bar included): 60-pixel cells left to right, a new row once the next cell
// would start past clientWidth - 60. None at all below 60 pixels.
std::vector<HandCellPlace> HandCellPlaces(int count, int clientWidth);

// How high the grid is drawn and scrolled: a row per (clientWidth - 20) / 60
// groups plus one, never lower than the visible height. Generous by design
// (the wrap rule fits at least that many per row), so no cell is cut off.
int HandContentHeight(int count, int clientWidth, int visibleHeight);

// The link state of each channel 1..100 (index n - 1), as its sender reports
// it, a connection not yet proven by an exchange reading as Connecting.
using ChannelStates = std::array<ChannelState, kChannelCount>;
ChannelStates ReadChannelStates(const std::array<CModbusTCPThread, kChannelCount>& senders);

// Whether every output a hand toggle of `group` drives (the group's switch,
// and each member's pump, valve and light) sits on a connected channel.
// Outputs without a channel (number outside 1..100 or no address) carry
// nothing and are not counted.
bool HandRequestDelivered(const Scene& scene, const CSpringGroup& group, const ChannelStates& channels);

// What one cell shows.
struct HandCellView {
    std::int32_t groupId = -1;
    std::string name;
    bool special = false;    // bSpecialBTN: its own look, live in watch mode too
    bool live = false;       // clicks act; otherwise the lock is drawn
    bool applied = false;    // the engine drove it by hand in its last published tick
    bool requested = false;  // a hand request (on or off) stands
    bool delivered = true;   // false: a request stands but a channel it needs is down
};

class HandPanel {
public:
    HandPanel(Scene& scene, std::atomic<std::int32_t>& handModeFlag);

    HandPanelMode mode() const { return mode_; }
    bool handMode() const { return mode_ == HandPanelMode::Hand; }

    // The tool bar's command: 0 = watch ("监视"), 1 = hand ("手操"); other
    // indices do nothing. Watch drops the requests of every group but the
    // special buttons, and the hand levels of the members it switched on
    // (unless a standing request still covers them).
    void SetMode(int index);

    // Whether a click on the group acts in the current mode.
    bool IsLive(const CSpringGroup& group) const;

    // Toggles group `groupId` by hand: on when the engine's last published
    // tick did not drive it, off when it did; members get the hand level and
    // colour (100, red) or 0. False when the group is gone or locked.
    bool Toggle(std::int32_t groupId, const EngineSnapshot* snapshot);

    // The engine's m_nAppliedState of the group in `snapshot` (0 without one).
    static std::int32_t AppliedState(const EngineSnapshot* snapshot, std::int32_t groupId);

    // The cells in scene order, from the engine's snapshot (may be null
    // before the first tick) and the channels' link states.
    std::vector<HandCellView> Cells(const EngineSnapshot* snapshot, const ChannelStates& channels) const;

private:
    bool CoveredByStandingRequest(std::int32_t springId) const;

    Scene& scene_;
    std::atomic<std::int32_t>& handModeFlag_;
    HandPanelMode mode_ = HandPanelMode::Watch;
};

}  // namespace velmora
