#include "engine/AssetCaches.h"

#include "app/Clock.h"
#include "app/Log.h"
#include "app/Prompter.h"

namespace velmora {
namespace {

std::filesystem::path InFolder(const Workspace& workspace, std::string_view folder, std::string_view name) {
    if (name.empty()) return {};
    return ResolveStored(workspace.AssetDir(folder), name);
}

}  // namespace

AssetCaches::AssetCaches(Workspace workspace, Prompter* prompter)
    : workspace_(std::move(workspace)), prompter_(prompter), clock_(GetClockMs) {}

bool AssetCaches::FailedRecently(const Failures& failures, std::string_view name) const {
    const auto it = failures.find(name);
    // Unsigned difference: right across the wrap of the 32-bit clock.
    return it != failures.end() && static_cast<std::uint32_t>(clock_() - it->second.atMs) < kRetryMissingMs;
}

bool AssetCaches::NoteFailure(Failures& failures, std::string_view name) {
    const std::uint32_t now = clock_();
    const auto it = failures.find(name);
    if (it != failures.end()) {
        it->second.atMs = now;
        return false;
    }
    failures.emplace(std::string(name), Failure{now});
    return true;
}

template <class Record>
std::shared_ptr<const Record> AssetCaches::Lookup(const Cache<Record>& cache, std::string_view name) {
    const auto it = cache.find(name);
    return it == cache.end() ? nullptr : it->second;
}

template <class Record>
std::shared_ptr<const Record> AssetCaches::Take(Cache<Record>& cache, std::string_view name) {
    const auto it = cache.find(name);
    if (it == cache.end()) return nullptr;
    std::shared_ptr<const Record> taken = std::move(it->second);
    cache.erase(it);
    return taken;
}

void AssetCaches::Tell(const std::vector<std::string>& messages) {
    for (const std::string& text : messages) {
        if (prompter_ != nullptr) {
            prompter_->Tell(text);
        } else {
            LogMessage("%s", text.c_str());
        }
    }
}

std::filesystem::path AssetCaches::MotorPath(std::string_view name) const { return InFolder(workspace_, "motor", name); }
std::filesystem::path AssetCaches::FramePath(std::string_view name) const { return InFolder(workspace_, "Frame", name); }
std::filesystem::path AssetCaches::ColourPath(std::string_view name) const { return InFolder(workspace_, "Color", name); }
std::filesystem::path AssetCaches::Light512Path(std::string_view name) const {
    return InFolder(workspace_, "512Light", name);
}

std::shared_ptr<const MotorComplierCache> AssetCaches::FindMotorProgram(std::string_view name) {
    std::vector<std::string> messages;
    std::shared_ptr<const MotorComplierCache> result;
    {
        std::lock_guard lock(mutex_);
        if ((result = Lookup(g_listMotorCache, name))) return result;
        if (FailedRecently(failedMotor_, name)) return nullptr;
        const std::filesystem::path path = MotorPath(name);
        if (path.empty()) return nullptr;
        std::optional<MotorProgramRead> read = LoadMotorFile(path);
        ++filesParsed_;
        if (!read) {
            NoteFailure(failedMotor_, name);
            return nullptr;
        }
        if (const auto failed = failedMotor_.find(name); failed != failedMotor_.end()) failedMotor_.erase(failed);
        if (read->loops != LoopResult::Ok) {
            messages.emplace_back(kComplierErrorMessage);
            LogMessage("motor program %s: %s", std::string(name).c_str(),
                       read->loops == LoopResult::Unmatched ? "loop end without a loop start"
                                                            : "expanded program cut at the step bound");
        }
        auto record = std::make_shared<MotorComplierCache>(std::move(read->record));
        record->m_szName = std::string(name);
        g_listMotorCache.emplace(record->m_szName, record);
        result = std::move(record);
    }
    Tell(messages);
    return result;
}

std::shared_ptr<const FrameComplierCache> AssetCaches::FindFrameAnimation(std::string_view name) {
    std::lock_guard lock(mutex_);
    if (auto found = Lookup(g_listFrameCache, name)) return found;
    if (FailedRecently(failedFrame_, name)) return nullptr;
    const std::filesystem::path path = FramePath(name);
    if (path.empty()) return nullptr;
    auto record = std::make_shared<FrameComplierCache>();
    std::string error;
    const bool ok = LoadFrameFile(path, *record, &error);
    ++filesParsed_;
    if (!ok) {
        // Logged once while the name keeps failing, not at every re-probe.
        std::error_code ec;
        if (NoteFailure(failedFrame_, name) && std::filesystem::exists(path, ec))
            LogMessage("frame animation %s: %s", path.string().c_str(), error.c_str());
        return nullptr;
    }
    if (const auto failed = failedFrame_.find(name); failed != failedFrame_.end()) failedFrame_.erase(failed);
    record->m_szName = std::string(name);
    g_listFrameCache.emplace(record->m_szName, record);
    return record;
}

std::shared_ptr<const LightComplierCache> AssetCaches::FindColourSequence(std::string_view name) {
    // What a missing file reads as; shared, so a failing name costs no allocation.
    static const auto kEmpty = std::make_shared<const LightComplierCache>();
    std::lock_guard lock(mutex_);
    if (auto found = Lookup(g_listColourCache, name)) return found;
    if (FailedRecently(failedColour_, name)) return kEmpty;
    auto record = std::make_shared<LightComplierCache>();
    const std::filesystem::path path = ColourPath(name);
    const bool read = !path.empty() && LoadColourFile(path, *record);
    ++filesParsed_;
    if (!read) {
        // The empty sequence, but not cached: a file that appears later is
        // read after the retry time or the next preparation, like a motor file.
        NoteFailure(failedColour_, name);
        return kEmpty;
    }
    if (const auto failed = failedColour_.find(name); failed != failedColour_.end()) failedColour_.erase(failed);
    record->m_szName = std::string(name);
    g_listColourCache.emplace(record->m_szName, record);
    return record;
}

std::shared_ptr<const Light512ComplierCache> AssetCaches::FindLight512Table(std::string_view name) {
    std::vector<std::string> messages;
    std::shared_ptr<const Light512ComplierCache> result;
    {
        std::lock_guard lock(mutex_);
        if ((result = Lookup(g_listLight512Cache, name))) return result;
        if (FailedRecently(failedLight512_, name)) return nullptr;
        LogMessage("3");
        auto record = std::make_shared<Light512ComplierCache>();
        const std::filesystem::path path = Light512Path(name);
        const Light512Status status = path.empty() ? Light512Status::OpenFailed : LoadLight512(path, *record);
        ++filesParsed_;
        LogMessage("4");
        if (status != Light512Status::Ok) {
            // Told once while the name keeps failing, not at every re-probe.
            if (NoteFailure(failedLight512_, name)) messages.emplace_back(Light512Message(status));
        } else {
            if (const auto failed = failedLight512_.find(name); failed != failedLight512_.end())
                failedLight512_.erase(failed);
            record->m_szName = std::string(name);
            g_listLight512Cache.emplace(record->m_szName, record);
            result = std::move(record);
        }
    }
    Tell(messages);
    return result;
}

std::shared_ptr<const ProgramCache> AssetCaches::FindProgram(std::string_view name) const {
    std::lock_guard lock(mutex_);
    for (const auto& program : g_listProgramCache)
        if (program->m_szName == name) return program;
    return nullptr;
}

void AssetCaches::RemoveMotorProgram(std::string_view name) {
    std::shared_ptr<const MotorComplierCache> dropped;
    std::lock_guard lock(mutex_);
    dropped = Take(g_listMotorCache, name);
    if (const auto failed = failedMotor_.find(name); failed != failedMotor_.end()) failedMotor_.erase(failed);
}  // the lock is released before `dropped` lets the record go

void AssetCaches::RemoveFrameAnimation(std::string_view name) {
    std::shared_ptr<const FrameComplierCache> dropped;
    std::lock_guard lock(mutex_);
    dropped = Take(g_listFrameCache, name);
    if (const auto failed = failedFrame_.find(name); failed != failedFrame_.end()) failedFrame_.erase(failed);
}

namespace {

// Two spellings of one file: the same path once both are made absolute and
// normal, or the same file on disk.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    if (a.empty() || b.empty()) return false;
    std::error_code error;
    if (std::filesystem::equivalent(a, b, error)) return true;
    return std::filesystem::weakly_canonical(a, error) == std::filesystem::weakly_canonical(b, error);
}

}  // namespace

