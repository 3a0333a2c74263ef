#pragma once
// How the music list and the program-control list start an entry: the
// playback object implements it; tests fake it.

#include <string>

namespace velmora {

// What a program-control entry runs for: cell length and total length in
// milliseconds and its music level (0..100).
struct ProgramSettings {
    double cellMs = 1000.0;
    double lengthMs = 60000.0;
    double level = 64.0;
};

class EntryStarter {
public:
    virtual ~EntryStarter() = default;
    // Starts the music (programMode 0) or program-control file (1) at `path`;
    // false when neither the path nor the file of that name in the
    // workspace's Music/Program folder exists.
    // Thread contract: the list's owner thread (UI or CLI main).
    virtual bool StartEntry(const std::string& path, int programMode, const ProgramSettings& settings) = 0;
};

}  // namespace velmora
