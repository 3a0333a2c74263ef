#pragma once
// COLORREF (red in the low byte, as the files and the engine keep colours)
// to and from Qt's colours; the byte order changes only here.
//
// Thread contract: none (pure functions).

#include <cstdint>

#include <QColor>

#include "scene/Colour.h"

namespace velmora {

inline QColor ToQColor(COLORREF c) { return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF)); }
inline COLORREF FromQColor(const QColor& c) {
    return MakeColour(static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
                      static_cast<std::uint8_t>(c.blue()));
}

}  // namespace velmora
