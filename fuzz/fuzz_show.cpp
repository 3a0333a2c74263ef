// Show file: whatever a file holds, loading must not fail, and what we save
// from it must load back to the same show.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "app/Profile.h"
#include "scene/Scene.h"
#include "show/BlockFields.h"
#include "show/ShowFile.h"
#include "show/ShowNumbers.h"

namespace {

using namespace velmora;

Scene MakeScene() {
    Scene scene;
    for (std::int32_t id : {1, 9001, 9003}) {
        CSpringGroup group;
        group.ID = id;
        group.name = "组" + std::to_string(id);
        scene.groups.push_back(group);
    }
    for (std::int32_t id : {2, 9002, 9004}) {
        CSpring spring;
        spring.ID = id;
        scene.springs.push_back(spring);
    }
    scene.Reindex();
    return scene;
}

[[noreturn]] void Mismatch(const char* what, std::size_t index, const std::string& a, const std::string& b) {
    std::fprintf(stderr, "round trip changed %s of #%zu: '%s' -> '%s'\n", what, index, a.c_str(), b.c_str());
    std::abort();
}

void Compare(const Show& first, const Show& second) {
    if (FormatFloat(first.g_fMusicMultiplier) != FormatFloat(second.g_fMusicMultiplier))
        Mismatch("mutiMusic", 0, FormatFloat(first.g_fMusicMultiplier), FormatFloat(second.g_fMusicMultiplier));
    if (first.layers.size() != second.layers.size())
        Mismatch("LayerCount", 0, std::to_string(first.layers.size()), std::to_string(second.layers.size()));
    for (std::size_t i = 0; i < first.layers.size(); ++i) {
        const Layer& a = first.layers[i];
        const Layer& b = second.layers[i];
        if (a.GroupID != b.GroupID || a.type != b.type || a.name != b.name) Mismatch("layer", i, a.name, b.name);
    }
    if (first.blocks.size() != second.blocks.size())
        Mismatch("TimeBlockCount", 0, std::to_string(first.blocks.size()), std::to_string(second.blocks.size()));
    for (std::size_t i = 0; i < first.blocks.size(); ++i) {
        const TimeBlock& a = first.blocks[i];
        const TimeBlock& b = second.blocks[i];
        for (const BlockField& field : StoredBlockFields()) {
            std::string left, right;
            switch (field.kind) {
                case BlockFieldKind::Time:  // the file holds two decimals
                    left = FormatBlockTime(a.*field.floatMember);
                    right = FormatBlockTime(b.*field.floatMember);
                    break;
                case BlockFieldKind::Float:
                    left = FormatFloat(a.*field.floatMember);
                    right = FormatFloat(b.*field.floatMember);
                    break;
                case BlockFieldKind::Int:
                case BlockFieldKind::IntText:
                    left = std::to_string(a.*field.intMember);
                    right = std::to_string(b.*field.intMember);
                    break;
                case BlockFieldKind::Text:
                    // The INI service writes a line break inside a value (a
                    // lone CR can be read as text) as a space.
                    left = a.*field.textMember;
                    std::replace(left.begin(), left.end(), '\r', ' ');
                    right = b.*field.textMember;
                    break;
            }
            if (left != right) Mismatch(field.name, i, left, right);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const Scene scene = MakeScene();
    if (size > 64 * 1024) return 0;

    Profile profile;
    profile.LoadFromBytes(std::string_view(reinterpret_cast<const char*>(data), size));
    // Large counts only repeat the per-record work; keep each run short. An
    // absent count means 200 default layers, the costliest part of a run, so
    // such inputs get a small count instead.
    if (profile.GetInt("TimeLine", "LayerCount", 0) > 2000 || profile.GetInt("TimeLine", "TimeBlockCount", 0) > 500)
        return 0;
    if (!profile.HasKey("TimeLine", "LayerCount")) profile.SetInt("TimeLine", "LayerCount", 4);

    Show first;
    LoadShow(profile, first, &scene);
    SaveShow(profile, first);

    Profile reread;
    reread.LoadFromBytes(profile.Serialize());
    // Legacy text whose remaining bytes happen to form valid UTF-8 after our
    // rewrite is read back as UTF-8: the service's encoding guess, not ours.
    if (reread.encoding() != profile.encoding()) return 0;
    Show second;
    LoadShow(reread, second, &scene);
    Compare(first, second);
    return 0;
}
