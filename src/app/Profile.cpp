#include "app/Profile.h"

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

#include "app/AtomicFile.h"
#include "app/NumberText.h"

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
// Text handed to SetString as it will stand in the file: valid UTF-8, one
// line, trimmed. Nearly every name and value a save writes is plain ASCII
// without line breaks; those are only viewed, never copied.
class CleanText {
public:
    explicit CleanText(std::string_view text) {
        // Branch-free so that the compiler can vectorise the scan.
        unsigned special = 0;
        for (const char c : text) {
            const auto u = static_cast<unsigned char>(c);
            special |= static_cast<unsigned>(u >= 0x80) | static_cast<unsigned>(u == '\r') |
                       static_cast<unsigned>(u == '\n');
        }
        const bool plain = special == 0;
        if (plain) {
            view_ = Trim(text);
            return;
        }
        storage_ = SanitizeUtf8(text);
        std::replace(storage_.begin(), storage_.end(), '\r', ' ');
        std::replace(storage_.begin(), storage_.end(), '\n', ' ');
        view_ = Trim(storage_);
    }
    CleanText(const CleanText&) = delete;
    CleanText& operator=(const CleanText&) = delete;

    std::string_view view() const { return view_; }

private:
    std::string storage_;
    std::string_view view_;
};

// Steps through text line by line; a line ends at LF, and a CR just before
// the LF belongs to the line break.
struct LineCursor {
    std::string_view text;
    std::size_t next = 0;
    std::size_t begin = 0;
    std::size_t size = 0;
    bool crlf = false;
    bool hasBreak = false;

    bool Next() {
        if (next >= text.size()) return false;
        begin = next;
        const void* found = std::memchr(text.data() + next, '\n', text.size() - next);
        if (found) {
            const std::size_t nl = static_cast<std::size_t>(static_cast<const char*>(found) - text.data());
            size = nl - begin;
            crlf = size > 0 && text[nl - 1] == '\r';
            if (crlf) --size;
            hasBreak = true;
            next = nl + 1;
        } else {
            size = text.size() - begin;
            crlf = false;
            hasBreak = false;
            next = text.size();
        }
        return true;
    }
};

std::string Describe(const std::filesystem::path& path, const std::string& reason) {
    return path.string() + ": " + reason;
}

}  // namespace

// Line offsets are 32-bit: the decoded text (at most three UTF-8 bytes per
// input byte) must stay below 4 GiB.
static_assert(Profile::kMaxFileBytes * 3 < UINT32_MAX);

Profile::Profile() { Clear(); }
Profile::~Profile() = default;
Profile::Profile(Profile&&) noexcept = default;
Profile& Profile::operator=(Profile&&) noexcept = default;
Profile::Profile(const Profile&) = default;
Profile& Profile::operator=(const Profile&) = default;

void Profile::Clear() {
    source_ = std::string();
    edited_.clear();
    sections_.clear();
    sections_.emplace_back();
    sectionIndex_.clear();
    encoding_ = TextEncoding::Utf8;
    lineEnding_ = LineEnding::Lf;
    bom_ = false;
    finalNewline_ = true;
    modified_ = false;
    hintSection_ = 0;
    hintLine_ = 0;
}

std::string_view Profile::Text(const Line& line) const {
    if (line.edited) return edited_[line.begin];
    return std::string_view(source_.data() + line.begin, line.size);
}

std::string_view Profile::KeyOf(const Line& line) const {
    return Text(line).substr(line.keyBegin, line.keyEnd - line.keyBegin);
}

std::string_view Profile::ValueOf(const Line& line) const {
    return Text(line).substr(line.valueBegin, line.valueEnd - line.valueBegin);
}

std::size_t Profile::FindKey(const Section& section, std::string_view key) const {
    return section.index.Find(key, [&](std::size_t i) { return KeyOf(section.lines[i]); });
}

std::size_t Profile::FindKeyAt(std::size_t s, std::string_view key) const {
    const Section& section = sections_[s];
    if (hintSection_ == s) {
        for (const std::size_t candidate : {hintLine_ + 1, hintLine_}) {
            if (candidate >= section.lines.size()) continue;
            const Line& line = section.lines[candidate];
            if (line.isKey && !line.shadowed && NamesEqual(KeyOf(line), key)) {
                hintLine_ = candidate;
                return candidate;
            }
        }
    }
    const std::size_t i = FindKey(section, key);
    if (i != NameIndex::npos) {
        hintSection_ = s;
        hintLine_ = i;
    }
    return i;
}

