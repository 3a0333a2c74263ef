#pragma once
// The geometry the views of the playback clock share: the timeline's width
// at a scale, the progress strip's thumb over it, where clicks on the strip
// and the wave view seek to, how the view follows the playhead, and the
// wave view's position line. Timeline pixels are show milliseconds divided
// by the scale (ms per pixel); the horizontal offset is in timeline pixels.
//
// Thread contract: pure functions.

#include <cstdint>
#include <string>

namespace velmora {

// The timeline's width in pixels for an entry `lengthMs` long (0 for a
// scale below 1).
double TimelineWidth(double lengthMs, std::int32_t scale);

// Where the progress strip draws its thumb for a timeline `contentWidth`
// pixels wide shown `stripWidth` pixels at a time: the strip stands for the
// whole timeline, `ratio` (z, at least 1) timeline pixels per strip pixel.
struct StripThumb {
    double ratio = 1.0;         // z
    double left = 0.0;          // the thumb's left edge, strip pixels (o / z)
    double width = 0.0;         // w / z
    std::int32_t offset = 0;    // the horizontal offset, pulled back so the thumb stays inside
};
StripThumb StripThumbOf(std::int32_t offset, double contentWidth, std::int32_t stripWidth);

// The offset for the thumb dragged so its left edge is at `left`, kept
// inside the strip.
std::int32_t OffsetForThumbAt(double left, const StripThumb& thumb, std::int32_t stripWidth);

// A click at strip x: the show time there (x / w of the entry's length).
double StripSeekMs(double x, std::int32_t stripWidth, double lengthMs);
// The play position's mark on the strip.
double StripMarkX(double positionMs, double lengthMs, std::int32_t stripWidth);

// A click at wave-view x: the show time there.
double WaveSeekMs(double x, std::int32_t offset, std::int32_t scale);

// While the position moves: when the playhead (timeline pixels) is outside
// the visible width, the offset that puts it half a width from the left
// edge, never beyond the end of the timeline; otherwise `offset` unchanged.
std::int32_t FollowPlayhead(double playheadUnits, std::int32_t offset, std::int32_t visibleWidth,
                            double contentWidth);

// "%d:%d.%0.3d [%f][%d][%0.1f]": the position's minutes, seconds and
// milliseconds, the engine's last tick period, its tick count and lateness.
std::string PositionText(double positionMs, float tickPeriodMs, std::uint64_t ticks, float latenessMs);

}  // namespace velmora
