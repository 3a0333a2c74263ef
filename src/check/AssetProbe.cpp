#include "check/AssetProbe.h"

#include <fstream>
#include <system_error>

#include "app/Profile.h"
#include "engine/ColourSequenceFile.h"
#include "engine/FrameAnimationFile.h"
#include "engine/Light512Table.h"
#include "engine/MotorProgramFile.h"

namespace velmora {
namespace {

const char* MissingCode(AssetKind kind) {
    switch (kind) {
        case AssetKind::Motor: return "missing-motor";
        case AssetKind::Frame: return "missing-frame";
        case AssetKind::Colour: return "missing-colour";
        case AssetKind::Light512: return "missing-light512";
    }
    return "missing-asset";
}

const char* KindText(AssetKind kind) {
    switch (kind) {
        case AssetKind::Motor: return "motor program";
        case AssetKind::Frame: return "frame animation";
        case AssetKind::Colour: return "colour sequence";
        case AssetKind::Light512: return "512 light table";
    }
    return "asset";
}

AssetFault Missing(AssetKind kind, const std::string& name, const std::string& why) {
    return {MissingCode(kind), std::string(KindText(kind)) + " \"" + name + "\" " + why};
}

bool ReadBounded(const std::filesystem::path& path, std::uintmax_t limit, std::string& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) return false;
    char buffer[65536];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        bytes.append(buffer, static_cast<std::size_t>(file.gcount()));
        if (bytes.size() > limit) return false;
    }
    return !file.bad();
}

}  // namespace

AssetProbe::AssetProbe(const Workspace& workspace) : paths_(workspace) {}

std::optional<AssetFault> AssetProbe::Probe(AssetKind kind, const std::string& name) {
    const auto key = std::make_pair(kind, name);
    if (const auto it = seen_.find(key); it != seen_.end()) return it->second;
    auto fault = Read(kind, name);
    seen_.emplace(key, fault);
    return fault;
}

std::optional<AssetFault> AssetProbe::Read(AssetKind kind, const std::string& name) {
    std::filesystem::path path;
    switch (kind) {
        case AssetKind::Motor: path = paths_.MotorPath(name); break;
        case AssetKind::Frame: path = paths_.FramePath(name); break;
        case AssetKind::Colour: path = paths_.ColourPath(name); break;
        case AssetKind::Light512: path = paths_.Light512Path(name); break;
    }
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec))
        return Missing(kind, name, "is not in the workspace");
    if (!std::filesystem::is_regular_file(path, ec)) return Missing(kind, name, "is not a regular file");

    switch (kind) {
        case AssetKind::Motor: {
            Profile profile;
            std::string error;
            if (!profile.Load(path, &error)) return Missing(kind, name, "cannot be read: " + error);
            const auto program = ReadMotorProgram(profile);
            if (!program) return Missing(kind, name, "holds no steps (Num is 0)");
            if (program->loops == LoopResult::Unmatched)
                return AssetFault{"motor-loop-error", "motor program \"" + name +
                                                          "\" has a loop end without a loop start; it runs cut short"};
            if (program->loops == LoopResult::TooLong)
                return AssetFault{"motor-loop-error", "motor program \"" + name +
                                                          "\" expands beyond the step limit and is cut"};
            return std::nullopt;
        }
        case AssetKind::Frame: {
            FrameComplierCache record;
            std::string error;
            if (!LoadFrameFile(path, record, &error)) return Missing(kind, name, "cannot be read: " + error);
            return std::nullopt;
        }
        case AssetKind::Colour:
            return std::nullopt;  // any readable file is a sequence, an empty one at worst
        case AssetKind::Light512: {
            std::string bytes;
            if (!ReadBounded(path, kMaxLight512FileBytes, bytes))
                return Missing(kind, name, "cannot be read");
            Light512ComplierCache table;
            const Light512Status status = ParseLight512(bytes, table);
            if (status != Light512Status::Ok)
                return Missing(kind, name, std::string("is refused: ") + Light512Message(status));
            return std::nullopt;
        }
    }
    return std::nullopt;
}

}  // namespace velmora
