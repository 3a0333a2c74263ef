#pragma once
// A named set of springs that timeline layers and hand panels address.
//
// Thread contract, one writer per field: the stored fields belong to the
// owner thread (UI or CLI main), which edits them under the output lock
// while the engine runs. m_nManualState is the hand panel's request, set on
// the owner thread without the lock and read by the engine once per tick.
// m_nAppliedState is the engine's output, written inside its tick under
// the output lock; the panels read it under that lock (or from the
// engine's published snapshot) and never write it.

#include <array>
#include <cstdint>
#include <string>

#include "scene/Colour.h"
#include "scene/HandRequest.h"

namespace velmora {

struct CSpringGroup {
    static constexpr std::size_t kMaxChildren = 500;   // size of the member array
    static constexpr std::size_t kEditableChildren = 450;  // what the editors allow
    static constexpr std::size_t kNameBuffer = 256;

    HandRequest<std::int32_t> m_nManualState = -1;  // 1 on, 0 off by hand; -1 no request
    std::int32_t m_nAppliedState = 0;               // engine output: driven by hand last tick
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
