#include "app/Log.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <ctime>
#include <mutex>

namespace velmora {
namespace {

// Serialises appends and guards the log path.
constinit std::mutex g_csLog;

// Function-local so a worker started during static initialisation can log.
std::filesystem::path& LogPathLocked() {
    static std::filesystem::path path{kLogFileName};
    return path;
}

bool IsContinuationByte(unsigned char c) {
    return (c & 0xC0u) == 0x80u;
}

// Bytes a character starting with `lead` occupies; 1 for bytes that cannot
// start one, so malformed text is cut like plain bytes.
std::size_t SequenceLength(unsigned char lead) {
    if (lead >= 0xF0u && lead <= 0xF7u) return 4;
    if (lead >= 0xE0u) return lead <= 0xEFu ? 3 : 1;
    if (lead >= 0xC0u) return 2;
    return 1;
}

bool Exists(const std::filesystem::path& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    std::fclose(file);
    return true;
}

// O_APPEND without O_CREAT: a file removed since the existence test stays
// removed, and the one write() keeps lines whole even across processes.
void AppendLine(const std::filesystem::path& path, const std::string& line) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return;
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
}

}  // namespace

std::size_t Utf8PrefixLength(std::string_view text, std::size_t maxBytes) {
    const std::size_t limit = std::min(text.size(), maxBytes);
    // Find where the last character that starts inside the prefix begins; a
    // text already cut short (as by vsnprintf) may end inside one too.
    std::size_t start = limit;
    for (std::size_t back = 0; back < 4 && start > 0; ++back) {
        --start;
        const auto c = static_cast<unsigned char>(text[start]);
        if (!IsContinuationByte(c)) {
            return start + SequenceLength(c) > limit ? start : limit;
        }
    }
    return limit;  // no lead byte nearby: not UTF-8, cut where asked
}

std::string FormatLogLine(int month, int day, int hour, int minute, int second,
                          int millisecond, std::string_view text) {
    char stamp[64];
    const int n = std::snprintf(stamp, sizeof stamp, "%d-%02d %02d:%02d:%02d:%03d ", month, day,
                                hour, minute, second, millisecond);
    std::string line;
    line.reserve(static_cast<std::size_t>(n > 0 ? n : 0) + text.size() + 1);
    if (n > 0) line.append(stamp, std::min<std::size_t>(static_cast<std::size_t>(n), sizeof stamp - 1));
    line.append(text);
    line.push_back('\n');
    return line;
}

void LogMessage(const char* format, ...) {
    if (format == nullptr) return;

    char message[256];
    va_list args;
    va_start(args, format);
    const int needed = std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (needed < 0) return;
    const std::string_view formatted(message, std::min<std::size_t>(static_cast<std::size_t>(needed),
                                                                    sizeof message - 1));
    const std::string_view text = formatted.substr(0, Utf8PrefixLength(formatted, sizeof message - 1));

    const auto now = std::chrono::system_clock::now();
    const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
    const auto millisecond = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    const std::string line = FormatLogLine(local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min,
                                           local.tm_sec, millisecond < 0 ? millisecond + 1000 : millisecond,
                                           text);

    std::lock_guard lock(g_csLog);
    const std::filesystem::path& path = LogPathLocked();
    if (!Exists(path)) return;
    AppendLine(path, line);
}

bool LogEnabled() {
    std::lock_guard lock(g_csLog);
    return ::access(LogPathLocked().c_str(), F_OK) == 0;
}

void SetLogPath(const std::filesystem::path& path) {
    std::lock_guard lock(g_csLog);
    LogPathLocked() = path;
}

std::filesystem::path GetLogPath() {
    std::lock_guard lock(g_csLog);
    return LogPathLocked();
}

}  // namespace velmora
