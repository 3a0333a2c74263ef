#include "document/Command.h"

namespace velmora {

Change& Change::operator|=(const Change& other) {
    what |= other.what;
    springs.insert(springs.end(), other.springs.begin(), other.springs.end());
    allTracks = allTracks || other.allTracks;
    return *this;
}

}  // namespace velmora
