#include "scene/PointTable.h"

#include <algorithm>
#include <cstdint>
#include <unordered_set>

#include "app/NumberText.h"
#include "app/Profile.h"
#include "app/TextEncoding.h"
#include "app/Workspace.h"

namespace velmora {
namespace {

constexpr std::string_view kVersionLine = "#版本,2016.06.03\n";
constexpr std::string_view kHeaderLine =
    "#索引,模拟量通道号,模拟量地址,开关量通道号,开关量地址,Z电机通道号,Z电机地址,Y电机通道号,Y电机地址,"
    "初始角度,灯光通道,灯光地址\n";
constexpr std::string_view kVersionMark = "#版本";
constexpr std::string_view kUnset = "---";
constexpr std::size_t kAddressBytes = CSpring::kAddressBuffer - 1;
constexpr std::size_t kRowFields = 10;
constexpr std::size_t kLightFields = 12;

// A text put on one line of the table: a line break inside a name or an
// address would start a line of its own, which a later import could take
// for a row.
void AppendOnOneLine(std::string& out, std::string_view text) {
    for (const char c : text) out.push_back(c == '\n' || c == '\r' ? ' ' : c);
}

void AppendChannel(std::string& out, std::int32_t channel) {
    out.push_back(',');
    if (channel > 0) out += std::to_string(channel);
    else out += kUnset;
}

void AppendAddress(std::string& out, const std::string& address) {
    out.push_back(',');
    if (TextToInt(address) > 0) AppendOnOneLine(out, address);
    else out += kUnset;
}

void AppendRow(std::string& out, const CSpring& s) {
    out.push_back('*');
    out += std::to_string(s.ID);
    AppendChannel(out, s.BLOCKID);
    AppendAddress(out, s.COMID);
    AppendChannel(out, s.BLOCKID1);
    AppendAddress(out, s.COMID1);
    AppendChannel(out, s.BLOCKID2);
    AppendAddress(out, s.COMID2);
    AppendChannel(out, s.BLOCKID3);
    AppendAddress(out, s.COMID3);
    out.push_back(',');
    out += FormatFloat(s.ORGANGLEY);
    AppendChannel(out, s.BLOCKID_L);
    AppendAddress(out, s.COMID_L);
    out.push_back('\n');
}

std::string LineMessage(int line, std::string_view message) {
    return "第" + std::to_string(line) + "行：" + std::string(message);
}

// The row's ID cell after its leading "*": a whole decimal number that fits,
// blanks around it allowed (spreadsheets pad cells).
std::optional<std::int32_t> ReadID(std::string_view cell) {
    while (!cell.empty() && cell.front() == '*') cell.remove_prefix(1);
    while (!cell.empty() && (cell.front() == ' ' || cell.front() == '\t')) cell.remove_prefix(1);
    while (!cell.empty() && (cell.back() == ' ' || cell.back() == '\t')) cell.remove_suffix(1);
    bool negative = false;
    if (!cell.empty() && (cell.front() == '+' || cell.front() == '-')) {
        negative = cell.front() == '-';
        cell.remove_prefix(1);
    }
    if (cell.empty() || cell.size() > 10) return std::nullopt;
    std::int64_t value = 0;
    for (const char c : cell) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (negative) value = -value;
    if (value < std::int64_t{INT32_MIN} || value > std::int64_t{INT32_MAX}) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::vector<std::string_view> SplitFields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = line.find(',', start);
        if (comma == std::string_view::npos) {
            fields.push_back(line.substr(start));
            return fields;
        }
        fields.push_back(line.substr(start, comma - start));
        start = comma + 1;
    }
}

class TableReader {
public:
    TableReader(std::string_view bytes, const Scene& scene) : scene_(scene) {
        if (bytes.starts_with(kUtf8Bom)) bytes.remove_prefix(kUtf8Bom.size());
        bytes_ = bytes;
        encoding_ = DetectEncoding(bytes);
    }

    bool Read(std::vector<PointTableRow>& rows, std::string& error) {
        std::size_t start = 0;
        int line = 0;
        while (start < bytes_.size() || line == 0) {
            ++line;
            const std::size_t end = bytes_.find('\n', start);
            const bool ended = end != std::string_view::npos;
            std::string_view text = bytes_.substr(start, ended ? end - start : std::string_view::npos);
            start = ended ? end + 1 : bytes_.size();
            if (text.size() + (ended ? 1 : 0) > kPointTableMaxLineBytes) {
                error = LineMessage(line, kPointTableLineTooLong);
                return false;
            }
            if (text.ends_with('\r')) text.remove_suffix(1);
            if (line == 1) {
                if (Decoded(text).find(kVersionMark) == std::string::npos) {
                    error = kPointTableBadFormat;
                    return false;
                }
                continue;
            }
            if (!text.starts_with('*')) continue;
            if (!ReadRow(text, line, rows, error)) return false;
        }
        return true;
    }

private:
    std::string Decoded(std::string_view text) const {
        if (encoding_ == TextEncoding::Utf8) return std::string(text);
        std::string utf8;
        if (!DecodeGb18030(text, utf8)) return SanitizeUtf8(text);
        return utf8;
    }

