#pragma once
// The five caches of action assets: each file is parsed once per name and
// kept until the program ends or the operator asks for a refresh. The
// real-time engine never calls them: what a show needs is taken out of them
// when the show is loaded, compiled or started (PrepareShowAssets), and the
// tick reads that prepared map.
//
// Thread contract: every operation may run on any thread (the UI compiles,
// edits and prepares; a CLI command or a test may do so on its own thread).
// One cache lock guards all five caches; it is never held while waiting for
// the output lock, and operator messages are given after it is released, on
// the calling thread (give a worker a queueing prompter, app/MessageQueue.h).
// Records are handed out as shared pointers, so a record removed by a
// refresh stays valid for as long as a caller holds it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/Workspace.h"
#include "engine/ColourSequenceFile.h"
#include "engine/FrameAnimationFile.h"
#include "engine/Light512Table.h"
#include "engine/MotorProgramFile.h"
#include "engine/ProgramCache.h"

namespace velmora {

class Profile;
class Prompter;
class Scene;

// Told when a motor program's loops cannot be expanded (or exceed the bound).
inline constexpr const char* kComplierErrorMessage = "Complier ERROR!";

class AssetCaches {
public:
    explicit AssetCaches(Workspace workspace, Prompter* prompter = nullptr);
    AssetCaches(const AssetCaches&) = delete;
    AssetCaches& operator=(const AssetCaches&) = delete;

    // Where operator messages go; without one they are only logged. Set it
    // before other threads use the caches. Messages are told on the thread
    // that looked the asset up, outside the cache lock.
    void SetPrompter(Prompter* prompter) { prompter_ = prompter; }

    // Milliseconds for remembering failed lookups (GetClockMs unless a test
    // injects its own). Set it before other threads use the caches.
    using Clock = std::function<std::uint32_t()>;
    void SetClock(Clock clock) { clock_ = std::move(clock); }

    // A motor program, frame animation, colour sequence or 512 table that
    // could not be read is not probed again for this long, so a compile of
    // thousands of blocks naming one missing file probes it once. ForgetFailedLookups (which
    // every preparation of a show's assets calls first) drops the memory at
    // once, so a file that appears or is mended is read by the next compile.
    static constexpr std::uint32_t kRetryMissingMs = 1000;

    // The motor program of a block (loops expanded), read on first use;
    // nullptr when the file is missing or its Num is 0 (nothing is cached;
    // the failure is remembered for kRetryMissingMs).
    std::shared_ptr<const MotorComplierCache> FindMotorProgram(std::string_view name);
    // nullptr when the file is missing or unreadable (nothing is cached;
    // the failure is remembered for kRetryMissingMs).
    std::shared_ptr<const FrameComplierCache> FindFrameAnimation(std::string_view name);
    // Never nullptr: a missing file gives the empty sequence (not cached; the
    // failure is remembered for kRetryMissingMs, so a file that appears is read).
    std::shared_ptr<const LightComplierCache> FindColourSequence(std::string_view name);
    // nullptr after a failed load, which tells the operator why (nothing is
    // cached; the failure is remembered, and not told again, for
    // kRetryMissingMs or until ForgetFailedLookups / ClearLight512Cache).
    std::shared_ptr<const Light512ComplierCache> FindLight512Table(std::string_view name);
    // Never loads: programs come from FillProgramCache.
    std::shared_ptr<const ProgramCache> FindProgram(std::string_view name) const;

    // Drop a record (or a remembered failure) so that the next lookup reads
    // the file again.
    void RemoveMotorProgram(std::string_view name);
    void RemoveFrameAnimation(std::string_view name);
    // After an editor saved `file`: drops every record (and remembered
    // failure) whose name stands for that file, however a block spells it
    // (another case, a folder part), so that the next lookup reads what was
    // saved. Returns how many names were dropped.
    std::size_t ForgetMotorFile(const std::filesystem::path& file);
    std::size_t ForgetFrameFile(const std::filesystem::path& file);
    std::size_t ForgetColourFile(const std::filesystem::path& file);
    // Forgets every remembered failure (motor programs, frame animations,
    // colour sequences, 512 tables): the next lookup of such a name looks at
    // the disk again.
    void ForgetFailedLookups();
    void ClearLight512Cache();

    // Replaces the program cache with the entries of the scene file's
    // [ProgramList] (see LoadProgramList).
    void FillProgramCache(const Profile& sceneProfile, const Scene& scene);

    // The file an asset name stands for in its folder (the name's file part,
    // found case-insensitively); empty for a name that has no file part.
    std::filesystem::path MotorPath(std::string_view name) const;
    std::filesystem::path FramePath(std::string_view name) const;
    std::filesystem::path ColourPath(std::string_view name) const;
    std::filesystem::path Light512Path(std::string_view name) const;

    // Files parsed so far (all caches), for tests and diagnostics.
    std::size_t filesParsed() const { return filesParsed_.load(); }

private:
    // Hashes texts and text views alike, so a lookup by a block's name does
    // not build a string (the engine looks names up on every tick).
    struct NameHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view name) const { return std::hash<std::string_view>{}(name); }
    };
    // A file is read once per name, so each cache holds a name at most once.
    template <class Record>
    using Cache = std::unordered_map<std::string, std::shared_ptr<const Record>, NameHash, std::equal_to<>>;

    template <class Record>
    static std::shared_ptr<const Record> Lookup(const Cache<Record>& cache, std::string_view name);
    // Takes the record of that name out of the cache; the caller lets it go
    // after releasing the lock.
    template <class Record>
    static std::shared_ptr<const Record> Take(Cache<Record>& cache, std::string_view name);
    void Tell(const std::vector<std::string>& messages);

    // When a name last failed to load.
    struct Failure {
        std::uint32_t atMs = 0;
    };
    using Failures = std::unordered_map<std::string, Failure, NameHash, std::equal_to<>>;
    // True when `name` failed less than kRetryMissingMs ago (lock held).
    bool FailedRecently(const Failures& failures, std::string_view name) const;
    // Notes a failure now; true when the name was not failing before (lock held).
    bool NoteFailure(Failures& failures, std::string_view name);
    // Drops the names of `cache` and `failures` that `pathOf` resolves to `file`.
    template <class Record, class PathOf>
    std::size_t ForgetFile(Cache<Record>& cache, Failures& failures, const std::filesystem::path& file, PathOf pathOf);

    const Workspace workspace_;
    Prompter* prompter_ = nullptr;
    Clock clock_;
    std::atomic<std::size_t> filesParsed_{0};

    mutable std::mutex mutex_;  // the cache lock
    Cache<MotorComplierCache> g_listMotorCache;
    Cache<FrameComplierCache> g_listFrameCache;
    Cache<LightComplierCache> g_listColourCache;
    Cache<Light512ComplierCache> g_listLight512Cache;
    Failures failedLight512_;
    Failures failedMotor_;
    Failures failedFrame_;
    Failures failedColour_;
    std::vector<std::shared_ptr<const ProgramCache>> g_listProgramCache;  // list order; names may repeat
};

}  // namespace velmora
