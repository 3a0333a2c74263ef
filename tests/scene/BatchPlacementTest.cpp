#include "scene/BatchPlacement.h"

#include <gtest/gtest.h>

#include <vector>

namespace velmora {
namespace {

std::vector<BatchPoint> Points(const BatchSettings& settings) {
    return PlaceBatch(settings, 1'000'000).points;
}

BatchSettings Circle(std::int32_t count, std::int32_t width, std::int32_t height) {
    return BatchSettings{5, count, true, width, height};
}

TEST(BatchPlacement, MatrixGoesRowByRowWithIntegerDivisions) {
    const BatchPlacement placed = PlaceBatch(BatchSettings{3, 2, false, 100, 100}, 100);
    EXPECT_EQ(placed.points, (std::vector<BatchPoint>{{100, 100}, {133, 100}, {166, 100},
                                                       {100, 150}, {133, 150}, {166, 150}}));
    EXPECT_EQ(placed.initX, 3);
    EXPECT_EQ(placed.initY, 2);
}

TEST(BatchPlacement, CircleStartsAtTheBottomAndTruncatesWithThreePointOneFour) {
    const BatchPlacement four = PlaceBatch(Circle(4, 100, 100), 100);
    EXPECT_EQ(four.points, (std::vector<BatchPoint>{{150, 200}, {199, 149}, {150, 100}, {100, 150}}));
    EXPECT_EQ(four.initX, 0);
    EXPECT_EQ(four.initY, 0);
    EXPECT_EQ(Points(Circle(8, 100, 100)),
              (std::vector<BatchPoint>{{150, 200}, {185, 185}, {199, 149}, {185, 114},
                                       {150, 100}, {114, 114}, {100, 150}, {114, 185}}));
}

TEST(BatchPlacement, AnEllipseScalesTheHeightByHOverW) {
    const auto round = Points(Circle(8, 200, 200));
    const auto flat = Points(Circle(8, 200, 100));
    ASSERT_EQ(round.size(), flat.size());
    for (std::size_t k = 0; k < round.size(); ++k) {
        EXPECT_EQ(flat[k].x, round[k].x);
        EXPECT_EQ(flat[k].y - 100, (round[k].y - 100) / 2) << k;
    }
    EXPECT_EQ(flat[0], (BatchPoint{200, 200}));
}

TEST(BatchPlacement, NothingIsPlacedForEmptyOrOversizedRequests) {
    EXPECT_EQ(BatchCount(BatchSettings{0, 5, false, 100, 100}), 0);
    EXPECT_EQ(BatchCount(BatchSettings{0, 5, true, 100, 100}), 5);  // a circle has no rows
    EXPECT_EQ(BatchCount(BatchSettings{5, 5, true, 0, 100}), 0);
    EXPECT_EQ(BatchCount(BatchSettings{5, 5, false, 100, -1}), 0);
    EXPECT_EQ(BatchCount(BatchSettings{100000, 100000, false, 100, 100}), 10'000'000'000);
    EXPECT_TRUE(PlaceBatch(BatchSettings{100000, 100000, false, 100, 100}, 100000).points.empty());
    EXPECT_TRUE(PlaceBatch(BatchSettings{1, 0, true, 100, 100}, 100).points.empty());
    // Extents at the top of the range neither overflow nor wrap.
    const auto wide = Points(BatchSettings{2, 1, false, INT32_MAX, INT32_MAX});
    ASSERT_EQ(wide.size(), 2u);
    EXPECT_EQ(wide[1].x, INT32_MAX / 2 + 100);
}

}  // namespace
}  // namespace velmora
