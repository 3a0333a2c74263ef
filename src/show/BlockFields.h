#pragma once
// The stored fields of a time block in the order the show file writes them,
// with the defaults a reader applies to absent keys (which differ from the
// constructor values for several fields). The loader, the writer and any
// printer walk this one table, so they cannot drift apart.

#include <cstdint>
#include <span>
#include <string>

#include "show/TimeBlock.h"

namespace velmora {

enum class BlockFieldKind {
    Time,     // float position, read as text, written "%0.2f"
    Float,    // float, read as text, written "%f"
    Int,      // integer key, written "%d"
    IntText,  // integer read as text (TextToInt), written "%d"
    Text,     // text of at most 63 bytes
};

struct BlockField {
    const char* name;  // key is "TB<index>_" + name
    BlockFieldKind kind;
    float TimeBlock::*floatMember = nullptr;        // Time, Float
    std::int32_t TimeBlock::*intMember = nullptr;   // Int, IntText
    std::string TimeBlock::*textMember = nullptr;   // Text
    const char* textDefault = "";   // default of the keys read as text
    std::int32_t intDefault = 0;    // default of Int keys
    bool repeated = false;          // a second write of a key written earlier in the block
};

// Every key of a block in writing order; `nInterval` appears twice, its
// second entry marked `repeated`.
std::span<const BlockField> StoredBlockFields();

}  // namespace velmora
