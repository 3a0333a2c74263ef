#pragma once
// The order in which the members of a layer's group take a block's action
// (the block's nTakeOrder), shared by the show compiler and the real-time
// engine. Step s of the order holds one member, or two that act together
// (blossom and gather pair members around the middle); both members of a
// pair share the step index s, which sets their delay.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scene/Spring.h"
#include "scene/SpringGroup.h"

namespace velmora {

// Member IDs of one step; B is meaningful only when `paired`.
struct TakeStep {
    std::int32_t A = 0;
    std::int32_t B = 0;
    bool paired = false;
};

// Positions (indices into the member list) of one step.
struct TakePositions {
    std::size_t first = 0;
    std::size_t second = 0;
    bool paired = false;
};

// The members of a group that take part: childCount bounded to the member array.
std::size_t MemberCount(const CSpringGroup& group);

// Steps of an order over n members: n for forward, reverse and unknown
// codes; ceil(n/2) for blossom, gather and odd positions; 2n for back and
// forth; floor(n/2) for even positions. A one-member group takes one step in
// every order but 6 (even positions), which has none.
std::size_t TakeStepCount(std::size_t n, std::int32_t takeOrder);

// The member positions of step s (s < TakeStepCount(n, takeOrder)); lets the
// engine walk an order without building it.
TakePositions TakeStepPositions(std::size_t n, std::int32_t takeOrder, std::size_t s);

// The whole order of a group, into `steps` (cleared first; its capacity is
// reused, so a caller that keeps the vector does not allocate per call).
void BuildTakeOrder(const CSpringGroup& group, std::int32_t takeOrder, std::vector<TakeStep>& steps);
// A single spring is its own order, whatever the take order.
void BuildTakeOrder(const CSpring& spring, std::vector<TakeStep>& steps);

}  // namespace velmora
