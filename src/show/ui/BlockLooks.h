#pragma once
// How a block is shown: its bar colour and label by kind and light, and
// times as the timeline writes them. Shared by the drawing and by what
// assistive technology reads, so both say the same.
//
// Thread contract: UI thread.

#include <cmath>

#include <QColor>
#include <QString>

#include "show/Show.h"

namespace velmora {

struct BlockLook {
    QColor fill;
    const char* label;
};

// The bar colours and the label by the block's kind and light (selected
// bars are darker).
inline BlockLook LookOf(const TimeBlock& block, bool selected) {
    if (block.nSpecicalType == kActionRotateZ || block.nSpecicalType == kActionRotateY)
        return {selected ? QColor(50, 45, 100) : QColor(0, 85, 125),
                block.nSpecicalType == kActionRotateZ ? "Z" : "Y"};
    const bool light = !block.szLight.empty();
    if (light && block.bLightTogether == 0) return {selected ? QColor(149, 116, 0) : QColor(232, 180, 0), "L"};
    return {selected ? QColor(0, 72, 42) : QColor(0, 125, 63), light ? "L++" : ""};
}

// "%0.2d:%0.2d.%0.3d" of a time in ms.
inline QString TimeText(double ms) {
    const long long t = std::isfinite(ms) && ms > 0.0 ? static_cast<long long>(ms) : 0;
    return QString::asprintf("%02lld:%02lld.%03lld", t / 60000, t / 1000 % 60, t % 1000);
}

}  // namespace velmora
