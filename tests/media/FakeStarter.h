#pragma once
// Records every entry a list starts; answers with a fixed result.

#include <set>
#include <string>
#include <vector>

#include "media/EntryStarter.h"

namespace velmora::testing {

struct FakeStarter : EntryStarter {
    struct Call {
        std::string path;
        int programMode;
        ProgramSettings settings;
    };
    std::vector<Call> calls;
    std::set<std::string> missing;  // paths whose start fails

    bool StartEntry(const std::string& path, int programMode, const ProgramSettings& settings) override {
        calls.push_back({path, programMode, settings});
        return missing.count(path) == 0;
    }
    std::vector<std::string> Paths() const {
        std::vector<std::string> out;
        for (const Call& c : calls) out.push_back(c.path);
        return out;
    }
};

}  // namespace velmora::testing
