#pragma once
// Frame animation files (.frm): binary, little-endian, read in order:
//   float version; if version >= 1.0: cols, rows, default duration, page
//   count, the pages; if >= 1.1: max level, option; if >= 1.2: step and a
//   200-byte extra block.
// Each page is a fixed 50 x 50 grid of 16-byte cells followed by its
// duration and loop marks (40020 bytes).

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

inline constexpr int kFrameGrid = 50;                      // cells per row and per column
inline constexpr int kFrameCells = kFrameGrid * kFrameGrid;
inline constexpr int kMaxFramePages = 100;
inline constexpr std::int32_t kDefaultFrameMaxLevel = 128;
inline constexpr std::int32_t kDefaultFrameStep = 5;
inline constexpr float kFrameFileVersion = 1.2f;           // what we write

// One cell. Only m_nLevel (0..128) drives outputs; the rest belongs to the
// frame editor and is carried unchanged.
struct FRAME_NODE {
    std::int32_t m_nLevel = 0;
    std::array<std::uint8_t, 12> m_editor{};
};
static_assert(sizeof(FRAME_NODE) == 16);

// One picture; the layout is the file's.
struct FRAME_PAGE {
    std::array<FRAME_NODE, kFrameCells> m_nodes{};  // cell (row, column) at row * 50 + column
    std::int32_t m_nDuration = 0;                   // ms; 0 = the file's default
    std::uint8_t m_reserved0 = 0;                   // byte 40004, not interpreted
    std::uint8_t m_bLoopStart = 0;                  // byte 40005: the repeating part begins here
    std::uint8_t m_bLoopEnd = 0;                    // byte 40006: the repeating part ends here
    std::array<std::uint8_t, 13> m_reserved{};
};
static_assert(sizeof(FRAME_PAGE) == 40020);

struct FrameComplierCache {
    std::string m_szName;
    float m_fVersion = 0.0f;  // as stored
    std::int32_t m_nCols = 0;
    std::int32_t m_nRows = 0;
    std::int32_t m_nDefaultDuration = 0;
    std::int32_t m_nPageCount = 0;
    std::vector<FRAME_PAGE> m_pPages;  // m_nPageCount pages
    std::array<std::int32_t, 2> m_nReserved{};
    std::int32_t m_nMaxLevel = kDefaultFrameMaxLevel;
    std::int32_t m_nOption = 0;
    std::int32_t m_nStep = kDefaultFrameStep;
    std::array<std::uint8_t, 200> m_extra{};
};

// The most bytes a readable file can use; anything after them is ignored.
inline constexpr std::size_t kMaxFrameFileBytes =
    4 + 4 * 4 + static_cast<std::size_t>(kMaxFramePages) * sizeof(FRAME_PAGE) + 2 * 4 + 4 + 200;

// Fills `record` (name untouched) from the bytes of a file. Refused, with
// the reason: a file cut short of what its version and page count announce,
// a page count outside 0..100, a grid size outside 0..50 (cells beyond the
// 50 x 50 grid do not exist). A version below 1.0 (or NaN) holds no pages.
bool ParseFrameFile(std::string_view bytes, FrameComplierCache& record, std::string* error = nullptr);
bool LoadFrameFile(const std::filesystem::path& path, FrameComplierCache& record, std::string* error = nullptr);

// The bytes of a file holding `record` at `version` (fields the version does
// not have are left out).
std::string SerializeFrameFile(const FrameComplierCache& record, float version = kFrameFileVersion);

}  // namespace velmora
