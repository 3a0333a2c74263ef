#include "engine/TakeOrder.h"

#include <algorithm>

#include "show/TimeBlock.h"

namespace velmora {

std::size_t MemberCount(const CSpringGroup& group) {
    if (group.childCount <= 0) return 0;
    return std::min(static_cast<std::size_t>(group.childCount), group.children.size());
}

std::size_t TakeStepCount(std::size_t n, std::int32_t takeOrder) {
    if (n == 0) return 0;
    switch (takeOrder) {
        case kTakeBlossom:
        case kTakeGather:
        case kTakeOdd:
            return (n + 1) / 2;
        case kTakeBackForth:
            return n == 1 ? 1 : 2 * n;
        case kTakeEven:
            return n / 2;
        default:
            return n;
    }
}

TakePositions TakeStepPositions(std::size_t n, std::int32_t takeOrder, std::size_t s) {
    const std::size_t h = n / 2;
    const bool odd = n % 2 == 1;
    switch (takeOrder) {
        case kTakeReverse:
            return {n - 1 - s, 0, false};
        case kTakeBlossom:
            // From the middle outwards; an odd count starts with its middle member alone.
            if (odd) {
                if (s == 0) return {h, 0, false};
                return {h - s, h + s, true};
            }
            return {h - 1 - s, h + s, true};
        case kTakeGather:
            // The blossom's pairs from the ends inwards, the middle member last.
            if (odd && s == h) return {h, 0, false};
            return {n - 1 - s, s, true};
        case kTakeBackForth:
            return {s < n ? s : 2 * n - 1 - s, 0, false};
        case kTakeOdd:
            return {2 * s, 0, false};
        case kTakeEven:
            return {2 * s + 1, 0, false};
        default:
            return {s, 0, false};
    }
}

void BuildTakeOrder(const CSpringGroup& group, std::int32_t takeOrder, std::vector<TakeStep>& steps) {
    steps.clear();
    const std::size_t n = MemberCount(group);
    const std::size_t count = TakeStepCount(n, takeOrder);
    for (std::size_t s = 0; s < count; ++s) {
        const TakePositions p = TakeStepPositions(n, takeOrder, s);
        steps.push_back({group.children[p.first], p.paired ? group.children[p.second] : 0, p.paired});
    }
}

void BuildTakeOrder(const CSpring& spring, std::vector<TakeStep>& steps) {
    steps.clear();
    steps.push_back({spring.ID, 0, false});
}

}  // namespace velmora
