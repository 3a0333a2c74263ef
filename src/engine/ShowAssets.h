#pragma once
// Every asset one show needs while it plays: the motor programs, frame
// animations, colour sequences, 512 tables and programs its blocks name
// (those of the programs it runs, at any depth, included) and the scene's
// system light colour file. Built outside the tick by PrepareShowAssets,
// which reads whatever files the caches do not hold yet, and never changed
// afterwards: the engine reads it during a tick without a file, a lock or an
// allocation, and a newer map replaces it as a whole.
//
// Thread contract: PrepareShowAssets runs on the thread that loads or
// compiles the show (it reads files and takes the cache lock). A prepared
// map is immutable and may be read from any thread; the one the engine
// follows is published under the output lock (Runtime::PublishShowAssets).

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "engine/ColourSequenceFile.h"
#include "engine/FrameAnimationFile.h"
#include "engine/Light512Table.h"
#include "engine/MotorProgramFile.h"
#include "engine/ProgramCache.h"

namespace velmora {

class AssetCaches;
class Scene;
class Show;

class ShowAssets {
public:
    // nullptr for a name that was not prepared or whose file could not be
    // read: the block then has no effect of that kind, as with a missing file.
    const MotorComplierCache* FindMotorProgram(std::string_view name) const { return Find(motor_, name); }
    const FrameComplierCache* FindFrameAnimation(std::string_view name) const { return Find(frame_, name); }
    const LightComplierCache* FindColourSequence(std::string_view name) const { return Find(colour_, name); }
    const Light512ComplierCache* FindLight512Table(std::string_view name) const { return Find(light512_, name); }
    const ProgramCache* FindProgram(std::string_view name) const { return Find(program_, name); }

    // Names held, all kinds together (found or not), for tests and diagnostics.
    std::size_t size() const {
        return motor_.size() + frame_.size() + colour_.size() + light512_.size() + program_.size();
    }

    // Building, before the map is shared: each looks a name up in the
    // caches once (reading its file on a miss) and keeps what it found, or
    // that nothing was found. An empty name (or "---") is ignored.
    void AddMotorProgram(const std::string& name, AssetCaches& caches);
    void AddFrameAnimation(const std::string& name, AssetCaches& caches);
    void AddColourSequence(const std::string& name, AssetCaches& caches);
    void AddLight512Table(const std::string& name, AssetCaches& caches);
    // The program found, only when this call added it (so a caller walking
    // programs visits each once).
    const ProgramCache* AddProgram(const std::string& name, AssetCaches& caches);

private:
    // Hashes texts and text views alike: a lookup by a block's name builds
    // no string.
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    // A name whose file failed maps to nullptr, so it is looked up once per
    // preparation however many blocks name it.
    template <class Record>
    using Map = std::unordered_map<std::string, std::shared_ptr<const Record>, NameHash, std::equal_to<>>;

    template <class Record>
    static const Record* Find(const Map<Record>& map, std::string_view name) {
        const auto it = map.find(name);
        return it == map.end() ? nullptr : it->second.get();
    }

    Map<MotorComplierCache> motor_;
    Map<FrameComplierCache> frame_;
    Map<LightComplierCache> colour_;
    Map<Light512ComplierCache> light512_;
    Map<ProgramCache> program_;
};

// Looks up (reading on a miss) every asset `show` and the programs it runs
// need, and the scene's system light file. Failures remembered by the caches
// are forgotten first, so a file that appeared or was mended since the last
// preparation is read now.
std::shared_ptr<const ShowAssets> PrepareShowAssets(const Scene& scene, const Show& show, AssetCaches& caches);

// The map of no show (nothing prepared yet): every lookup finds nothing.
const ShowAssets& NoShowAssets();

}  // namespace velmora
