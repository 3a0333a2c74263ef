#include "engine/PlaybackView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace velmora {

namespace {

std::int32_t ToOffset(double pixels) {
    if (!std::isfinite(pixels) || pixels <= 0.0) return 0;
    return pixels >= 2147483647.0 ? 2147483647 : static_cast<std::int32_t>(pixels);
}

}  // namespace

double TimelineWidth(double lengthMs, std::int32_t scale) {
    if (scale < 1 || !std::isfinite(lengthMs) || lengthMs <= 0.0) return 0.0;
    return lengthMs / scale;
}

StripThumb StripThumbOf(std::int32_t offset, double contentWidth, std::int32_t stripWidth) {
    StripThumb thumb;
    if (stripWidth <= 0) return thumb;
    const double w = stripWidth;
    // A timeline narrower than the strip is shown whole: the thumb fills it.
    thumb.ratio = std::isfinite(contentWidth) && contentWidth > w ? contentWidth / w : 1.0;
    thumb.width = w / thumb.ratio;
    thumb.offset = std::max(offset, 0);
    thumb.left = thumb.offset / thumb.ratio;
    const double last = w - thumb.width;
    if (thumb.left > last) {
        thumb.offset = ToOffset(thumb.ratio * last);
        thumb.left = last;
    }
    return thumb;
}

std::int32_t OffsetForThumbAt(double left, const StripThumb& thumb, std::int32_t stripWidth) {
    const double last = std::max(0.0, stripWidth - thumb.width);
    if (!std::isfinite(left)) return thumb.offset;
    return ToOffset(thumb.ratio * std::clamp(left, 0.0, last));
}

double StripSeekMs(double x, std::int32_t stripWidth, double lengthMs) {
    if (stripWidth <= 0) return 0.0;
    return std::clamp(x, 0.0, static_cast<double>(stripWidth)) / stripWidth * lengthMs;
}

double StripMarkX(double positionMs, double lengthMs, std::int32_t stripWidth) {
    if (!(lengthMs > 0.0) || !std::isfinite(positionMs)) return 0.0;
    return positionMs / lengthMs * stripWidth;
}

double WaveSeekMs(double x, std::int32_t offset, std::int32_t scale) {
    return (x + offset) * scale;
}

std::int32_t FollowPlayhead(double playheadUnits, std::int32_t offset, std::int32_t visibleWidth,
                            double contentWidth) {
    if (visibleWidth <= 0 || !std::isfinite(playheadUnits)) return offset;
    const double x = playheadUnits - offset;
    if (x >= 0.0 && x < visibleWidth) return offset;
    const double last = std::max(0.0, (std::isfinite(contentWidth) ? contentWidth : 0.0) - visibleWidth);
    return ToOffset(std::clamp(playheadUnits - visibleWidth / 2.0, 0.0, last));
}

std::string PositionText(double positionMs, float tickPeriodMs, std::uint64_t ticks, float latenessMs) {
    const long long ms = std::isfinite(positionMs) && positionMs > 0.0 ? static_cast<long long>(positionMs) : 0;
    char text[128];
    std::snprintf(text, sizeof text, "%lld:%lld.%.3lld [%f][%llu][%0.1f]", ms / 60000, ms / 1000 % 60, ms % 1000,
                  static_cast<double>(tickPeriodMs), static_cast<unsigned long long>(ticks),
                  static_cast<double>(latenessMs));
    return text;
}

}  // namespace velmora
