#include "preview3d/SceneModel.h"

#include <algorithm>
#include <cmath>
#include <system_error>

#include "app/Profile.h"
#include "app/RegularFile.h"

namespace velmora {
namespace {

constexpr std::size_t kMaxModelBytes = 64u * 1024u * 1024u;
// A 24-bit texture at the largest size the bitmap reader accepts.
constexpr std::size_t kMaxTextureBytes = 16u * 1024u * 1024u * 12u + 4096u;

constexpr Mat4 kIdentity{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

Mat4 Multiply(const Mat4& a, const Mat4& b) {
    Mat4 r{};
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[static_cast<std::size_t>(k * 4 + row)] * b[static_cast<std::size_t>(c * 4 + k)];
            r[static_cast<std::size_t>(c * 4 + row)] = sum;
        }
    return r;
}

Mat4 Translation(const Vec3& t) {
    Mat4 m = kIdentity;
    m[12] = t[0], m[13] = t[1], m[14] = t[2];
    return m;
}

// glRotate's matrix: `degrees` counter-clockwise about the unit axis `k`.
Mat4 Rotation(const Vec3& k, double degrees) {
    const double a = degrees * 3.14159265358979323846 / 180.0;
    const float c = static_cast<float>(std::cos(a)), s = static_cast<float>(std::sin(a)), t = 1.0f - c;
    const float x = k[0], y = k[1], z = k[2];
    return {t * x * x + c,     t * x * y + s * z, t * x * z - s * y, 0,
            t * x * y - s * z, t * y * y + c,     t * y * z + s * x, 0,
            t * x * z + s * y, t * y * z - s * x, t * z * z + c,     0,
            0,                 0,                 0,                 1};
}

Vec3 Transform(const Mat4& m, const Vec3& v) {
    return {m[0] * v[0] + m[4] * v[1] + m[8] * v[2] + m[12], m[1] * v[0] + m[5] * v[1] + m[9] * v[2] + m[13],
            m[2] * v[0] + m[6] * v[1] + m[10] * v[2] + m[14]};
}

std::optional<Vec3> Unit(const Vec3& v) { return Normalised(v); }

// Distance along `dir` from `origin` to the triangle, both faces counted
// (picking sees back faces too); nothing when the ray misses.
std::optional<float> RayTriangle(const Vec3& origin, const Vec3& dir, const Vec3& a, const Vec3& b, const Vec3& c) {
    const Vec3 e1 = Sub(b, a), e2 = Sub(c, a);
    const Vec3 p = Cross(dir, e2);
    const float det = Dot(e1, p);
    if (std::fabs(det) < 1e-12f) return std::nullopt;
    const float inv = 1.0f / det;
    const Vec3 s = Sub(origin, a);
    const float u = Dot(s, p) * inv;
    if (u < 0.0f || u > 1.0f) return std::nullopt;
    const Vec3 q = Cross(s, e1);
    const float v = Dot(dir, q) * inv;
    if (v < 0.0f || u + v > 1.0f) return std::nullopt;
    const float t = Dot(e2, q) * inv;
    if (!std::isfinite(t)) return std::nullopt;
    return t;
}

bool SafeTextureName(const std::string& name) {
    return !name.empty() && name.find('/') == std::string::npos && name.find('\\') == std::string::npos &&
           name.find("..") == std::string::npos && name.find('\0') == std::string::npos;
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return Lower(x) == Lower(y); });
}

// The texture file as the model names it, matched the way Windows does: the
// exact name first, then any file of the folder equal but for ASCII case.
std::optional<std::filesystem::path> FindTexture(const std::filesystem::path& folder, const std::string& name) {
    std::error_code ec;
    const std::filesystem::path exact = folder / name;
    if (std::filesystem::is_regular_file(exact, ec)) return exact;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        if (SameIgnoringCase(it->path().filename().string(), name)) return it->path();
    }
    return std::nullopt;
}

}  // namespace

