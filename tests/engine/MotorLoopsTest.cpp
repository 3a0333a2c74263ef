#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "engine/MotorLoops.h"

namespace velmora {
namespace {

MotorBlock_struct Move(std::int32_t speed, std::int32_t pulses) { return {kMotorMove, speed, pulses, 0, 0}; }
MotorBlock_struct Rest(std::int32_t ms) { return {kMotorRest, ms, 0, 0, 0}; }
MotorBlock_struct LoopStart(std::int32_t count, std::int32_t dS = 0, std::int32_t dD = 0) {
    return {kMotorLoopStart, count, dS, dD, 0};
}
MotorBlock_struct LoopEnd() { return {kMotorLoopEnd, 0, 0, 0, 0}; }

std::vector<std::pair<int, int>> Moves(const std::vector<MotorBlock_struct>& steps) {
    std::vector<std::pair<int, int>> out;
    for (const auto& s : steps) out.emplace_back(s.p0, s.p1);
    return out;
}

bool Same(const std::vector<MotorBlock_struct>& a, const std::vector<MotorBlock_struct>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].Act != b[i].Act || a[i].p0 != b[i].p0 || a[i].p1 != b[i].p1 || a[i].p2 != b[i].p2) return false;
    return true;
}

TEST(MotorLoops, CountOneKeepsTheBodyAndDropsTheMarkers) {
    std::vector<MotorBlock_struct> steps{Rest(50), LoopStart(1, 10, 10), Move(100, 200), Rest(20), LoopEnd()};
    EXPECT_EQ(ExpandMotorLoops(steps), LoopResult::Ok);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[1].Act, kMotorMove);
    EXPECT_EQ(Moves(steps), (std::vector<std::pair<int, int>>{{50, 0}, {100, 200}, {20, 0}}));
}

TEST(MotorLoops, RepetitionsAccumulateIncrementsOnMovesOnly) {
    std::vector<MotorBlock_struct> steps{LoopStart(3, 10, 50), Move(100, 200), Rest(30), LoopEnd()};
    EXPECT_EQ(ExpandMotorLoops(steps), LoopResult::Ok);
    EXPECT_EQ(Moves(steps),
              (std::vector<std::pair<int, int>>{{100, 200}, {30, 0}, {110, 250}, {30, 0}, {120, 300}, {30, 0}}));
}

TEST(MotorLoops, IncrementKeepsSignFloorsAtZeroAndTreatsZeroAsNegative) {
    // Negative speed shrinking past zero stays at 0, never turns positive.
    std::vector<MotorBlock_struct> shrinking{LoopStart(3, -80, 0), Move(-100, 0), LoopEnd()};
    ExpandMotorLoops(shrinking);
    EXPECT_EQ(Moves(shrinking), (std::vector<std::pair<int, int>>{{-100, 0}, {-20, 0}, {0, 0}}));

    // Zero grows as a negative value.
    std::vector<MotorBlock_struct> fromZero{LoopStart(3, 10, 5), Move(0, 0), LoopEnd()};
    ExpandMotorLoops(fromZero);
    EXPECT_EQ(Moves(fromZero), (std::vector<std::pair<int, int>>{{0, 0}, {-10, -5}, {-20, -10}}));

    // A magnitude near the int range saturates instead of overflowing.
    MotorBlock_struct big = Move(2147483000, -2147483000);
    AdvanceLoopStep(big, 1000, 1000);
    EXPECT_EQ(big.p0, 2147483647);
    EXPECT_EQ(big.p1, -2147483647);
}

TEST(MotorLoops, LaterLoopEndClosesAnOuterStartInnermostFirst) {
    std::vector<MotorBlock_struct> steps{LoopStart(2, 1, 0), Move(10, 1), LoopStart(2, 100, 0), Move(20, 1),
                                         LoopEnd(), LoopEnd()};
    EXPECT_EQ(ExpandMotorLoops(steps), LoopResult::Ok);
    // Inner: 20, 120. Outer body then 10, 20, 120, repeated once with +1.
    EXPECT_EQ(Moves(steps),
              (std::vector<std::pair<int, int>>{{10, 1}, {20, 1}, {120, 1}, {11, 1}, {21, 1}, {121, 1}}));
}

