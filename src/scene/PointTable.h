#pragma once
// The point table "spring.csv": the device addressing of the grouped springs
// (channel numbers, address texts, initial angle) as comma-separated text that
// a spreadsheet can edit, written by the scene pane's "导出" and read back by
// its "导入".
//
// Written as UTF-8 with LF line ends. Read from UTF-8 (with or without a byte
// order mark) or from the GB18030 text of the Windows program (a file that is
// not UTF-8 is GB18030), with LF or CRLF line ends.
//
// Reading checks the whole file before anything is applied: a table with one
// bad row changes no spring, and the message names the row's line.
//
// Thread contract: pure functions of their arguments; any thread.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scene/Scene.h"

namespace velmora {

inline constexpr const char* kPointTableFileName = "spring.csv";

// The table of a workspace: workspace / "spring.csv", or the file whose name
// differs from it only in letter case ("Spring.CSV" copied from Windows).
std::filesystem::path PointTablePath(const std::filesystem::path& workspace);

// The operator's messages of the point table.
inline constexpr const char* kPointTableBadFormat = "文件格式不正确！";
inline constexpr const char* kPointTableTooFewFields = "行分隔符号太少！";
inline constexpr const char* kPointTableBadID = "非法的Spring ID！";
inline constexpr const char* kPointTableDuplicateID = "重复的Spring ID！";
inline constexpr const char* kPointTableLineTooLong = "行太长！";

// A line holds at most this many bytes, its line end included (the Windows
// program read lines into a 1024-byte buffer).
inline constexpr std::size_t kPointTableMaxLineBytes = 1023;

// The fields of a spring that the table carries.
struct SpringAddressing {
    std::int32_t BLOCKID = -1;
    std::string COMID;
    std::int32_t BLOCKID1 = -1;
    std::string COMID1;
    std::int32_t BLOCKID2 = -1;
    std::string COMID2;
    std::int32_t BLOCKID3 = -1;
    std::string COMID3;
    float ORGANGLEY = 0.0f;
    std::int32_t BLOCKID_L = -1;
    std::string COMID_L;

    bool operator==(const SpringAddressing&) const = default;

    static SpringAddressing Of(const CSpring& spring);
    void StoreIn(CSpring& spring) const;
};

// The file's bytes: the version line, the header, then per group its line
// "#分组,name" and a row per member ("*ID,...") or, for a spring already
// written under an earlier group, a reference "_ID". Springs of no group are
// not written; member IDs that name no spring are skipped.
std::string WritePointTable(const Scene& scene);

// One row of a table read from a file.
struct PointTableRow {
    int line = 0;              // 1-based line of the file
    std::size_t position = 0;  // list position of the spring it names
    std::int32_t ID = 0;
    std::int32_t BLOCKID = 0;
    std::string COMID;
    std::int32_t BLOCKID1 = 0;
    std::string COMID1;
    std::int32_t BLOCKID2 = 0;
    std::string COMID2;
    std::int32_t BLOCKID3 = 0;
    std::string COMID3;
    float ORGANGLEY = 0.0f;
    // Rows of 12 fields or more also carry the light.
    std::optional<std::int32_t> BLOCKID_L;
    std::optional<std::string> COMID_L;

    // `before` with this row's fields put in.
    SpringAddressing Over(SpringAddressing before) const;
};

// Reads a table against the scene whose springs its IDs name. Lines that do
// not begin with "*" are ignored, except the first, which must contain
// "#版本". A row is split at every ","; fields beyond the twelfth are
// ignored. Channel cells convert by their leading decimal digits ("---" and
// other text give 0, "12abc" gives 12), the angle as a decimal number, and an
// address text keeps at most 7 bytes of the file's encoding without a
// character being cut in two.
//
// On the first fault (in line order) returns false, `rows` empty and *error
// the operator's message: "文件格式不正确！" for the first line, otherwise
// "第N行：" and one of: too few fields (fewer than 10), an ID that is not a
// whole number or names no spring, a second row for one spring, a line
// longer than kPointTableMaxLineBytes.
bool ReadPointTable(std::string_view bytes, const Scene& scene, std::vector<PointTableRow>& rows,
                    std::string* error = nullptr);

}  // namespace velmora
