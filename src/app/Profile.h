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
#include <unordered_map>
#include <vector>

namespace velmora {

enum class TextEncoding { Utf8, Gb18030 };
enum class LineEnding { Lf, CrLf };

class Profile {
public:
    // Files larger than this are refused instead of being read into memory.
    static constexpr std::uintmax_t kMaxFileBytes = 256u * 1024u * 1024u;

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
    // `existed()` tells the two apart.
    bool Load(const std::filesystem::path& path, std::string* error = nullptr);

    // Parses bytes as if they were the content of `path` (used by fuzzers and tests).
    void LoadFromBytes(std::string_view bytes, const std::filesystem::path& path = {});

    // GetPrivateProfileString: the value of the first `key` in the first
    // `section` (names compared without regard to ASCII case), surrounding
    // blanks and one pair of matching quotes removed; `def` when absent.
    // The result keeps at most bufferSize - 1 bytes, never splitting a UTF-8
    // character. bufferSize 0 means unlimited.
    std::string GetString(std::string_view section, std::string_view key,
                          std::string_view def, std::size_t bufferSize = 0) const;

    // GetPrivateProfileInt: `def` when the key is absent or its value is empty;
    // otherwise leading blanks skipped, an optional sign, then decimal digits up
    // to the first non-digit ("12abc" -> 12, "abc" -> 0, " -7" -> -7), wrapping
    // modulo 2^32 like the Windows conversion.
    std::int32_t GetInt(std::string_view section, std::string_view key, std::int32_t def) const;

    bool HasKey(std::string_view section, std::string_view key) const;
    bool HasSection(std::string_view section) const;

    // WritePrivateProfileString: replaces the value of the first `key` of the
    // first `section` in place (every other line, comment and key stays as it
    // was); a new key is appended at the end of its section, a new section at
    // the end of the file. Nothing is written to disk until Save.
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
    struct Line {
        std::string text;   // the line as read (UTF-8), or as rebuilt after a write
        std::string key;    // trimmed key name; empty for comments, blanks and keyless lines
        std::string value;  // trimmed raw value (quotes kept)
    };
    struct Section {
        std::string header;            // header line as read; empty for the lines before any section
        std::string name;              // trimmed section name
        std::vector<Line> lines;       // lines after the header, in file order
        std::unordered_map<std::string, std::size_t> index;  // lower-cased key -> first line holding it
    };

    const Line* FindLine(std::string_view section, std::string_view key) const;
    Section* FindSection(std::string_view section);
    const Section* FindSection(std::string_view section) const;
    void Parse(std::string_view utf8);
    void Clear();

    std::filesystem::path path_;
    std::vector<Section> sections_;  // sections_[0] holds the lines before the first header
    std::unordered_map<std::string, std::size_t> sectionIndex_;  // lower-cased name -> first section
    TextEncoding encoding_ = TextEncoding::Utf8;
    LineEnding lineEnding_ = LineEnding::Lf;
    bool utf8Bom_ = false;
    bool finalNewline_ = true;
    bool existed_ = false;
    bool modified_ = false;
};

// Converts like the Windows profile integer reader (see Profile::GetInt).
std::int32_t ProfileToInt(std::string_view text);

// Formats a float the way C's "%f" does (six decimals).
std::string FormatFloat(float value);

}  // namespace velmora
