#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/PlaybackView.h"

namespace velmora {
namespace {

TEST(PlaybackView, StripThumbCoversTheVisibleShareAndStaysInside) {
    // A 100 s entry at 50 ms per pixel is 2000 pixels; a 500-pixel strip
    // shows a quarter of it at a time.
    const double content = TimelineWidth(100000.0, 50);
    EXPECT_DOUBLE_EQ(content, 2000.0);
    StripThumb thumb = StripThumbOf(400, content, 500);
    EXPECT_DOUBLE_EQ(thumb.ratio, 4.0);
    EXPECT_DOUBLE_EQ(thumb.width, 125.0);
    EXPECT_DOUBLE_EQ(thumb.left, 100.0);
    EXPECT_EQ(thumb.offset, 400);

    // An offset past the end is pulled back to the last whole view.
    thumb = StripThumbOf(1900, content, 500);
    EXPECT_DOUBLE_EQ(thumb.left, 375.0);
    EXPECT_EQ(thumb.offset, 1500);

    // A timeline that fits is shown whole: the thumb fills the strip.
    thumb = StripThumbOf(30, TimelineWidth(10000.0, 50), 500);
    EXPECT_DOUBLE_EQ(thumb.ratio, 1.0);
    EXPECT_DOUBLE_EQ(thumb.width, 500.0);
    EXPECT_EQ(thumb.offset, 0);

    EXPECT_EQ(StripThumbOf(-20, content, 500).offset, 0);
    EXPECT_EQ(StripThumbOf(10, content, 0).offset, 0);
    EXPECT_DOUBLE_EQ(TimelineWidth(100000.0, 0), 0.0);
}

TEST(PlaybackView, StripAndWaveMapBetweenPixelsAndTimes) {
    // The thumb drawn for the offset a drag gave sits where it was dragged.
    const StripThumb thumb = StripThumbOf(0, 2000.0, 500);
    EXPECT_DOUBLE_EQ(StripThumbOf(OffsetForThumbAt(75.0, thumb, 500), 2000.0, 500).left, 75.0);
    // The mark of a position and the seek at the mark agree; clicks past the ends stay inside.
    EXPECT_DOUBLE_EQ(StripSeekMs(StripMarkX(37000.0, 100000.0, 500), 500, 100000.0), 37000.0);
    EXPECT_DOUBLE_EQ(StripSeekMs(600.0, 500, 100000.0), 100000.0);
    EXPECT_DOUBLE_EQ(StripSeekMs(10.0, 0, 100000.0), 0.0);
    EXPECT_DOUBLE_EQ(StripMarkX(5000.0, 0.0, 500), 0.0);
}

TEST(PlaybackView, FollowingThePlayheadCentresItOnlyWhenItLeavesTheView) {
    // The view's edges: the left one is inside, the right one outside.
    EXPECT_EQ(FollowPlayhead(0.0, 0, 400, 4000.0), 0);
    EXPECT_EQ(FollowPlayhead(400.0, 0, 400, 4000.0), 200);
    // Left of the view (a seek back).
    EXPECT_EQ(FollowPlayhead(100.0, 800, 400, 4000.0), 0);
    EXPECT_EQ(FollowPlayhead(500.0, 800, 400, 4000.0), 300);
    // Never beyond the end, never before the start.
    EXPECT_EQ(FollowPlayhead(3950.0, 0, 400, 4000.0), 3600);
    EXPECT_EQ(FollowPlayhead(9000.0, 0, 400, 4000.0), 3600);
    EXPECT_EQ(FollowPlayhead(500.0, 0, 400, 300.0), 0);
    EXPECT_EQ(FollowPlayhead(NAN, 120, 400, 4000.0), 120);
}

TEST(PlaybackView, PositionTextShowsMinutesSecondsAndTheEngineFigures) {
    EXPECT_EQ(PositionText(65023.6, 21.5f, 42, 0.25f), "1:5.023 [21.500000][42][0.2]");
    EXPECT_EQ(PositionText(0.0, 0.0f, 0, 0.0f), "0:0.000 [0.000000][0][0.0]");
    EXPECT_EQ(PositionText(3599999.0, 1.0f, 7, 3.0f), "59:59.999 [1.000000][7][3.0]");
    EXPECT_EQ(PositionText(-40.0, 1.0f, 7, 3.0f).substr(0, 7), "0:0.000");
}

}  // namespace
}  // namespace velmora