void Profile::BuildIndex(Section& section) {
    std::vector<NameIndex::Entry> entries;
    entries.reserve(section.lines.size());
    for (std::size_t i = 0; i < section.lines.size(); ++i) {
        const Line& line = section.lines[i];
        if (line.isKey) entries.push_back({NameIndex::Hash(KeyOf(line)), static_cast<std::uint32_t>(i)});
    }
    section.index.Build(
        entries, [&](std::size_t i) { return KeyOf(section.lines[i]); },
        [&](std::size_t i) { section.lines[i].shadowed = true; });
}

void Profile::IndexKey(Section& section, std::size_t line) {
    section.index.Insert(KeyOf(section.lines[line]), line,
                         [&](std::size_t i) { return KeyOf(section.lines[i]); });
}

std::size_t Profile::FindSectionIndex(std::string_view section) const {
    const std::string_view name = Trim(section);
    if (hintSection_ > 0 && hintSection_ < sections_.size() && !sections_[hintSection_].shadowed &&
        NamesEqual(sections_[hintSection_].name, name))
        return hintSection_;
    return sectionIndex_.Find(name, [this](std::size_t i) -> std::string_view { return sections_[i].name; });
}

const Profile::Line* Profile::FindLine(std::string_view section, std::string_view key) const {
    const std::size_t s = FindSectionIndex(section);
    if (s == NameIndex::npos) return nullptr;
    const std::size_t i = FindKeyAt(s, Trim(key));
    return i == NameIndex::npos ? nullptr : &sections_[s].lines[i];
}

void Profile::Classify(Line& line, std::string_view t) {
    line.isKey = false;
    line.keyBegin = line.keyEnd = line.valueBegin = line.valueEnd = 0;
    std::size_t b = 0;
    std::size_t e = t.size();
    while (b < e && IsBlank(t[b])) ++b;
    while (e > b && IsBlank(t[e - 1])) --e;
    if (b == e || t[b] == ';') return;
    std::string_view name;
    if (HeaderName(t.substr(b, e - b), name)) return;
    const std::size_t eq = t.find('=', b);
    if (eq == std::string_view::npos || eq >= e) return;
    std::size_t keyEnd = eq;
    while (keyEnd > b && IsBlank(t[keyEnd - 1])) --keyEnd;
    if (keyEnd == b) return;  // "=value" names nothing
    std::size_t valueBegin = eq + 1;
    while (valueBegin < e && IsBlank(t[valueBegin])) ++valueBegin;
    line.keyBegin = static_cast<std::uint32_t>(b);
    line.keyEnd = static_cast<std::uint32_t>(keyEnd);
    line.valueBegin = static_cast<std::uint32_t>(valueBegin);
    line.valueEnd = static_cast<std::uint32_t>(std::max(e, valueBegin));
    line.isKey = true;
}

Profile::Line& Profile::StoreEdited(Line& line, std::string text) {
    if (line.edited) {
        edited_[line.begin] = std::move(text);
    } else {
        line.begin = static_cast<std::uint32_t>(edited_.size());
        line.size = 0;
        line.edited = true;
        edited_.push_back(std::move(text));
    }
    Classify(line, edited_[line.begin]);
    return line;
}

Profile::Line Profile::NewLine(std::string text) {
    Line line;
    line.crlf = lineEnding_ == LineEnding::CrLf;
    // A new line goes at the end of the text buffer with its line break, as
    // if it had been read there: no allocation of its own, and a run of new
    // lines is written out as one copy. Offsets are 32-bit; beyond that the
    // line gets a slot of its own.
    const std::size_t room = static_cast<std::size_t>(UINT32_MAX) - source_.size();
    if (text.size() + 2 > room) {
        StoreEdited(line, std::move(text));
        return line;
    }
    line.begin = static_cast<std::uint32_t>(source_.size());
    line.size = static_cast<std::uint32_t>(text.size());
    source_ += text;
    source_ += line.crlf ? "\r\n" : "\n";
    Classify(line, Text(line));
    return line;
}

