#include "engine/TickLog.h"

#include <cstdarg>
#include <cstdio>

#include "app/Log.h"

namespace velmora {

void TickLog::Add(const char* format, ...) {
    if (count_ == kLines) {
        ++dropped_;
        return;
    }
    va_list args;
    va_start(args, format);
    std::vsnprintf(lines_[count_].data(), kLineBytes, format, args);
    va_end(args);
    ++count_;
}

void TickLog::Flush() {
    for (std::size_t i = 0; i < count_; ++i) LogMessage("%s", lines_[i].data());
    if (dropped_ > 0) LogMessage("engine tick: %zu log lines dropped", dropped_);
    count_ = 0;
    dropped_ = 0;
}

}  // namespace velmora