TEST(MotorLoops, UnmatchedEndKeepsExpandedPrefixAndRawRemainder) {
    std::vector<MotorBlock_struct> steps{LoopStart(2), Move(5, 5), LoopEnd(), LoopEnd(), LoopStart(3), Move(7, 7),
                                         LoopEnd()};
    EXPECT_EQ(ExpandMotorLoops(steps), LoopResult::Unmatched);
    ASSERT_EQ(steps.size(), 6u);
    EXPECT_EQ(steps[0].Act, kMotorMove);
    EXPECT_EQ(steps[1].Act, kMotorMove);
    EXPECT_EQ(steps[2].Act, kMotorLoopEnd);
    EXPECT_EQ(steps[3].Act, kMotorLoopStart);
    EXPECT_EQ(steps[5].Act, kMotorLoopEnd);

    std::vector<MotorBlock_struct> unclosed{Move(1, 1), LoopStart(4), Move(2, 2)};
    EXPECT_EQ(ExpandMotorLoops(unclosed), LoopResult::Ok);
    EXPECT_EQ(unclosed.size(), 3u);
    EXPECT_EQ(unclosed[1].Act, kMotorLoopStart);
}

TEST(MotorLoops, OnePassMatchesRepeatedSingleExpansion) {
    std::mt19937 random(12345);
    const int acts[] = {kMotorRest, kMotorMove, kMotorMoveContinued, kMotorReset, kMotorLoopStart, kMotorLoopEnd};
    for (int round = 0; round < 3000; ++round) {
        std::vector<MotorBlock_struct> program(random() % 14);
        for (auto& s : program) {
            s.Act = acts[random() % 6];
            s.p0 = static_cast<int>(random() % 9) - 3;
            s.p1 = static_cast<int>(random() % 41) - 20;
            s.p2 = static_cast<int>(random() % 41) - 20;
        }
        std::vector<MotorBlock_struct> reference = program;
        LoopStep last;
        int guard = 0;
        while ((last = ExpandOneLoop(reference, 5000)) == LoopStep::Expanded) ASSERT_LT(++guard, 100);
        if (last == LoopStep::TooLong) continue;
        std::vector<MotorBlock_struct> fast = program;
        const LoopResult result = ExpandMotorLoops(fast, 5000);
        EXPECT_EQ(result, last == LoopStep::Unmatched ? LoopResult::Unmatched : LoopResult::Ok) << "round " << round;
        EXPECT_TRUE(Same(fast, reference)) << "round " << round;
    }
}

TEST(MotorLoops, HugeCountsAreCutToAPrefixOfTheExpansion) {
    std::vector<MotorBlock_struct> steps{Rest(1), LoopStart(2000000000, 1, 0), Move(10, 10), Rest(2), LoopEnd(),
                                         Rest(3)};
    EXPECT_EQ(ExpandMotorLoops(steps, 1001), LoopResult::TooLong);
    ASSERT_EQ(steps.size(), 1001u);
    EXPECT_EQ(steps[0].p0, 1);
    EXPECT_EQ(steps[999].p0, 10 + 499);  // the 500th repetition's move
    EXPECT_EQ(steps[1000].p0, 2);

    std::vector<MotorBlock_struct> one{LoopStart(2000000000), Move(1, 1), LoopEnd()};
    EXPECT_EQ(ExpandOneLoop(one, 1000), LoopStep::TooLong);
    EXPECT_EQ(one.size(), 3u);  // left as it was

    // An empty body repeats nothing, however large the count.
    std::vector<MotorBlock_struct> empty{LoopStart(2147483647), LoopEnd(), Move(1, 1)};
    EXPECT_EQ(ExpandMotorLoops(empty), LoopResult::Ok);
    EXPECT_EQ(empty.size(), 1u);
}

}  // namespace
}  // namespace velmora
