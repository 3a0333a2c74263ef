#pragma once
// The optional text log FountainLog.log: a line is appended only while the
// file exists; the program never creates it, so an operator switches logging
// on by creating the file.
//
// Thread contract: callable from any thread; appends are serialised.

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace velmora {

inline constexpr const char* kLogFileName = "FountainLog.log";

// printf-style; the message is cut to 255 bytes (never inside a UTF-8
// character) and appended as "M-DD hh:mm:ss:mmm message".
void LogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Whether appends would land now (the log file exists). One file-system
// query; a caller that logs many lines in one pass (the engine's tick) asks
// once and skips the formatting of every line while logging is off.
bool LogEnabled();

// Where the log lives; the bare file name (relative to the current
// directory) unless changed. Tests point it elsewhere.
void SetLogPath(const std::filesystem::path& path);
std::filesystem::path GetLogPath();

// One log line from a broken-down local time: month not zero-padded, the rest
// padded ("2-03 09:04:05:007 text\n").
std::string FormatLogLine(int month, int day, int hour, int minute, int second,
                          int millisecond, std::string_view text);

// The longest prefix of `text` of at most `maxBytes` bytes that does not end
// inside a UTF-8 character (a text that already ends inside one is cut before it).
std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes);

}  // namespace velmora
