#include "app/Profile.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

#include "app/AtomicFile.h"

namespace velmora {
namespace {

// The blanks trimmed around names and values; 0x1A is the end-of-file mark
// some DOS-era editors left behind.
bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f' || c == '\x1a';
}

std::string_view Trim(std::string_view s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// "[name]" up to the last ']' on the line; a '[' without a ']' is no header.
bool HeaderName(std::string_view trimmed, std::string_view& name) {
    if (trimmed.empty() || trimmed.front() != '[') return false;
    const std::size_t close = trimmed.rfind(']');
    if (close == std::string_view::npos || close == 0) return false;
    name = Trim(trimmed.substr(1, close - 1));
    return true;
}

// One pair of matching quotes around a value is not part of it.
std::string_view Unquote(std::string_view value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

// Text handed to SetString becomes one line of valid UTF-8.
std::string CleanText(std::string_view text) {
    std::string clean = SanitizeUtf8(text);
    std::replace(clean.begin(), clean.end(), '\r', ' ');
    std::replace(clean.begin(), clean.end(), '\n', ' ');
    const std::string_view trimmed = Trim(clean);
    return std::string(trimmed);
}

std::string Describe(const std::filesystem::path& path, const std::string& reason) {
    return path.string() + ": " + reason;
}

}  // namespace

std::size_t Profile::NameHash::operator()(std::string_view name) const noexcept {
    std::uint64_t h = 14695981039346656037ull;  // FNV-1a over the lower-cased bytes
    for (char c : name) {
        h ^= static_cast<unsigned char>(AsciiLower(c));
        h *= 1099511628211ull;
    }
    return static_cast<std::size_t>(h);
}

bool Profile::NameEqual::operator()(std::string_view a, std::string_view b) const noexcept {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    return true;
}

Profile::Profile() { Clear(); }
Profile::~Profile() = default;
Profile::Profile(Profile&&) noexcept = default;
Profile& Profile::operator=(Profile&&) noexcept = default;
Profile::Profile(const Profile&) = default;
Profile& Profile::operator=(const Profile&) = default;

void Profile::Clear() {
    sections_.clear();
    sections_.emplace_back();
    sectionIndex_.clear();
    encoding_ = TextEncoding::Utf8;
    lineEnding_ = LineEnding::Lf;
    bom_ = false;
    finalNewline_ = true;
    modified_ = false;
}

Profile::Line Profile::MakeLine(std::string text, bool crlf) {
    Line line;
    line.text = std::move(text);
    line.crlf = crlf;
    const std::string_view t = line.text;
    std::size_t b = 0;
    std::size_t e = t.size();
    while (b < e && IsBlank(t[b])) ++b;
    while (e > b && IsBlank(t[e - 1])) --e;
    if (b == e || t[b] == ';') return line;
    std::string_view name;
    if (HeaderName(t.substr(b, e - b), name)) return line;
    const std::size_t eq = t.find('=', b);
    if (eq == std::string_view::npos || eq >= e) return line;
    std::size_t keyEnd = eq;
    while (keyEnd > b && IsBlank(t[keyEnd - 1])) --keyEnd;
    if (keyEnd == b) return line;  // "=value" names nothing
    std::size_t valueBegin = eq + 1;
    while (valueBegin < e && IsBlank(t[valueBegin])) ++valueBegin;
    line.keyBegin = static_cast<std::uint32_t>(b);
    line.keyEnd = static_cast<std::uint32_t>(keyEnd);
    line.valueBegin = static_cast<std::uint32_t>(valueBegin);
    line.valueEnd = static_cast<std::uint32_t>(std::max(e, valueBegin));
    line.isKey = true;
    return line;
}

bool Profile::Parse(std::string_view text, std::string* error) {
    const std::size_t firstBreak = text.find('\n');
    lineEnding_ = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r'
                      ? LineEnding::CrLf
                      : LineEnding::Lf;
    finalNewline_ = text.empty() || text.back() == '\n';
    const std::size_t lineCount =
        static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + (finalNewline_ ? 0 : 1);
    if (lineCount > kMaxLines) {
        if (error) *error = "more than " + std::to_string(kMaxLines) + " lines";
        return false;
    }

    std::vector<Line> blanks;  // blank lines not yet known to be inside or closing a section
    std::size_t current = 0;
    std::size_t pos = 0;
    while (pos < text.size()) {
        const void* found = std::memchr(text.data() + pos, '\n', text.size() - pos);
        std::string_view raw;
        bool crlf;
        if (found) {
            const std::size_t nl = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
            raw = text.substr(pos, nl - pos);
            crlf = !raw.empty() && raw.back() == '\r';
            if (crlf) raw.remove_suffix(1);
            pos = nl + 1;
        } else {
            // The last line has no break; should one follow it later, it gets the file's.
            raw = text.substr(pos);
            crlf = lineEnding_ == LineEnding::CrLf;
            pos = text.size();
        }

        const std::string_view trimmed = Trim(raw);
        if (trimmed.empty()) {
            blanks.push_back(MakeLine(std::string(raw), crlf));
            continue;
        }
        std::string_view name;
        if (HeaderName(trimmed, name)) {
            sections_[current].trailingBlanks = std::move(blanks);
            blanks.clear();
            Section section;
            section.name = std::string(name);
            section.header = MakeLine(std::string(raw), crlf);
            current = sections_.size();
            sectionIndex_.emplace(section.name, current);  // a repeated section stays unreachable
            sections_.push_back(std::move(section));
            continue;
        }
        Section& section = sections_[current];
        for (Line& blank : blanks) section.lines.push_back(std::move(blank));
        blanks.clear();
        Line line = MakeLine(std::string(raw), crlf);
        if (line.isKey && current > 0)
            section.index.emplace(std::string(line.key()), section.lines.size());  // first one wins
        section.lines.push_back(std::move(line));
    }
    sections_[current].trailingBlanks = std::move(blanks);
    return true;
}

bool Profile::Decode(std::string_view bytes, std::string* error) {
    Clear();
    if (IsValidUtf8(bytes)) {
        if (bytes.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
            bom_ = true;
            bytes.remove_prefix(kUtf8Bom.size());
        }
        if (Parse(bytes, error)) return true;
    } else {
        std::string utf8;
        if (DecodeGb18030(bytes, utf8, error)) {
            std::string_view text = utf8;
            if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
                bom_ = true;
                text.remove_prefix(kUtf8Bom.size());
            }
            if (Parse(text, error)) {
                encoding_ = TextEncoding::Gb18030;
                return true;
            }
        }
    }
    Clear();
    return false;
}

bool Profile::LoadFromBytes(std::string_view bytes, const std::filesystem::path& path, std::string* error) {
    path_ = path;
    existed_ = true;
    loadFailed_ = false;
    std::string reason;
    if (bytes.size() > kMaxFileBytes)
        reason = "larger than " + std::to_string(kMaxFileBytes) + " bytes";
    else if (Decode(bytes, &reason))
        return true;
    Clear();
    loadFailed_ = true;
    if (error) *error = Describe(path, reason);
    return false;
}

bool Profile::Load(const std::filesystem::path& path, std::string* error) {
    Clear();
    path_ = path;
    existed_ = false;
    loadFailed_ = false;
    auto fail = [&](const std::string& reason) {
        Clear();
        if (error) *error = Describe(path, reason);
        return false;
    };

    // Non-blocking so that a FIFO put where a file belongs cannot hang the open.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT || err == ENOTDIR) return fail("not found");
        existed_ = true;
        loadFailed_ = true;
        return fail(std::generic_category().message(err));
    }
    existed_ = true;
    loadFailed_ = true;  // until the bytes are in
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};

    struct stat info {};
    if (::fstat(fd, &info) != 0) return fail(std::generic_category().message(errno));
    if (S_ISDIR(info.st_mode)) return fail("is a directory");
    if (!S_ISREG(info.st_mode)) return fail("is not a regular file");
    const std::string tooLarge = "larger than " + std::to_string(kMaxFileBytes) + " bytes";
    if (static_cast<std::uintmax_t>(info.st_size) > kMaxFileBytes) return fail(tooLarge);

    // Read to the end rather than trusting st_size: the file may be growing.
    std::string bytes(static_cast<std::size_t>(info.st_size) + 1, '\0');
    std::size_t got = 0;
    for (;;) {
        if (got == bytes.size()) {
            if (got > kMaxFileBytes) return fail(tooLarge);
            bytes.resize(static_cast<std::size_t>(
                std::min<std::uintmax_t>(bytes.size() * 2 + 4096, kMaxFileBytes + 1)));
        }
        const ssize_t n = ::read(fd, bytes.data() + got, bytes.size() - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(std::generic_category().message(errno));
        }
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got > kMaxFileBytes) return fail(tooLarge);
    bytes.resize(got);

    std::string reason;
    if (!Decode(bytes, &reason)) return fail(reason);
    loadFailed_ = false;
    return true;
}