PreviewScene PreviewScene::Load(const std::filesystem::path& modelFolder, std::vector<std::string>* notes) {
    auto note = [notes](std::string text) {
        if (notes) notes->push_back(std::move(text));
    };
    Model3ds model;
    std::string bytes, reason;
    const std::filesystem::path modelPath = modelFolder / kModelFile;
    const ReadFileStatus status = ReadRegularFile(modelPath, kMaxModelBytes, bytes, &reason);
    if (status != ReadFileStatus::Ok) {
        note("The 3D model \"" + modelPath.string() + "\" could not be read (" +
             (reason.empty() ? ReadFileStatusText(status) : reason) + "); the preview shows no model.");
    } else if (std::string error; !Read3ds(bytes, model, &error)) {
        note(error + " The preview shows no model.");
    }

    Profile ini;
    const std::filesystem::path iniPath = modelFolder / kDescriptionFile;
    if (std::string error; !ini.Load(iniPath, &error) && ini.existed())
        note("The scene description \"" + iniPath.string() + "\" could not be read: " + error);

    SceneDescription description = ReadSceneDescription(ini, model, notes);
    PreviewScene scene = FromParts(std::move(model), std::move(description));

    scene.textures_.assign(scene.model_.materials.size(), std::nullopt);
    for (std::size_t m = 0; m < scene.model_.materials.size(); ++m) {
        const std::string& name = scene.model_.materials[m].textureFile;
        if (name.empty()) continue;
        if (!SafeTextureName(name)) {
            note("The texture \"" + name + "\" names a file outside the model folder; it is not read.");
            continue;
        }
        const auto path = FindTexture(modelFolder, name);
        if (!path) {
            note("The texture \"" + name + "\" is missing; its material is drawn in its colour.");
            continue;
        }
        std::string data;
        const ReadFileStatus read = ReadRegularFile(*path, kMaxTextureBytes, data, &reason);
        RgbImage image;
        std::string error;
        if (read != ReadFileStatus::Ok) {
            note("The texture \"" + path->string() + "\" could not be read (" + ReadFileStatusText(read) +
                 "); its material is drawn in its colour.");
        } else if (!ReadBmp(data, image, &error)) {
            note("The texture \"" + path->string() + "\" is unusable: " + error + " Its material is drawn in its colour.");
        } else {
            scene.textures_[m] = std::move(image);
        }
    }
    return scene;
}

PreviewScene PreviewScene::FromParts(Model3ds model, SceneDescription description) {
    PreviewScene scene;
    const std::size_t n = model.objects.size();
    description.parent.resize(n, -1);
    description.acts.resize(n);
    if (description.cameras.empty()) description.cameras.push_back(CameraPose{});
    for (std::size_t i = 0; i < n; ++i) {
        int& p = description.parent[i];
        if (p < -1 || p >= static_cast<int>(n)) p = -1;
        model.objects[i].parent = p;
        if (model.objects[i].normals.size() != model.objects[i].vertices.size()) ComputeNormals(model.objects[i]);
    }
    scene.model_ = std::move(model);
    scene.description_ = std::move(description);
    scene.textures_.assign(scene.model_.materials.size(), std::nullopt);
    return scene;
}

void PreviewScene::SetVariable(const std::string& name, double value) { variables_[name] = value; }

void PreviewScene::BindSpringLevels(const EngineSnapshot& snapshot) {
    std::string name;
    for (const SpringSnapshot& spring : snapshot.springs) {
        name = "spring";
        name += std::to_string(spring.ID);
        variables_[name] = spring.m_nOutLevel;
    }
}

void PreviewScene::ClearVariables() { variables_.clear(); }

std::optional<double> PreviewScene::Variable(const std::string& name) const {
    const auto it = variables_.find(name);
    if (it == variables_.end()) return std::nullopt;
    return it->second;
}

