#pragma once
// Points the process log at another file while it lives and puts the previous
// path back however the test ends: an ASSERT that returns early must not leave
// the log pointing into a removed scratch directory for the tests after it.

#include <filesystem>

#include "app/Log.h"

namespace velmora::testing {

class ScopedLogPath {
public:
    explicit ScopedLogPath(const std::filesystem::path& path) : previous_(GetLogPath()) { SetLogPath(path); }
    ~ScopedLogPath() { SetLogPath(previous_); }
    ScopedLogPath(const ScopedLogPath&) = delete;
    ScopedLogPath& operator=(const ScopedLogPath&) = delete;

private:
    std::filesystem::path previous_;
};

}  // namespace velmora::testing
