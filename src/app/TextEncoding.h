#pragma once
// Text encodings of the files an installation holds: UTF-8 (what we write) and
// the legacy GB18030/GBK text of files written on Chinese Windows. Conversion
// goes through glibc's iconv; nothing here keeps state between calls.

#include <cstddef>
#include <string>
#include <string_view>

namespace velmora {

enum class TextEncoding { Utf8, Gb18030 };

// The UTF-8 byte order mark some editors put at the start of a file.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
// U+FFFD, what an undecodable byte becomes.
inline constexpr std::string_view kReplacementChar = "\xEF\xBF\xBD";

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

// How the bytes of a file are to be read: GB18030 when they are not valid
// UTF-8, and also when their only non-ASCII text is two-byte sequences (valid
// GBK pairs that happen to be valid UTF-8); UTF-8 otherwise (pure ASCII included).
TextEncoding DetectEncoding(std::string_view bytes);

// `text` with every byte that does not start a valid UTF-8 sequence replaced
// by U+FFFD; valid text comes back unchanged.
std::string SanitizeUtf8(std::string_view text);

// The largest n <= limit at which `text` can be cut without splitting a UTF-8
// character (limit beyond the end: the whole text).
std::size_t Utf8CutPoint(std::string_view text, std::size_t limit);

// The largest n at which UTF-8 `text` can be cut without splitting a
// character such that text[0, n) takes at most `limit` bytes in GB18030: the
// byte limits of a legacy file's fixed-size texts count its own bytes (two a
// Chinese character), not UTF-8's three. An invalid byte counts as the four
// of U+FFFD, which is what it becomes when written back.
std::size_t Gb18030CutPoint(std::string_view text, std::size_t limit);

// GB18030 bytes to UTF-8. Lossy by design: a byte that does not start a valid
// GB18030 sequence (or a sequence cut off by the end) becomes U+FFFD and
// decoding resumes at the next byte, so a stray byte never swallows the line
// break after it. False only when the converter itself is unavailable.
bool DecodeGb18030(std::string_view bytes, std::string& utf8, std::string* error = nullptr);

// UTF-8 to GB18030, which covers all of Unicode; invalid UTF-8 input bytes
// become the GB18030 form of U+FFFD. False only when the converter is unavailable.
bool EncodeGb18030(std::string_view utf8, std::string& bytes, std::string* error = nullptr);

}  // namespace velmora
