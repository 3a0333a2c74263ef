#include "engine/Light512Table.h"

#include "app/Log.h"
#include "app/NumberText.h"
#include "app/RegularFile.h"
#include "app/TextEncoding.h"

namespace velmora {
namespace {

// Splits at commas; empty fields count. An empty line has no field.
void SplitFields(std::string_view line, std::vector<std::string_view>& fields) {
    fields.clear();
    if (line.empty()) return;
    std::size_t begin = 0;
    while (true) {
        const std::size_t comma = line.find(',', begin);
        if (comma == std::string_view::npos) {
            fields.push_back(line.substr(begin));
            return;
        }
        fields.push_back(line.substr(begin, comma - begin));
        begin = comma + 1;
    }
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// One byte from two characters: their leading hex digits, 0 when the first
// is not one (a stray character never spills into the next byte).
std::uint8_t HexPair(char high, char low) {
    const int h = HexDigit(high);
    if (h < 0) return 0;
    const int l = HexDigit(low);
    return static_cast<std::uint8_t>(l < 0 ? h : h * 16 + l);
}

void ReadCell(std::string_view field, Light512Cell& cell) {
    if (field.size() < 34 || field.substr(0, 2) != "0x") return;
    for (std::size_t b = 0; b < cell.size(); ++b) cell[b] = HexPair(field[2 + 2 * b], field[3 + 2 * b]);
}

std::string_view WithoutLineBreak(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

Light512Status Refuse(Light512ComplierCache& table, Light512Status status) {
    table.m_listRowNames.clear();
    table.m_listColumnValues.clear();
    table.m_ppRowData.clear();
    return status;
}

}  // namespace

const char* Light512Message(Light512Status status) {
    switch (status) {
        case Light512Status::Ok: return "";
        case Light512Status::OpenFailed: return "打开文件失败！";
        case Light512Status::BadFormat: return "格式不满足要求";
        case Light512Status::BadLine: return "错误的行！";
    }
    return "";
}

Light512Status ParseLight512(std::string_view bytes, Light512ComplierCache& table) {
    Refuse(table, Light512Status::Ok);
    const bool legacy = DetectEncoding(bytes) == TextEncoding::Gb18030;
    std::vector<std::string_view> fields;
    std::size_t columns = 0;
    bool header = true;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const std::size_t newline = bytes.find('\n', pos);
        const std::size_t next = newline == std::string_view::npos ? bytes.size() : newline + 1;
        const std::string_view raw = bytes.substr(pos, next - pos);
        pos = next;
        if (raw.size() > kMaxLight512Line) return Refuse(table, Light512Status::BadLine);
        SplitFields(WithoutLineBreak(raw), fields);

        if (header) {
            header = false;
            if (fields.size() < 2) return Refuse(table, Light512Status::BadFormat);
            columns = fields.size() - 1;
            table.m_listColumnValues.reserve(columns);
            for (std::size_t j = 1; j < fields.size(); ++j) table.m_listColumnValues.push_back(TextToInt(fields[j]));
            continue;
        }
        if (fields.empty()) return Refuse(table, Light512Status::BadLine);
        if ((table.m_ppRowData.size() + 1) * columns > kMaxLight512Cells) return Refuse(table, Light512Status::BadFormat);

        std::string name(fields[0]);
        if (legacy) {
            std::string decoded;
            if (DecodeGb18030(fields[0], decoded)) name = std::move(decoded);
        }
        table.m_listRowNames.push_back(std::move(name));
        std::vector<Light512Cell>& row = table.m_ppRowData.emplace_back(columns, Light512Cell{});
        for (std::size_t j = 1; j < fields.size() && j <= columns; ++j) ReadCell(fields[j], row[j - 1]);
    }
    return Light512Status::Ok;
}

Light512Status LoadLight512(const std::filesystem::path& path, Light512ComplierCache& table) {
    LogMessage("LoadLight512");
    std::string bytes;
    const ReadFileStatus status = ReadRegularFile(path, kMaxLight512FileBytes, bytes);
    if (status == ReadFileStatus::TooLarge) return Refuse(table, Light512Status::BadFormat);
    if (status != ReadFileStatus::Ok) return Refuse(table, Light512Status::OpenFailed);
    return ParseLight512(bytes, table);
}

std::string Light512CellHex(const Light512Cell& cell) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(32);
    for (std::uint8_t b : cell) {
        text.push_back(kDigits[b >> 4]);
        text.push_back(kDigits[b & 0xF]);
    }
    return text;
}

}  // namespace velmora
