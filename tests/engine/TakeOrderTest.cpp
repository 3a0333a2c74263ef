#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/TakeOrder.h"
#include "show/TimeBlock.h"

namespace velmora {
namespace {

CSpringGroup GroupOf(int n) {
    CSpringGroup group;
    group.childCount = n;
    for (int i = 0; i < n; ++i) group.children[static_cast<std::size_t>(i)] = 100 + i;  // member i has ID 100+i
    return group;
}

// "a" for a lone member, "a+b" for a pair, member positions.
std::vector<std::string> Order(int n, int takeOrder) {
    std::vector<TakeStep> steps;
    BuildTakeOrder(GroupOf(n), takeOrder, steps);
    std::vector<std::string> out;
    for (const TakeStep& s : steps)
        out.push_back(s.paired ? std::to_string(s.A - 100) + "+" + std::to_string(s.B - 100)
                               : std::to_string(s.A - 100));
    return out;
}

using V = std::vector<std::string>;

TEST(TakeOrder, EvenGroupInEveryOrder) {
    EXPECT_EQ(Order(4, kTakeForward), (V{"0", "1", "2", "3"}));
    EXPECT_EQ(Order(4, kTakeReverse), (V{"3", "2", "1", "0"}));
    EXPECT_EQ(Order(6, kTakeBlossom), (V{"2+3", "1+4", "0+5"}));
    EXPECT_EQ(Order(6, kTakeGather), (V{"5+0", "4+1", "3+2"}));
    EXPECT_EQ(Order(3, kTakeBackForth), (V{"0", "1", "2", "2", "1", "0"}));
    EXPECT_EQ(Order(6, kTakeOdd), (V{"0", "2", "4"}));
    EXPECT_EQ(Order(6, kTakeEven), (V{"1", "3", "5"}));
    EXPECT_EQ(Order(4, 7), Order(4, kTakeForward));
    EXPECT_EQ(Order(4, -1), Order(4, kTakeForward));
}

TEST(TakeOrder, OddGroupPutsTheMiddleFirstOrLast) {
    EXPECT_EQ(Order(5, kTakeBlossom), (V{"2", "1+3", "0+4"}));
    EXPECT_EQ(Order(5, kTakeGather), (V{"4+0", "3+1", "2"}));
    EXPECT_EQ(Order(5, kTakeOdd), (V{"0", "2", "4"}));
    EXPECT_EQ(Order(5, kTakeEven), (V{"1", "3"}));
}

TEST(TakeOrder, OneMemberOnceInEveryOrderButEvenPositions) {
    for (int order = 0; order <= 7; ++order) {
        if (order == kTakeEven) {
            EXPECT_TRUE(Order(1, order).empty());
        } else {
            EXPECT_EQ(Order(1, order), (V{"0"})) << "take order " << order;
        }
    }
    for (int order = 0; order <= 7; ++order) EXPECT_TRUE(Order(0, order).empty());
}

TEST(TakeOrder, StepCountsAndPositionsAgreeAndStayInRange) {
    for (std::size_t n = 0; n <= 40; ++n) {
        for (int order = -1; order <= 8; ++order) {
            const std::size_t count = TakeStepCount(n, order);
            std::vector<int> seen(n, 0);
            for (std::size_t s = 0; s < count; ++s) {
                const TakePositions p = TakeStepPositions(n, order, s);
                ASSERT_LT(p.first, n);
                ++seen[p.first];
                if (p.paired) {
                    ASSERT_LT(p.second, n);
                    ASSERT_NE(p.first, p.second);
                    ++seen[p.second];
                }
            }
            // Every order but odd/even positions visits every member (back and forth twice).
            if (order == kTakeOdd || order == kTakeEven) continue;
            const int times = (order == kTakeBackForth && n > 1) ? 2 : 1;
            for (std::size_t i = 0; i < n; ++i) EXPECT_EQ(seen[i], times) << "n " << n << " order " << order;
        }
    }
}

TEST(TakeOrder, DamagedMemberCountStaysInsideTheArray) {
    CSpringGroup group = GroupOf(3);
    group.childCount = 100000;
    std::vector<TakeStep> steps;
    BuildTakeOrder(group, kTakeReverse, steps);
    EXPECT_EQ(steps.size(), CSpringGroup::kMaxChildren);
    group.childCount = -5;
    BuildTakeOrder(group, kTakeForward, steps);
    EXPECT_TRUE(steps.empty());

    CSpring spring;
    spring.ID = 9042;
    BuildTakeOrder(spring, steps);
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0].A, 9042);
    EXPECT_FALSE(steps[0].paired);
}

}  // namespace
}  // namespace velmora