bool Profile::Parse(std::size_t start, std::string* error) {
    const std::string_view text = std::string_view(source_).substr(start);
    const std::size_t firstBreak = text.find('\n');
    lineEnding_ = firstBreak != std::string_view::npos && firstBreak > 0 && text[firstBreak - 1] == '\r'
                      ? LineEnding::CrLf
                      : LineEnding::Lf;
    finalNewline_ = text.empty() || text.back() == '\n';

    // First pass: the lines of each section, so that every vector and index
    // is allocated once (growing them would touch twice the memory).
    std::vector<std::size_t> counts{0};
    std::size_t total = 0;
    for (LineCursor cursor{text}; cursor.Next();) {
        if (++total > kMaxLines) {
            if (error) *error = "more than " + std::to_string(kMaxLines) + " lines";
            return false;
        }
        const std::string_view raw = text.substr(cursor.begin, cursor.size);
        const std::string_view trimmed = Trim(raw);
        std::string_view name;
        if (!trimmed.empty() && trimmed.front() == '[' && HeaderName(trimmed, name))
            counts.push_back(0);
        else
            ++counts.back();
    }
    sections_.reserve(counts.size());
    sections_[0].lines.reserve(counts[0]);
    sectionIndex_.Reserve(counts.size());

    std::vector<Line> blanks;  // blank lines not yet known to be inside or closing a section
    std::size_t current = 0;
    for (LineCursor cursor{text}; cursor.Next();) {
        Line line;
        line.begin = static_cast<std::uint32_t>(start + cursor.begin);  // the text is < 4 GiB
        line.size = static_cast<std::uint32_t>(cursor.size);
        // A last line without a break gets the file's should another follow it.
        line.crlf = cursor.hasBreak ? cursor.crlf : lineEnding_ == LineEnding::CrLf;
        const std::string_view raw = Text(line);
        const std::string_view trimmed = Trim(raw);
        if (trimmed.empty()) {
            blanks.push_back(line);
            continue;
        }
        std::string_view name;
        if (HeaderName(trimmed, name)) {
            sections_[current].trailingBlanks = std::move(blanks);
            blanks.clear();
            current = sections_.size();
            Section& section = sections_.emplace_back();
            section.name = std::string(name);
            section.header = line;
            section.lines.reserve(counts[current]);
            // A repeated section stays unreachable.
            const auto nameOf = [this](std::size_t i) -> std::string_view { return sections_[i].name; };
            section.shadowed = sectionIndex_.Find(section.name, nameOf) != NameIndex::npos;
            if (!section.shadowed) sectionIndex_.Insert(section.name, current, nameOf);
            continue;
        }
        Section& section = sections_[current];
        section.lines.insert(section.lines.end(), blanks.begin(), blanks.end());
        blanks.clear();
        Classify(line, raw);
        section.lines.push_back(line);
    }
    sections_[current].trailingBlanks = std::move(blanks);
    for (std::size_t i = 1; i < sections_.size(); ++i) BuildIndex(sections_[i]);  // first of equal keys wins
    return true;
}

bool Profile::Decode(std::string&& bytes, std::string* error) {
    Clear();
    if (DetectEncoding(bytes) == TextEncoding::Utf8) {
        source_ = std::move(bytes);
    } else {
        std::string utf8;
        if (!DecodeGb18030(bytes, utf8, error)) return false;
        source_ = std::move(utf8);
        encoding_ = TextEncoding::Gb18030;
    }
    std::size_t start = 0;
    if (std::string_view(source_).substr(0, kUtf8Bom.size()) == kUtf8Bom) {
        bom_ = true;
        start = kUtf8Bom.size();
    }
    if (Parse(start, error)) return true;
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
    else if (Decode(std::string(bytes), &reason))
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
    if (!Decode(std::move(bytes), &reason)) return fail(reason);
    loadFailed_ = false;
    return true;
}

std::string Profile::GetString(std::string_view section, std::string_view key, std::string_view def,
                               std::size_t bufferSize) const {
    std::string_view result;
    if (const Line* line = FindLine(section, key)) {
        result = Unquote(ValueOf(*line));
    } else {
        result = def;
        while (!result.empty() && result.back() == ' ') result.remove_suffix(1);
    }
    if (bufferSize > 0) {
        // The limit is in the file's own bytes, as the program that wrote it counted them.
        const std::size_t cut = encoding_ == TextEncoding::Gb18030 ? Gb18030CutPoint(result, bufferSize - 1)
                                                                    : Utf8CutPoint(result, bufferSize - 1);
        result = result.substr(0, cut);
    }
    return std::string(result);
}

std::int32_t Profile::GetInt(std::string_view section, std::string_view key, std::int32_t def) const {
    const Line* line = FindLine(section, key);
    if (!line) return def;
    const std::string_view value = Unquote(ValueOf(*line));
    return value.empty() ? def : TextToInt(value);
}

bool Profile::HasKey(std::string_view section, std::string_view key) const {
    return FindLine(section, key) != nullptr;
}

bool Profile::HasSection(std::string_view section) const {
    return FindSectionIndex(section) != NameIndex::npos;
}

