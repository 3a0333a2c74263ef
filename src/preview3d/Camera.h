#pragma once
// The preview's camera: preset viewpoints the camera glides to, and a free
// camera moved by keys and mouse in between.
//
// Thread contract: plain value; the UI thread.

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "preview3d/Vec3.h"

namespace velmora {

struct CameraPose {
    Vec3 eye{0.0f, 0.0f, 0.0f};
    Vec3 lookAt{0.0f, 0.0f, -500.0f};
};

class PreviewCamera {
public:
    static constexpr float kFieldOfViewDegrees = 60.0f;
    static constexpr float kNear = 5.0f;
    static constexpr float kFar = 10000.0f;
    static constexpr float kFlyStep = 50.0f;

    PreviewCamera();

    // Replaces the presets (an empty list becomes the one default pose) and
    // selects the first; the camera jumps there at once.
    void SetPresets(std::vector<CameraPose> presets);
    const std::vector<CameraPose>& presets() const { return presets_; }
    int current() const { return current_; }

    // Selects the next preset, wrapping after the last; the camera then
    // glides there over the following frames.
    void NextCamera();

    // One frame: eye and look-at move one fifth of the remaining distance
    // towards the selected preset, per coordinate. A fly move or a look
    // leaves the preset (the camera stays where the user took it) until
    // NextCamera selects one again.
    void Step();

    // Moves eye and look-at along the view direction (positive: forward).
    void MoveForward(float distance);
    // Moves eye and look-at along the strafe vector (positive: right).
    void Strafe(float distance);
    // Turns the view: dx radians about the up axis, dy about the strafe
    // axis, rotating the look-at point about the eye.
    void Look(float dxRadians, float dyRadians);

    const CameraPose& pose() const { return pose_; }
    bool following() const { return following_; }

    // Normalised cross product of the view direction and the up vector (0,1,0).
    Vec3 StrafeVector() const;
    Mat4 ViewMatrix() const;
    // 60 degrees vertically, aspect width/height (height 0 counts as 1).
    static Mat4 ProjectionMatrix(int width, int height);

    // "Position:%d %d %d LookAt:%d %d %d", coordinates truncated.
    std::string ReadOut() const;

private:
    std::vector<CameraPose> presets_;
    int current_ = 0;
    bool following_ = true;
    CameraPose pose_;
};

}  // namespace velmora