    // An address cell as the Windows program's 8-byte buffer kept it: at most
    // 7 bytes of the file's own encoding, never half a character.
    std::string Address(std::string_view cell) const {
        const std::string text = Decoded(cell);
        const std::size_t cut = encoding_ == TextEncoding::Gb18030 ? Gb18030CutPoint(text, kAddressBytes)
                                                                   : Utf8CutPoint(text, kAddressBytes);
        return SanitizeUtf8(std::string_view(text).substr(0, cut));
    }

    bool ReadRow(std::string_view text, int line, std::vector<PointTableRow>& rows, std::string& error) {
        const std::vector<std::string_view> fields = SplitFields(text);
        if (fields.size() < kRowFields) {
            error = LineMessage(line, kPointTableTooFewFields);
            return false;
        }
        const std::optional<std::int32_t> id = ReadID(fields[0]);
        const int position = id ? scene_.SpringIndexOf(*id) : -1;
        if (position < 0) {
            error = LineMessage(line, kPointTableBadID);
            return false;
        }
        if (!seen_.insert(*id).second) {
            error = LineMessage(line, kPointTableDuplicateID);
            return false;
        }
        PointTableRow row;
        row.line = line;
        row.position = static_cast<std::size_t>(position);
        row.ID = *id;
        row.BLOCKID = TextToInt(fields[1]);
        row.COMID = Address(fields[2]);
        row.BLOCKID1 = TextToInt(fields[3]);
        row.COMID1 = Address(fields[4]);
        row.BLOCKID2 = TextToInt(fields[5]);
        row.COMID2 = Address(fields[6]);
        row.BLOCKID3 = TextToInt(fields[7]);
        row.COMID3 = Address(fields[8]);
        row.ORGANGLEY = TextToFloat(fields[9]);
        if (fields.size() >= kLightFields) {
            row.BLOCKID_L = TextToInt(fields[10]);
            row.COMID_L = Address(fields[11]);
        }
        rows.push_back(std::move(row));
        return true;
    }

    const Scene& scene_;
    std::string_view bytes_;
    TextEncoding encoding_ = TextEncoding::Utf8;
    std::unordered_set<std::int32_t> seen_;
};

}  // namespace

std::filesystem::path PointTablePath(const std::filesystem::path& workspace) {
    return ResolveStored(workspace, kPointTableFileName);
}

SpringAddressing SpringAddressing::Of(const CSpring& s) {
    return SpringAddressing{s.BLOCKID,  s.COMID,  s.BLOCKID1,  s.COMID1,    s.BLOCKID2, s.COMID2,
                            s.BLOCKID3, s.COMID3, s.ORGANGLEY, s.BLOCKID_L, s.COMID_L};
}

void SpringAddressing::StoreIn(CSpring& s) const {
    s.BLOCKID = BLOCKID;
    s.COMID = COMID;
    s.BLOCKID1 = BLOCKID1;
    s.COMID1 = COMID1;
    s.BLOCKID2 = BLOCKID2;
    s.COMID2 = COMID2;
    s.BLOCKID3 = BLOCKID3;
    s.COMID3 = COMID3;
    s.ORGANGLEY = ORGANGLEY;
    s.BLOCKID_L = BLOCKID_L;
    s.COMID_L = COMID_L;
}

SpringAddressing PointTableRow::Over(SpringAddressing before) const {
    before.BLOCKID = BLOCKID;
    before.COMID = COMID;
    before.BLOCKID1 = BLOCKID1;
    before.COMID1 = COMID1;
    before.BLOCKID2 = BLOCKID2;
    before.COMID2 = COMID2;
    before.BLOCKID3 = BLOCKID3;
    before.COMID3 = COMID3;
    before.ORGANGLEY = ORGANGLEY;
    if (BLOCKID_L) before.BLOCKID_L = *BLOCKID_L;
    if (COMID_L) before.COMID_L = *COMID_L;
    return before;
}

std::string WritePointTable(const Scene& scene) {
    std::string out;
    out += kVersionLine;
    out += kHeaderLine;
    std::vector<bool> written(scene.springs.size(), false);
    for (const CSpringGroup& group : scene.groups) {
        out += "#分组,";
        AppendOnOneLine(out, group.name);
        out.push_back('\n');
        const auto used = static_cast<std::size_t>(
            std::clamp<std::int32_t>(group.childCount, 0, static_cast<std::int32_t>(CSpringGroup::kMaxChildren)));
        for (std::size_t j = 0; j < used; ++j) {
            const std::int32_t id = group.children[j];
            const int position = scene.SpringIndexOf(id);
            if (position < 0) continue;
            if (written[static_cast<std::size_t>(position)]) {
                out += "_" + std::to_string(id) + "\n";
                continue;
            }
            written[static_cast<std::size_t>(position)] = true;
            AppendRow(out, scene.springs[static_cast<std::size_t>(position)]);
        }
    }
    return out;
}

bool ReadPointTable(std::string_view bytes, const Scene& scene, std::vector<PointTableRow>& rows,
                    std::string* error) {
    rows.clear();
    std::string reason;
    TableReader reader(bytes, scene);
    if (reader.Read(rows, reason)) return true;
    rows.clear();
    if (error) *error = std::move(reason);
    return false;
}

}  // namespace velmora
