#include "engine/ShowAssets.h"

#include <span>
#include <vector>

#include "engine/AssetCaches.h"
#include "scene/Scene.h"
#include "show/Show.h"

namespace velmora {
namespace {

constexpr const char* kNoProgram = "---";

bool IsRotation(const TimeBlock& block) {
    return block.nSpecicalType == kActionRotateZ || block.nSpecicalType == kActionRotateY;
}

}  // namespace

void ShowAssets::AddMotorProgram(const std::string& name, AssetCaches& caches) {
    if (!name.empty() && !motor_.contains(name)) motor_.emplace(name, caches.FindMotorProgram(name));
}

void ShowAssets::AddFrameAnimation(const std::string& name, AssetCaches& caches) {
    if (!name.empty() && !frame_.contains(name)) frame_.emplace(name, caches.FindFrameAnimation(name));
}

void ShowAssets::AddColourSequence(const std::string& name, AssetCaches& caches) {
    if (!name.empty() && !colour_.contains(name)) colour_.emplace(name, caches.FindColourSequence(name));
}

void ShowAssets::AddLight512Table(const std::string& name, AssetCaches& caches) {
    if (!name.empty() && !light512_.contains(name)) light512_.emplace(name, caches.FindLight512Table(name));
}

const ProgramCache* ShowAssets::AddProgram(const std::string& name, AssetCaches& caches) {
    if (name.empty() || name == kNoProgram || program_.contains(name)) return nullptr;
    return program_.emplace(name, caches.FindProgram(name)).first->second.get();
}

std::shared_ptr<const ShowAssets> PrepareShowAssets(const Scene& scene, const Show& show, AssetCaches& caches) {
    caches.ForgetFailedLookups();
    auto assets = std::make_shared<ShowAssets>();

    // Programs are walked breadth first, each once: a program that runs
    // itself (directly or through others) is prepared a single time. The
    // map holds every program it walks, so the spans stay valid.
    struct Pending {
        std::span<const Layer> layers;
        std::span<const TimeBlock> blocks;
    };
    std::vector<Pending> pending{{show.layers, show.blocks}};
    for (std::size_t next = 0; next < pending.size(); ++next) {
        const Pending shown = pending[next];
        for (const TimeBlock& block : shown.blocks) {
            if (IsRotation(block)) {
                assets->AddMotorProgram(block.szMotor, caches);
                assets->AddMotorProgram(block.szMotor1, caches);
                assets->AddMotorProgram(block.szMotor2, caches);
            }
            if (block.nSpecicalType == kActionFrame) assets->AddFrameAnimation(block.szFrame, caches);
            assets->AddColourSequence(block.szLight, caches);
            assets->AddLight512Table(block.sz512Light, caches);

            const bool onProgramLayer = block.cannel >= 0 &&
                                        static_cast<std::size_t>(block.cannel) < shown.layers.size() &&
                                        shown.layers[static_cast<std::size_t>(block.cannel)].type == kLayerProgram;
            if (!onProgramLayer) continue;
            if (const ProgramCache* program = assets->AddProgram(block.Program, caches))
                pending.push_back({program->m_listLayers, program->m_listBlocks});
        }
    }
    assets->AddColourSequence(scene.settings.g_strLight, caches);
    return assets;
}

const ShowAssets& NoShowAssets() {
    static const ShowAssets none;
    return none;
}

}  // namespace velmora
