#pragma once
// The rows of the time block property dialog as plain data: which rows a
// block shows for its action type, their labels, kinds and limits, the text
// each starts with, and how a row's text goes back into the block.
//
// The rows are read back by position, so a set of values must come from
// rows built from a block of the same action type; BlockRowsFor builds them
// and ReadBlockRows takes the values in that same order. Rows that share a
// field (the ramp wave's "最小值" and "力度偏移[±100]" both hold `ForceWav`)
// are read in list order, so the later row wins.
//
// Texts are UTF-8. Thread contract: plain functions; any thread.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "show/TimeBlock.h"

namespace velmora {

enum class BlockRowKind {
    Heading,      // section heading, no value
    ReadOnly,     // shown, never read back
    Choice,       // drop-down list (selection only)
    Number,       // integer within [minimum, maximum]
    Decimal,      // decimal fraction within [minimum, maximum]
    MotorPicker,  // a motor program (.motor) of the workspace's "Motor" folder
    FramePicker,  // a frame animation (.frm) of the "Frame" folder
    LightPicker,  // a colour sequence (.color) of the "Color" folder
    CsvFile,      // a CSV file of the "512Light" folder
};

struct BlockRow {
    BlockRowKind kind = BlockRowKind::Heading;
    std::string label;
    std::string value;
    std::int32_t minimum = 0;
    std::int32_t maximum = 0;
    std::vector<std::string> choices;

    // Where the text goes back; exactly one is set for rows that are read
    // back, none for headings and read-only rows.
    std::int32_t TimeBlock::*intField = nullptr;
    float TimeBlock::*floatField = nullptr;
    std::string TimeBlock::*textField = nullptr;
    // Choice rows with an integer field: the code of each choice, and the
    // code of any text that is none of them. Choice rows with a text field
    // (the program-control entry) store the text itself.
    std::vector<std::int32_t> codes;
    std::int32_t otherCode = 0;
};

// The names of the action type choices, in code order (index 0 is code -1).
const std::vector<std::string>& ActionTypeChoices();
// The code a "动作类型" text stands for: -1 for "---" and for any text that
// is no action's name.
std::int32_t ActionTypeOf(std::string_view text);

// "mm:ss.mmm" of a timeline position at `scaleMs` milliseconds per pixel.
std::string BlockTimeText(float position, std::int32_t scaleMs);

// Integer conversion of a row text: leading blanks, an optional sign, then
// decimal digits up to the first other character (none gives 0); a value
// beyond 32 bits is held at the nearest limit.
std::int32_t RowTextToInt(std::string_view text);
// Decimal-fraction conversion: the longest leading number ("1.5", "-.25",
// "2e3"), 0 when there is none; independent of the process locale.
float RowTextToFloat(std::string_view text);
// The shortest text that reads back as the same float.
std::string FloatRowText(float value);

// The rows for `block`, in display order. `programNames` are the entries of
// the program-control list, in list order. They are offered whole: the block
// names its program by the entry's file name, and a cut name would name no
// program at all.
std::vector<BlockRow> BlockRowsFor(const TimeBlock& block, std::int32_t scaleMs,
                                   const std::vector<std::string>& programNames);

// Reads `values` (one per row, in the order of `rows`) back into `block`.
// Rows without a value (a shorter list) are left alone.
void ReadBlockRows(const std::vector<BlockRow>& rows, const std::vector<std::string>& values, TimeBlock& block);

// The position of the "动作类型" row in any row list (the common rows come
// first and their number does not depend on the block).
std::size_t ActionTypeRow();

}  // namespace velmora
