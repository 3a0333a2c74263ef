#include "preview3d/Camera.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace velmora {
namespace {

constexpr Vec3 kUp{0.0f, 1.0f, 0.0f};

// Zero stays zero: a camera looking at its own eye has no direction to move in.
Vec3 Unit(const Vec3& v) { return Normalised(v).value_or(Vec3{0.0f, 0.0f, 0.0f}); }

// Rodrigues' rotation of v about the unit axis k by angle radians.
Vec3 Rotate(const Vec3& v, const Vec3& k, float angle) {
    const float c = std::cos(angle), s = std::sin(angle);
    return Add(Add(Scale(v, c), Scale(Cross(k, v), s)), Scale(k, Dot(k, v) * (1.0f - c)));
}

// Truncation towards zero that stays defined for any float.
int Truncate(float f) {
    if (!(f == f)) return 0;
    if (f >= 2147483647.0f) return 2147483647;
    if (f <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<int>(f);
}

}  // namespace

PreviewCamera::PreviewCamera() { SetPresets({}); }

void PreviewCamera::SetPresets(std::vector<CameraPose> presets) {
    presets_ = std::move(presets);
    if (presets_.empty()) presets_.push_back(CameraPose{});
    current_ = 0;
    following_ = true;
    pose_ = presets_.front();
}

void PreviewCamera::NextCamera() {
    current_ = (current_ + 1) % static_cast<int>(presets_.size());
    following_ = true;
}

void PreviewCamera::Step() {
    if (!following_) return;
    const CameraPose& target = presets_[static_cast<std::size_t>(current_)];
    for (std::size_t i = 0; i < 3; ++i) {
        pose_.eye[i] += (target.eye[i] - pose_.eye[i]) / 5.0f;
        pose_.lookAt[i] += (target.lookAt[i] - pose_.lookAt[i]) / 5.0f;
    }
}

void PreviewCamera::MoveForward(float distance) {
    const Vec3 move = Scale(Unit(Sub(pose_.lookAt, pose_.eye)), distance);
    pose_.eye = Add(pose_.eye, move);
    pose_.lookAt = Add(pose_.lookAt, move);
    following_ = false;
}

void PreviewCamera::Strafe(float distance) {
    const Vec3 move = Scale(StrafeVector(), distance);
    pose_.eye = Add(pose_.eye, move);
    pose_.lookAt = Add(pose_.lookAt, move);
    following_ = false;
}

void PreviewCamera::Look(float dxRadians, float dyRadians) {
    Vec3 view = Sub(pose_.lookAt, pose_.eye);
    // Both turns use the axes of the pose as it was before this call.
    const Vec3 strafe = StrafeVector();
    if (dyRadians != 0.0f && Dot(strafe, strafe) > 0.0f) view = Rotate(view, strafe, dyRadians);
    if (dxRadians != 0.0f) view = Rotate(view, kUp, dxRadians);
    pose_.lookAt = Add(pose_.eye, view);
    following_ = false;
}

Vec3 PreviewCamera::StrafeVector() const { return Unit(Cross(Sub(pose_.lookAt, pose_.eye), kUp)); }

Mat4 PreviewCamera::ViewMatrix() const {
    // gluLookAt with up (0, 1, 0).
    const Vec3 f = Unit(Sub(pose_.lookAt, pose_.eye));
    const Vec3 s = Unit(Cross(f, kUp));
    const Vec3 u = Cross(s, f);
    const Vec3& e = pose_.eye;
    return {s[0], u[0], -f[0], 0.0f,
            s[1], u[1], -f[1], 0.0f,
            s[2], u[2], -f[2], 0.0f,
            -Dot(s, e), -Dot(u, e), Dot(f, e), 1.0f};
}

Mat4 PreviewCamera::ProjectionMatrix(int width, int height) {
    // gluPerspective.
    const float aspect = static_cast<float>(width) / static_cast<float>(height == 0 ? 1 : height);
    const float f = 1.0f / std::tan(kFieldOfViewDegrees * 3.14159265358979f / 360.0f);
    Mat4 m{};
    m[0] = f / aspect;
    m[5] = f;
    m[10] = (kFar + kNear) / (kNear - kFar);
    m[11] = -1.0f;
    m[14] = 2.0f * kFar * kNear / (kNear - kFar);
    return m;
}

std::string PreviewCamera::ReadOut() const {
    char buf[160];
    std::snprintf(buf, sizeof buf, "Position:%d %d %d LookAt:%d %d %d", Truncate(pose_.eye[0]),
                  Truncate(pose_.eye[1]), Truncate(pose_.eye[2]), Truncate(pose_.lookAt[0]),
                  Truncate(pose_.lookAt[1]), Truncate(pose_.lookAt[2]));
    return buf;
}

}  // namespace velmora
