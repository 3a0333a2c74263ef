#pragma once
// INI files with the semantics of the Windows private-profile functions, which
// every file of an installation (scene, shows, assets, config) was written with.
// Unlike those functions, a file is parsed once per Load and written once per
// Save, atomically, so a 100,000-key scene costs milliseconds, not minutes.
//
// Thread contract: a Profile is a plain value; one thread at a time.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/NameIndex.h"
#include "app/TextEncoding.h"

namespace velmora {

enum class LineEnding { Lf, CrLf };

class Profile {
public:
    // Files larger than this, or with more lines than this, are refused
    // instead of being read into memory (the largest scenes hold ~130,000 keys).
    static constexpr std::uintmax_t kMaxFileBytes = 256u * 1024u * 1024u;
    static constexpr std::size_t kMaxLines = 4'000'000;

    Profile();
    ~Profile();
    Profile(Profile&&) noexcept;
    Profile& operator=(Profile&&) noexcept;
    Profile(const Profile&);
    Profile& operator=(const Profile&);

    // Reads the file at `path` and remembers the path for Save. A missing file,
    // a directory or an unreadable file gives an empty profile (every read then
    // answers its default) and returns false with the reason in *error.
    // A missing file is not an error for callers that only want defaults;
    // `existed()` tells the two apart (it is false only when nothing is at `path`).
    // After any other failure Save refuses to write over the unread file, so
    // setting a few keys cannot wipe out the rest; SaveAs still writes.
    //
    // Bytes that are valid UTF-8 are UTF-8; anything else is read as GB18030,
    // where an undecodable byte becomes U+FFFD (and is written back as that).
    // Lines end at LF; a CR before it belongs to the line end, a lone CR is
    // ordinary text.
    bool Load(const std::filesystem::path& path, std::string* error = nullptr);

    // Parses bytes as if they were the content of `path` (used by fuzzers and
    // tests); false, with an empty profile, only for input over the limits.
    bool LoadFromBytes(std::string_view bytes, const std::filesystem::path& path = {},
                       std::string* error = nullptr);

    // GetPrivateProfileString: the value of the first `key` in the first
    // `section` (names compared without regard to ASCII case, surrounding
    // blanks ignored), surrounding blanks and one pair of matching quotes
    // removed; `def` without its trailing spaces when absent.
    // The result keeps at most bufferSize - 1 bytes of the file's encoding
    // (GB18030 bytes for a legacy file), never splitting a character.
    // bufferSize 0 means unlimited.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view def, std::size_t bufferSize = 0) const;

    // GetPrivateProfileInt: `def` when the key is absent or its value is empty;
    // otherwise TextToInt of the value ("12abc" -> 12, "abc" -> 0, " -7" -> -7,
    // wrapping modulo 2^32 like the Windows conversion).
    std::int32_t GetInt(std::string_view section, std::string_view key, std::int32_t def) const;

    bool HasKey(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;

    // WritePrivateProfileString: replaces the value of the first `key` of the
    // first `section` in place (every other line, comment and key stays as it
    // was); a new key is appended after the last non-blank line of its
    // section, a new section at the end of the file. Nothing is written to
    // disk until Save. Line breaks in names or value become spaces and
    // invalid UTF-8 becomes U+FFFD, so one call can never add lines or spoil
    // the encoding of the whole file. A write that would not read back as
    // written is ignored: an empty key name, one starting with ';' or holding
    // '=', or a "[x" key given a value ending in ']' (a section header).
    void SetString(std::string_view section, std::string_view key, std::string_view value);
    void SetInt(std::string_view section, std::string_view key, std::int32_t value);

    // Writes the whole file once: a temporary file beside it, fsync, rename.
    // A failure leaves the previous file whole. Text goes back in the encoding
    // and line ends it was read in (new files: UTF-8, LF).
    bool Save(std::string* error = nullptr);
    bool SaveAs(const std::filesystem::path& path, std::string* error = nullptr);

    // The bytes Save would write.
    std::string Serialize() const;

    const std::filesystem::path& path() const { return path_; }
    bool existed() const { return existed_; }
    bool modified() const { return modified_; }
    TextEncoding encoding() const { return encoding_; }
    LineEnding lineEnding() const { return lineEnding_; }

private:
    // A line without its line break. Lines as read, and lines added since,
    // point into source_, so a 100,000-line file costs one buffer, not
    // 100,000 strings; a line rewritten since gets its own slot in edited_,
    // reused when it is written again.
    struct Line {
        std::uint32_t begin = 0;     // offset in source_, or slot in edited_ when `edited`
        std::uint32_t size = 0;      // length in source_ (unused when `edited`)
        std::uint32_t keyBegin = 0, keyEnd = 0;      // trimmed key name within the text
        std::uint32_t valueBegin = 0, valueEnd = 0;  // trimmed raw value (quotes kept)
        bool edited = false;
        bool isKey = false;          // false for comments, blanks, headers and lines without '='
        bool crlf = false;           // the line break after it is CR LF
        bool shadowed = false;       // a later key of a name its section already has: never found
    };
    struct Section {
        Line header;                 // "[name]" line; unused for sections_[0]
        std::string name;            // trimmed section name
        std::vector<Line> lines;     // lines after the header up to the last non-blank one
        // Blank lines closing the section, kept apart so that appending a key
        // before them costs O(1) whatever their number.
        std::vector<Line> trailingBlanks;
        NameIndex index;             // key name (any case) -> first line holding it
        bool shadowed = false;       // a repeated section: never found
    };

    std::string_view Text(const Line& line) const;
    std::string_view KeyOf(const Line& line) const;
    std::string_view ValueOf(const Line& line) const;
    std::size_t FindKey(const Section& section, std::string_view key) const;
    std::size_t FindKeyAt(std::size_t section, std::string_view key) const;
    void IndexKey(Section& section, std::size_t line);
    void BuildIndex(Section& section);
    std::size_t FindSectionIndex(std::string_view section) const;
    const Line* FindLine(std::string_view section, std::string_view key) const;
    Line& StoreEdited(Line& line, std::string text);
    Line NewLine(std::string text);
    static void Classify(Line& line, std::string_view text);
    bool Parse(std::size_t start, std::string* error);
    bool Decode(std::string&& bytes, std::string* error);
    bool Encode(std::string& out, std::string* error) const;
    std::string SerializeUtf8() const;
    void Clear();

    std::filesystem::path path_;
    std::string source_;             // the text as read, in UTF-8, then the lines added since
    std::vector<std::string> edited_;
    std::vector<Section> sections_;  // sections_[0] holds the lines before the first header
    NameIndex sectionIndex_;         // section name (any case) -> first section, never 0
    // Where the last lookup found its key. Files are read and written in
    // the order their keys stand, so the next key is nearly always on the
    // next line: checking there first spares a hash probe, a cache miss at
    // random in a table of 100,000 keys, for nearly every key.
    mutable std::size_t hintSection_ = 0;  // 0: no hint (section 0 is never looked up)
    mutable std::size_t hintLine_ = 0;
    TextEncoding encoding_ = TextEncoding::Utf8;
    LineEnding lineEnding_ = LineEnding::Lf;
    bool bom_ = false;  // the text starts with U+FEFF (EF BB BF in UTF-8), kept out of the lines
    bool finalNewline_ = true;
    bool existed_ = false;
    bool modified_ = false;
    bool loadFailed_ = false;  // the file at path_ exists but was not read: Save must not replace it
};

// Formats a float the way C's "%f" does (six decimals).
std::string FormatFloat(float value);

}  // namespace velmora