template <class Record, class PathOf>
std::size_t AssetCaches::ForgetFile(Cache<Record>& cache, Failures& failures, const std::filesystem::path& file,
                                    PathOf pathOf) {
    std::vector<std::shared_ptr<const Record>> dropped;
    std::size_t count = 0;
    {
        std::lock_guard lock(mutex_);
        for (auto it = cache.begin(); it != cache.end();) {
            if (SameFile((this->*pathOf)(it->first), file)) {
                dropped.push_back(std::move(it->second));
                it = cache.erase(it);
                ++count;
            } else {
                ++it;
            }
        }
        for (auto it = failures.begin(); it != failures.end();) {
            if (SameFile((this->*pathOf)(it->first), file)) {
                it = failures.erase(it);
                ++count;
            } else {
                ++it;
            }
        }
    }
    return count;  // `dropped` lets the records go outside the lock
}

std::size_t AssetCaches::ForgetMotorFile(const std::filesystem::path& file) {
    return ForgetFile(g_listMotorCache, failedMotor_, file, &AssetCaches::MotorPath);
}

std::size_t AssetCaches::ForgetFrameFile(const std::filesystem::path& file) {
    return ForgetFile(g_listFrameCache, failedFrame_, file, &AssetCaches::FramePath);
}

std::size_t AssetCaches::ForgetColourFile(const std::filesystem::path& file) {
    return ForgetFile(g_listColourCache, failedColour_, file, &AssetCaches::ColourPath);
}

void AssetCaches::ForgetFailedLookups() {
    std::lock_guard lock(mutex_);
    failedMotor_.clear();
    failedFrame_.clear();
    failedColour_.clear();
    failedLight512_.clear();
}

void AssetCaches::ClearLight512Cache() {
    Cache<Light512ComplierCache> dropped;
    {
        std::lock_guard lock(mutex_);
        dropped.swap(g_listLight512Cache);
        failedLight512_.clear();
    }
}

void AssetCaches::FillProgramCache(const Profile& sceneProfile, const Scene& scene) {
    std::vector<std::shared_ptr<const ProgramCache>> loaded = LoadProgramList(sceneProfile, workspace_, scene);
    std::lock_guard lock(mutex_);
    g_listProgramCache.swap(loaded);
}

}  // namespace velmora