const Profile::Section* Profile::FindSection(std::string_view section) const {
    const auto it = sectionIndex_.find(Trim(section));
    return it == sectionIndex_.end() ? nullptr : &sections_[it->second];
}

Profile::Section* Profile::FindSection(std::string_view section) {
    return const_cast<Section*>(std::as_const(*this).FindSection(section));
}

const Profile::Line* Profile::FindLine(std::string_view section, std::string_view key) const {
    const Section* s = FindSection(section);
    if (!s) return nullptr;
    const auto it = s->index.find(Trim(key));
    return it == s->index.end() ? nullptr : &s->lines[it->second];
}

std::string Profile::GetString(std::string_view section, std::string_view key, std::string_view def,
                               std::size_t bufferSize) const {
    std::string_view result;
    if (const Line* line = FindLine(section, key)) {
        result = Unquote(line->value());
    } else {
        result = def;
        while (!result.empty() && result.back() == ' ') result.remove_suffix(1);
    }
    if (bufferSize > 0) result = result.substr(0, Utf8CutPoint(result, bufferSize - 1));
    return std::string(result);
}

std::int32_t Profile::GetInt(std::string_view section, std::string_view key, std::int32_t def) const {
    const Line* line = FindLine(section, key);
    if (!line) return def;
    const std::string_view value = Unquote(line->value());
    return value.empty() ? def : ProfileToInt(value);
}

