#include "engine/MusicLevel.h"

#include <cmath>

namespace velmora {

std::int32_t MusicLevel(const SpectrumList& records, double position, double length) {
    const std::size_t n = records.size();
    // A zero or negative length would divide by zero and pick no sensible
    // starting record; there is no running entry to follow then.
    if (n == 0 || !(length > 0.0) || !std::isfinite(position)) return 0;
    const double start = std::trunc(position / length * static_cast<double>(n));
    if (!(start >= 0.0) || start >= static_cast<double>(n)) return 0;
    auto i = static_cast<std::size_t>(start);
    if (position > records[i].time) {
        while (i + 1 < n && records[i].time < position) ++i;
    } else {
        while (i > 0 && records[i].time > position) --i;
    }
    const double level = std::trunc(2.0 * records[i].level);
    if (!(level >= 0.0)) return 0;  // negative or NaN loudness
    return level >= 129.0 ? 128 : static_cast<std::int32_t>(level);
}

std::int32_t MusicLevel(const PlaybackState& playback) {
    const auto records = playback.Records();
    return MusicLevel(*records, playback.m_dPlayPos.load(), playback.m_dLength.load());
}

}  // namespace velmora
