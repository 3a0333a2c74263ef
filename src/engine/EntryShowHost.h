#pragma once
// What the playback object needs from the program around it when it starts
// an entry: where entries live, how long the show leads the music, and the
// open show to save, replace and rescale. The runtime implements it (through
// the show document once one is open); tests implement it with a fake.
//
// Thread contract: every call comes from the playback object's owner thread.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>

namespace velmora {

class Prompter;

class EntryShowHost {
public:
    virtual ~EntryShowHost() = default;

    // The folder of music (programMode 0) or program-control (1) entries.
    virtual std::filesystem::path EntryFolder(int programMode) const = 0;
    // g_nPrepareTime of the scene: ms the show leads the music.
    virtual std::int32_t PrepareTimeMs() const = 0;
    // Saves the open show to `path`, asking first when it was modified.
    virtual bool SaveOpenShow(const std::filesystem::path& path, Prompter& prompter, std::string* error) = 0;
    // Replaces the open show with the file's (compiled); `alsoUnderLock`
    // runs under the output lock in the same instant the show goes in.
    virtual bool LoadOpenShow(const std::filesystem::path& path, std::string* error,
                              const std::function<void()>& alsoUnderLock) = 0;
    // New timeline scale (ms per unit); false when refused.
    virtual bool SetShowScale(std::int32_t scale) = 0;
};

}  // namespace velmora
