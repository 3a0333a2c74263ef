#pragma once
// The music level at the show position: the loudness of the spectrum record
// nearest the position (walking from an index proportional to the position),
// doubled and capped at the 0..128 level scale.
//
// Thread contract: any thread; pure.

#include <cstdint>

#include "engine/PlaybackState.h"

namespace velmora {

// 0 when there are no records, when the length is not positive (no entry
// running) or when the position does not map to a record.
std::int32_t MusicLevel(const SpectrumList& records, double position, double length);

// The same for the playback clock's current position, length and records.
std::int32_t MusicLevel(const PlaybackState& playback);

}  // namespace velmora