bool Profile::HasKey(std::string_view section, std::string_view key) const {
    return FindLine(section, key) != nullptr;
}

bool Profile::HasSection(std::string_view section) const { return FindSection(section) != nullptr; }

void Profile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    if (sections_.empty()) sections_.emplace_back();  // a moved-from profile
    const std::string sectionName = CleanText(section);
    const std::string keyName = CleanText(key);
    const std::string text = CleanText(value);
    if (keyName.empty()) return;
    const bool crlf = lineEnding_ == LineEnding::CrLf;

    Section* target = FindSection(sectionName);
    if (target) {
        const auto it = target->index.find(keyName);
        if (it != target->index.end()) {
            Line& line = target->lines[it->second];
            if (line.value() == text) return;
            line = MakeLine(std::string(line.key()) + "=" + text, line.crlf);
            modified_ = true;
            return;
        }
    }

    Line line = MakeLine(keyName + "=" + text, crlf);
    // A name such as ";x" or "a=b" would read back as something else.
    if (!line.isKey || line.key() != keyName) return;
    if (!target) {
        Section fresh;
        fresh.name = sectionName;
        fresh.header = MakeLine("[" + sectionName + "]", crlf);
        sectionIndex_.emplace(sectionName, sections_.size());
        sections_.push_back(std::move(fresh));
        target = &sections_.back();
    }
    target->index.emplace(keyName, target->lines.size());
    target->lines.push_back(std::move(line));
    // Whatever line used to end the file is no longer the last one.
    finalNewline_ = true;
    modified_ = true;
}

void Profile::SetInt(std::string_view section, std::string_view key, std::int32_t value) {
    SetString(section, key, std::to_string(value));
}

std::string Profile::SerializeUtf8() const {
    std::size_t total = bom_ ? kUtf8Bom.size() : 0;
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (i > 0) total += s.header.text.size() + 2;
        for (const Line& l : s.lines) total += l.text.size() + 2;
        for (const Line& l : s.trailingBlanks) total += l.text.size() + 2;
    }
    std::string out;
    out.reserve(total);
    if (bom_) out += kUtf8Bom;
    const Line* previous = nullptr;
    auto emit = [&](const Line& line) {
        if (previous) out += previous->crlf ? "\r\n" : "\n";
        out += line.text;
        previous = &line;
    };
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (i > 0) emit(s.header);
        for (const Line& l : s.lines) emit(l);
        for (const Line& l : s.trailingBlanks) emit(l);
    }
    if (previous && finalNewline_) out += previous->crlf ? "\r\n" : "\n";
    return out;
}

bool Profile::Encode(std::string& out, std::string* error) const {
    if (encoding_ == TextEncoding::Utf8) {
        out = SerializeUtf8();
        return true;
    }
    return EncodeGb18030(SerializeUtf8(), out, error);
}

std::string Profile::Serialize() const {
    std::string out;
    // Only a missing iconv converter can fail here; the UTF-8 text is then
    // the best answer there is.
    if (!Encode(out, nullptr)) out = SerializeUtf8();
    return out;
}

bool Profile::Save(std::string* error) {
    if (path_.empty()) {
        if (error) *error = "cannot save: the profile has no file name";
        return false;
    }
    if (loadFailed_) {
        if (error) *error = "cannot save " + path_.string() + ": the file could not be read, so writing it would lose its content";
        return false;
    }
    return SaveAs(path_, error);
}

bool Profile::SaveAs(const std::filesystem::path& path, std::string* error) {
    std::string bytes;
    std::string reason;
    if (!Encode(bytes, &reason)) {
        if (error) *error = "cannot save " + path.string() + ": " + reason;
        return false;
    }
    if (!WriteFileAtomically(path, bytes, error)) return false;
    path_ = path;
    existed_ = true;
    modified_ = false;
    loadFailed_ = false;
    return true;
}

std::int32_t ProfileToInt(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        value = value * 10u + static_cast<std::uint32_t>(text[i] - '0');
    if (negative) value = 0u - value;
    return static_cast<std::int32_t>(value);
}

std::string FormatFloat(float value) {
    char buffer[64];
    const int n = std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
    if (n < 0) return {};
    if (static_cast<std::size_t>(n) < sizeof buffer) return std::string(buffer, static_cast<std::size_t>(n));
    std::string out(static_cast<std::size_t>(n) + 1, '\0');
    std::snprintf(out.data(), out.size(), "%f", static_cast<double>(value));
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace velmora
