#include "engine/FrameAnimationFile.h"

#include <bit>
#include <cstring>
#include <type_traits>
#include <iterator>

#include "app/RegularFile.h"

namespace velmora {
namespace {

// Sequential little-endian reader over the file's bytes.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    bool Has(std::size_t n) const { return bytes_.size() - pos_ >= n; }
    std::uint32_t U32() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(Byte()) << (8 * i);
        return v;
    }
    std::int32_t I32() { return static_cast<std::int32_t>(U32()); }
    float F32() {
        const std::uint32_t bits = U32();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    std::uint8_t Byte() { return static_cast<std::uint8_t>(bytes_[pos_++]); }
    template <std::size_t N>
    void Bytes(std::array<std::uint8_t, N>& out) {
        for (auto& b : out) b = Byte();
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

class Writer {
public:
    void Reserve(std::size_t n) { out_.reserve(n); }
    void Raw(const void* data, std::size_t n) { out_.append(static_cast<const char*>(data), n); }
    void U32(std::uint32_t v) {
        const char bytes[4] = {static_cast<char>(v & 0xFFu), static_cast<char>((v >> 8) & 0xFFu),
                               static_cast<char>((v >> 16) & 0xFFu), static_cast<char>((v >> 24) & 0xFFu)};
        out_.append(bytes, sizeof bytes);
    }
    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void F32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        U32(bits);
    }
    void Byte(std::uint8_t b) { out_.push_back(static_cast<char>(b)); }
    template <std::size_t N>
    void Bytes(const std::array<std::uint8_t, N>& in) {
        out_.append(reinterpret_cast<const char*>(in.data()), N);
    }
    std::string Take() { return std::move(out_); }

private:
    std::string out_;
};

void ReadPage(Reader& in, FRAME_PAGE& page) {
    for (FRAME_NODE& node : page.m_nodes) {
        node.m_nLevel = in.I32();
        in.Bytes(node.m_editor);
    }
    page.m_nDuration = in.I32();
    page.m_reserved0 = in.Byte();
    page.m_bLoopStart = in.Byte();
    page.m_bLoopEnd = in.Byte();
    in.Bytes(page.m_reserved);
}

void WritePage(Writer& out, const FRAME_PAGE& page) {
    // The page's memory is the file's layout on a little-endian machine
    // (the sizes are asserted with the types): one copy instead of 12,500
    // small writes.
    if constexpr (std::endian::native == std::endian::little && std::is_trivially_copyable_v<FRAME_PAGE>) {
        out.Raw(&page, sizeof page);
        return;
    }
    for (const FRAME_NODE& node : page.m_nodes) {
        out.I32(node.m_nLevel);
        out.Bytes(node.m_editor);
    }
    out.I32(page.m_nDuration);
    out.Byte(page.m_reserved0);
    out.Byte(page.m_bLoopStart);
    out.Byte(page.m_bLoopEnd);
    out.Bytes(page.m_reserved);
}

// The file's version thresholds are compared as doubles: the stored float
// 1.1f is slightly above the double 1.1, so an editor's 1.1 passes.
bool AtLeast(float version, double threshold) { return static_cast<double>(version) >= threshold; }

bool Fail(std::string* error, const char* reason) {
    if (error) *error = reason;
    return false;
}

}  // namespace

bool ParseFrameFile(std::string_view bytes, FrameComplierCache& record, std::string* error) {
    Reader in(bytes);
    if (!in.Has(4)) return Fail(error, "file shorter than its version");
    record.m_fVersion = in.F32();
    record.m_pPages.clear();
    if (!AtLeast(record.m_fVersion, 1.0)) return true;

    if (!in.Has(16)) return Fail(error, "file cut inside its header");
    record.m_nCols = in.I32();
    record.m_nRows = in.I32();
    record.m_nDefaultDuration = in.I32();
    record.m_nPageCount = in.I32();
    if (record.m_nPageCount < 0 || record.m_nPageCount > kMaxFramePages)
        return Fail(error, "page count outside 0..100");
    if (record.m_nCols < 0 || record.m_nCols > kFrameGrid || record.m_nRows < 0 || record.m_nRows > kFrameGrid)
        return Fail(error, "grid size outside 0..50");
    const auto pages = static_cast<std::size_t>(record.m_nPageCount);
    if (!in.Has(pages * sizeof(FRAME_PAGE))) return Fail(error, "file cut inside its pages");
    record.m_pPages.resize(pages);
    for (FRAME_PAGE& page : record.m_pPages) ReadPage(in, page);

    if (AtLeast(record.m_fVersion, 1.1)) {
        if (!in.Has(8)) return Fail(error, "file cut before its level settings");
        record.m_nMaxLevel = in.I32();
        record.m_nOption = in.I32();
    }
    if (AtLeast(record.m_fVersion, 1.2)) {
        if (!in.Has(4 + record.m_extra.size())) return Fail(error, "file cut before its step settings");
        record.m_nStep = in.I32();
        in.Bytes(record.m_extra);
    }
    return true;
}

bool LoadFrameFile(const std::filesystem::path& path, FrameComplierCache& record, std::string* error) {
    std::string bytes;
    // Bytes past the largest possible frame file are never parsed.
    const ReadFileStatus status = ReadRegularFile(path, kMaxFrameFileBytes, bytes);
    if (status == ReadFileStatus::NotFound) return Fail(error, "cannot be opened");
    if (status != ReadFileStatus::Ok && status != ReadFileStatus::TooLarge)
        return Fail(error, ReadFileStatusText(status).c_str());
    return ParseFrameFile(bytes, record, error);
}

std::string SerializeFrameFile(const FrameComplierCache& record, float version) {
    Writer out;
    // A 100-page file is 4 MB: growing it byte by byte made saving slow.
    out.Reserve(4 + 4 * 4 + record.m_pPages.size() * sizeof(FRAME_PAGE) + 3 * 4 + record.m_extra.size());
    out.F32(version);
    if (!AtLeast(version, 1.0)) return out.Take();
    out.I32(record.m_nCols);
    out.I32(record.m_nRows);
    out.I32(record.m_nDefaultDuration);
    out.I32(static_cast<std::int32_t>(record.m_pPages.size()));
    for (const FRAME_PAGE& page : record.m_pPages) WritePage(out, page);
    if (AtLeast(version, 1.1)) {
        out.I32(record.m_nMaxLevel);
        out.I32(record.m_nOption);
    }
    if (AtLeast(version, 1.2)) {
        out.I32(record.m_nStep);
        out.Bytes(record.m_extra);
    }
    return out.Take();
}

}  // namespace velmora
