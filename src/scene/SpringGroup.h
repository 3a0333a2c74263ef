#pragma once
// A named set of springs that timeline layers and hand panels address.

#include <array>
#include <cstdint>
#include <string>

#include "scene/Colour.h"

namespace velmora {

struct CSpringGroup {
    static constexpr std::size_t kMaxChildren = 500;   // size of the member array
    static constexpr std::size_t kEditableChildren = 450;  // what the editors allow
    static constexpr std::size_t kNameBuffer = 256;

    std::int32_t m_nManualState = -1;
    std::int32_t m_nAppliedState = 0;
    COLORREF color = 65280;
    std::int32_t ID = -1;
    std::int32_t childCount = 0;
    std::string name;
    std::array<std::int32_t, kMaxChildren> children{};
    std::int32_t bSpecialBTN = 0;
    std::int32_t initX = 0;
    std::int32_t initY = 0;
    std::int32_t BLOCKID = -1;
    std::string COMID;
    std::int32_t nPreTime = 0;
    std::int32_t bMannual = 0;
};

}  // namespace velmora
