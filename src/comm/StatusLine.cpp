#include "comm/StatusLine.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/Log.h"

namespace velmora {

void StatusLine::Set(std::string_view text) {
    const std::size_t length = Utf8PrefixLength(text, kBuffer - 1);
    std::lock_guard lock(mutex_);
    std::memcpy(text_, text.data(), length);
    text_[length] = '\0';
    length_ = length;
}

void StatusLine::Format(const char* format, ...) {
    char line[kBuffer];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n < 0) return;
    Set(std::string_view(line, static_cast<std::size_t>(n) < sizeof line ? static_cast<std::size_t>(n)
                                                                          : sizeof line - 1));
}

std::string StatusLine::Get() const {
    std::lock_guard lock(mutex_);
    return std::string(text_, length_);
}

}  // namespace velmora