void Profile::SetString(std::string_view section, std::string_view key, std::string_view value) {
    if (sections_.empty()) sections_.emplace_back();  // a moved-from profile
    if (value.size() > kMaxFileBytes) return;  // could never be read back
    const CleanText cleanSection(section);
    const CleanText cleanKey(key);
    const CleanText cleanValue(value);
    const std::string_view sectionName = cleanSection.view();
    const std::string_view keyName = cleanKey.view();
    const std::string_view text = cleanValue.view();
    if (keyName.empty()) return;

    // Refuse a line that would read back as something else: a key such as
    // ";x" or "a=b", or a "[x" key whose value ends in ']' (a section header).
    auto readsBack = [](std::string_view line, std::string_view name) {
        Line probe;
        Classify(probe, line);
        return probe.isKey && line.substr(probe.keyBegin, probe.keyEnd - probe.keyBegin) == name;
    };

    std::size_t target = FindSectionIndex(sectionName);
    if (target != NameIndex::npos) {
        Section& s = sections_[target];
        const std::size_t i = FindKeyAt(target, keyName);
        if (i != NameIndex::npos) {
            Line& line = s.lines[i];
            if (ValueOf(line) == text) return;
            const std::string_view name = KeyOf(line);  // the spelling in the file stays
            std::string rebuilt;
            rebuilt.reserve(name.size() + 1 + text.size());
            rebuilt.append(name).append(1, '=').append(text);
            if (!readsBack(rebuilt, name)) return;
            StoreEdited(line, std::move(rebuilt));
            modified_ = true;
            return;
        }
    }

    std::string added;
    added.reserve(keyName.size() + 1 + text.size());
    added.append(keyName).append(1, '=').append(text);
    if (!readsBack(added, keyName)) return;
    Line line = NewLine(std::move(added));
    if (target == NameIndex::npos) {
        Section fresh;
        fresh.name = std::string(sectionName);
        fresh.header = NewLine("[" + fresh.name + "]");
        target = sections_.size();
        sections_.push_back(std::move(fresh));
        sectionIndex_.Insert(sectionName, target,
                             [this](std::size_t i) -> std::string_view { return sections_[i].name; });
    }
    Section& s = sections_[target];
    s.lines.push_back(line);
    IndexKey(s, s.lines.size() - 1);
    // Whatever line used to end the file is no longer the last one.
    finalNewline_ = true;
    modified_ = true;
}

void Profile::SetInt(std::string_view section, std::string_view key, std::int32_t value) {
    SetString(section, key, std::to_string(value));
}

std::string Profile::SerializeUtf8() const {
    std::string out;
    // Most saves rewrite a file that was read: its text plus a little.
    out.reserve(source_.size() + source_.size() / 16 + 4096);
    if (bom_) out += kUtf8Bom;
    // Unedited lines that stood next to each other in the file are copied
    // as one run of it, line breaks included: a save after a small edit
    // then costs a few large copies instead of one per line.
    std::size_t runBegin = 0;
    std::size_t runEnd = 0;
    bool inRun = false;
    auto flush = [&] {
        if (inRun) out.append(source_, runBegin, runEnd - runBegin);
        inRun = false;
    };
    const Line* previous = nullptr;
    auto emit = [&](const Line& line) {
        if (previous) {
            const std::size_t breakEnd = runEnd + (previous->crlf ? 2 : 1);
            if (inRun && !line.edited && breakEnd == line.begin) {
                runEnd = static_cast<std::size_t>(line.begin) + line.size;
                previous = &line;
                return;
            }
            flush();
            out += previous->crlf ? "\r\n" : "\n";
        }
        if (line.edited) {
            out += Text(line);
        } else {
            inRun = true;
            runBegin = line.begin;
            runEnd = static_cast<std::size_t>(line.begin) + line.size;
        }
        previous = &line;
    };
    for (std::size_t i = 0; i < sections_.size(); ++i) {
        const Section& s = sections_[i];
        if (i > 0) emit(s.header);
        for (const Line& l : s.lines) emit(l);
        for (const Line& l : s.trailingBlanks) emit(l);
    }
    flush();
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

std::string FormatFloat(float value) {
    // to_chars with a precision rounds exactly as printf does, without the
    // locale and format-string work that made "%f" a tenth of a large save.
    // The largest float takes 46 characters; NaN and infinity keep printf's spelling.
    char buffer[64];
    if (!std::isfinite(value)) {
        const int n = std::snprintf(buffer, sizeof buffer, "%f", static_cast<double>(value));
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
    }
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value),
                                      std::chars_format::fixed, 6);
    return std::string(buffer, result.ptr);
}

}  // namespace velmora
