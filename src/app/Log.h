#pragma once
// The optional text log FountainLog.log: a line is appended only while the
// file exists; the program never creates it, so an operator switches logging
// on by creating the file.
//
// Thread contract: callable from any thread; appends are serialised.

#include <filesystem>
#include <string>

namespace velmora {

inline constexpr const char* kLogFileName = "FountainLog.log";

// printf-style; the message is cut to 255 bytes (never inside a UTF-8
// character) and appended as "M-DD hh:mm:ss:mmm message".
void LogMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Where the log lives; the bare file name (relative to the current
// directory) unless changed. Tests point it elsewhere.
void SetLogPath(const std::filesystem::path& path);
std::filesystem::path GetLogPath();

}  // namespace velmora
