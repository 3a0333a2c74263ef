#include "preview3d/SceneDescription.h"

#include <algorithm>
#include <cstdio>

#include "app/Profile.h"

namespace velmora {
namespace {

// Section numbers are written with two digits; counts beyond these are
// typing errors or hostile, and walking two billion absent sections would
// freeze the preview.
constexpr std::int32_t kMaxObjectSections = 9999;
constexpr std::int32_t kMaxCameraSections = 999;

std::string Numbered(const char* format, int a, int b = 0) {
    char buf[32];
    std::snprintf(buf, sizeof buf, format, a, b);
    return buf;
}

int FindObject(const Model3ds& model, const std::string& name) {
    if (name.empty()) return -1;
    for (std::size_t i = 0; i < model.objects.size(); ++i)
        if (model.objects[i].name == name) return static_cast<int>(i);
    return -1;
}

std::uint8_t Channel(std::int32_t value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

std::int32_t Bounded(std::int32_t count, std::int32_t limit, const char* what, std::vector<std::string>* notes) {
    if (count > limit) {
        if (notes)
            notes->push_back("The scene description lists " + std::to_string(count) + " " + what + "; only the first " +
                             std::to_string(limit) + " are read.");
        return limit;
    }
    return std::max(count, 0);
}

// Cuts every loop in the parent chains: walking up from each object, the
// first link that leads back onto the walk's own path is removed.
void BreakParentLoops(std::vector<int>& parent, const Model3ds& model, std::vector<std::string>* notes) {
    enum : char { Unseen, OnPath, Done };
    std::vector<char> state(parent.size(), Unseen);
    std::vector<int> path;
    for (std::size_t start = 0; start < parent.size(); ++start) {
        path.clear();
        int at = static_cast<int>(start);
        while (at >= 0 && state[static_cast<std::size_t>(at)] == Unseen) {
            state[static_cast<std::size_t>(at)] = OnPath;
            path.push_back(at);
            const int up = parent[static_cast<std::size_t>(at)];
            if (up >= 0 && state[static_cast<std::size_t>(up)] == OnPath) {
                parent[static_cast<std::size_t>(at)] = -1;
                if (notes)
                    notes->push_back("The scene description's parents of \"" +
                                     model.objects[static_cast<std::size_t>(at)].name +
                                     "\" lead back to itself; it is drawn as a root object.");
                break;
            }
            at = up;
        }
        for (int p : path) state[static_cast<std::size_t>(p)] = Done;
    }
}

}  // namespace

SceneDescription ReadSceneDescription(const Profile& ini, const Model3ds& model, std::vector<std::string>* notes) {
    SceneDescription d;
    d.parent.assign(model.objects.size(), -1);
    d.acts.assign(model.objects.size(), {});

    const std::int32_t objects = Bounded(ini.GetInt("Main", "objCount", 0), kMaxObjectSections, "objects", notes);
    for (int n = 1; n <= objects; ++n) {
        const std::string section = Numbered("Obj%02d", n);
        const int object = FindObject(model, ini.GetString(section, "Name", ""));
        if (object < 0) continue;
        const auto o = static_cast<std::size_t>(object);
        d.parent[o] = FindObject(model, ini.GetString(section, "Parent", ""));

        std::vector<SceneAct> acts;
        const std::int32_t actCount = std::clamp(ini.GetInt(section, "actCount", 0), 0, kMaxActsPerObject);
        for (int a = 1; a <= actCount; ++a) {
            const std::string act = Numbered("Act%02d%02d", n, a);
            const std::int32_t type = ini.GetInt(act, "type", 0);
            if (type < 1 || type > 5) continue;
            SceneAct s;
            s.type = static_cast<ActType>(type);
            s.line = FindObject(model, ini.GetString(act, "line", ""));
            s.var = ini.GetString(act, "var", "");
            s.index = ini.GetInt(act, "index", 0);
            s.colour = {Channel(ini.GetInt(act, "R1", 0)), Channel(ini.GetInt(act, "G1", 0)),
                        Channel(ini.GetInt(act, "B1", 0))};
            const bool needsAxis = s.type == ActType::Rotate || s.type == ActType::Translate;
            // An axis needs two points.
            if (needsAxis && (s.line < 0 || model.objects[static_cast<std::size_t>(s.line)].vertices.size() < 2))
                continue;
            acts.push_back(std::move(s));
        }
        d.acts[o] = std::move(acts);
    }
    BreakParentLoops(d.parent, model, notes);

    const std::int32_t cameras = Bounded(ini.GetInt("Main", "CameraCount", 0), kMaxCameraSections, "cameras", notes);
    for (int n = 1; n <= cameras; ++n) {
        const std::string section = Numbered("Camera%02d", n);
        auto f = [&](const char* key) { return static_cast<float>(ini.GetInt(section, key, 0)); };
        d.cameras.push_back(CameraPose{{f("op1x"), f("op1y"), f("op1z")}, {f("op2x"), f("op2y"), f("op2z")}});
    }
    if (d.cameras.empty()) d.cameras.push_back(CameraPose{});
    return d;
}

}  // namespace velmora