Mat4 PreviewScene::ObjectMatrix(int object) const {
    const int n = static_cast<int>(model_.objects.size());
    if (object < 0 || object >= n) return kIdentity;
    // Root first. Loops were cut when the description was read; the bound
    // keeps a hand-built description from walking forever all the same.
    std::vector<int> chain;
    for (int at = object; at >= 0 && static_cast<int>(chain.size()) <= n;
         at = description_.parent[static_cast<std::size_t>(at)])
        chain.push_back(at);
    std::reverse(chain.begin(), chain.end());

    Mat4 m = kIdentity;
    for (int o : chain) {
        for (const SceneAct& act : description_.acts[static_cast<std::size_t>(o)]) {
            if (act.type != ActType::Rotate && act.type != ActType::Translate) continue;
            const auto value = Variable(act.var);
            if (!value || !std::isfinite(*value) || act.line < 0 || act.line >= n) continue;
            const auto& line = model_.objects[static_cast<std::size_t>(act.line)].vertices;
            if (line.size() < 2) continue;
            const auto axis = Unit(Sub(line[1], line[0]));
            if (!axis) continue;
            if (act.type == ActType::Rotate) {
                m = Multiply(m, Multiply(Translation(line[0]),
                                         Multiply(Rotation(*axis, *value), Translation(Scale(line[0], -1.0f)))));
            } else {
                m = Multiply(m, Translation(Scale(*axis, static_cast<float>(*value))));
            }
        }
    }
    return m;
}

std::optional<std::array<std::uint8_t, 3>> PreviewScene::ColourOverride(int object) const {
    if (object < 0 || object >= static_cast<int>(model_.objects.size())) return std::nullopt;
    std::optional<std::array<std::uint8_t, 3>> colour;
    if (object == selected) colour = std::array<std::uint8_t, 3>{0, 255, 0};
    for (const SceneAct& act : description_.acts[static_cast<std::size_t>(object)]) {
        const auto value = Variable(act.var);
        if (!value || !std::isfinite(*value)) continue;
        if ((act.type == ActType::ColourIfSet && std::trunc(*value) != 0.0) ||
            (act.type == ActType::ColourIfIndex && *value == static_cast<double>(act.index)))
            colour = act.colour;
    }
    return colour;
}

bool PreviewScene::Hidden(int object) const {
    if (object < 0 || object >= static_cast<int>(model_.objects.size())) return false;
    for (const SceneAct& act : description_.acts[static_cast<std::size_t>(object)]) {
        if (act.type != ActType::Hide) continue;
        const auto value = Variable(act.var);
        if (value && std::isfinite(*value) && std::trunc(*value) == 1.0) return true;
    }
    return false;
}

int PreviewScene::Pick(float x, float y, int width, int height, const PreviewCamera& camera) const {
    if (width <= 0) return -1;
    const int h = height == 0 ? 1 : height;
    const CameraPose& pose = camera.pose();
    const auto forward = Unit(Sub(pose.lookAt, pose.eye));
    if (!forward) return -1;
    const auto right = Unit(Cross(*forward, Vec3{0.0f, 1.0f, 0.0f}));
    if (!right) return -1;  // looking straight up or down: the view itself is undefined
    const Vec3 up = Cross(*right, *forward);

    const float tanHalf = std::tan(PreviewCamera::kFieldOfViewDegrees * 3.14159265358979f / 360.0f);
    const float aspect = static_cast<float>(width) / static_cast<float>(h);
    const float ndcX = 2.0f * x / static_cast<float>(width) - 1.0f;
    const float ndcY = 1.0f - 2.0f * y / static_cast<float>(h);
    // Forward component 1, so the distance along the ray is the eye-space depth.
    const Vec3 dir = Add(*forward, Add(Scale(*right, ndcX * tanHalf * aspect), Scale(up, ndcY * tanHalf)));

    int best = -1;
    float bestDepth = PreviewCamera::kFar;
    for (std::size_t o = 0; o < model_.objects.size(); ++o) {
        if (Hidden(static_cast<int>(o))) continue;
        const Object3ds& object = model_.objects[o];
        const Mat4 m = ObjectMatrix(static_cast<int>(o));
        for (const Face3ds& f : object.faces) {
            if (f.v[0] >= object.vertices.size() || f.v[1] >= object.vertices.size() ||
                f.v[2] >= object.vertices.size())
                continue;
            const auto t = RayTriangle(pose.eye, dir, Transform(m, object.vertices[f.v[0]]),
                                       Transform(m, object.vertices[f.v[1]]), Transform(m, object.vertices[f.v[2]]));
            // Ties go to the object drawn first.
            if (t && *t >= PreviewCamera::kNear && (*t < bestDepth || (best < 0 && *t <= bestDepth))) {
                best = static_cast<int>(o);
                bestDepth = *t;
            }
        }
    }
    return best;
}

}  // namespace velmora
