#pragma once
// 512-channel moving-head light tables (.csv in the 512Light folder). The
// header's fields 2..N are column durations in ms; every data row names its
// output in field 1 and holds one 16-byte fixture record per column, written
// "0x" followed by 32 hex digits.

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

using Light512Cell = std::array<std::uint8_t, 16>;

struct Light512ComplierCache {
    std::string m_szName;
    std::vector<std::string> m_listRowNames;        // field 1 of every data row
    std::vector<std::int32_t> m_listColumnValues;   // header fields 2..N
    std::vector<std::vector<Light512Cell>> m_ppRowData;  // row i: N-1 cells, zero where the file has none

    std::size_t ColumnCount() const { return m_listColumnValues.size(); }
};

enum class Light512Status { Ok, OpenFailed, BadFormat, BadLine };

// The operator's message for a failed load: "打开文件失败！", "格式不满足要求",
// "错误的行！"; empty for Ok.
const char* Light512Message(Light512Status status);

// Lines are at most 1023 bytes, line break included (the reader's line
// buffer); a longer one would be read as two rows, so it is refused as a bad line.
inline constexpr std::size_t kMaxLight512Line = 1023;
// Bounds on what a damaged file can make us allocate.
inline constexpr std::uintmax_t kMaxLight512FileBytes = 16u * 1024u * 1024u;
inline constexpr std::size_t kMaxLight512Cells = 1u << 20;

// Fills `table` (name untouched) from a file's bytes. Rows beyond the N-1
// the header allows are kept (the row array grows). Text that is not UTF-8
// is read as GB18030. On failure the table is left empty.
Light512Status ParseLight512(std::string_view bytes, Light512ComplierCache& table);
// Reads the file and logs "LoadLight512".
Light512Status LoadLight512(const std::filesystem::path& path, Light512ComplierCache& table);

// The 32 hex digits of a cell, as the file writes them after "0x".
std::string Light512CellHex(const Light512Cell& cell);

}  // namespace velmora
