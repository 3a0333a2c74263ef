// The preview command: draws the 3D preview of a show at one position into a
// PNG file, with the same drawing code as the desktop program's preview,
// without any display (EGL's surfaceless platform). The engine is evaluated
// without senders, one tick per preview frame over the frames whose
// particles are still in the air at the position, and the water jitter comes
// from a fixed seed, so the same arguments always give the same picture.

#include <charconv>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "Json.h"
#include "app/Log.h"
#include "engine/EngineSnapshot.h"
#include "engine/EngineTick.h"
#include "engine/PlaybackState.h"
#include "preview3d/SceneModel.h"
#include "preview3d/WaterInputs.h"
#include "preview3d/WaterSimulation.h"
#include "preview3d/ui/gl/HeadlessGl.h"
#include "preview3d/ui/gl/PngFile.h"
#include "preview3d/ui/gl/PreviewRenderer.h"
#include "runtime/Runtime.h"

namespace velmora::cli {

namespace {

namespace fs = std::filesystem;
using nlohmann::ordered_json;

constexpr double kFrameMs = 70.0;  // the desktop preview's frame period
constexpr std::uint32_t kDefaultSeed = 1;
constexpr int kCameraGlideFrames = 100;  // a preset is reached to well under a unit

struct PreviewOptions {
    fs::path show;
    fs::path png;
    double at = 0.0;
    int camera = 1;
    int width = 500, height = 400;
    std::int32_t level = 128;
    std::uint32_t seed = kDefaultSeed;
};

template <class Number>
bool Parse(const std::string& text, Number& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc{} && result.ptr == end;
}

std::string ParseOptions(const std::vector<std::string>& args, PreviewOptions& options) {
    std::vector<std::string> files;
    bool haveAt = false, havePng = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        std::string v;
        const bool hasValue = i + 1 < args.size();
        if (a == "--at") {
            if (!hasValue || !Parse(args[++i], options.at) || !std::isfinite(options.at) || options.at < 0)
                return "--at needs a number of milliseconds >= 0";
            haveAt = true;
        } else if (a == "--png") {
            if (!hasValue) return "--png needs an output file";
            options.png = args[++i];
            havePng = true;
        } else if (a == "--camera") {
            if (!hasValue || !Parse(args[++i], options.camera) || options.camera < 1)
                return "--camera needs a preset number from 1";
        } else if (a == "--size") {
            if (!hasValue) return "--size needs WxH";
            v = args[++i];
            const auto x = v.find('x');
            if (x == std::string::npos || !Parse(v.substr(0, x), options.width) ||
                !Parse(v.substr(x + 1), options.height) || options.width < 1 || options.height < 1 ||
                options.width > 8192 || options.height > 8192)
                return "--size needs WxH, each 1..8192";
        } else if (a == "--level") {
            if (!hasValue || !Parse(args[++i], options.level) || options.level < 0 || options.level > 128)
                return "--level needs a level 0..128";
        } else if (a == "--seed") {
            if (!hasValue || !Parse(args[++i], options.seed)) return "--seed needs a whole number";
        } else if (a.rfind("--", 0) == 0) {
            return "unknown option '" + a + "'";
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 1) return "expected one FILE.tlf";
    options.show = fs::absolute(files.front());
    if (!haveAt) return "--at MS is required";
    if (!havePng) return "--png OUT.png is required";
    return {};
}

}  // namespace

int RunPreview(const Context& context) {
    PreviewOptions options;
    if (const std::string error = ParseOptions(context.args, options); !error.empty())
        return Fail("preview: " + error);

    Runtime runtime(Workspace::FromEnvironment(context.workspace));
    if (const std::string why = OpenShowForLooking(runtime, options.show, false); !why.empty()) return Fail(why);

    std::vector<std::string> notes;
    PreviewScene scene = PreviewScene::Load(runtime.workspace().AssetDir("Model"), &notes);
    for (const std::string& note : notes) Warn(note);
    PreviewCamera camera;
    camera.SetPresets(scene.description().cameras);
    const int presets = static_cast<int>(camera.presets().size());
    if (options.camera > presets)
        return Fail("preview: --camera " + std::to_string(options.camera) + " but the scene has " +
                    std::to_string(presets) + " camera(s)");
    for (int i = 1; i < options.camera; ++i) camera.NextCamera();
    for (int i = 0; i < kCameraGlideFrames; ++i) camera.Step();

    // The frames whose particles can still be in the air at the position:
    // a particle lives for at most the particle limit of frames.
    const int limit = std::clamp(runtime.scene.settings.g_nParticleCount, 0, WaterSimulation::kMaxParticles);
    PlaybackState playback;
    playback.m_dLength.store(0.0);
    EngineWorld world{runtime.scene, runtime.show, runtime.g_pShowAssets, runtime.output, runtime.g_csOutput,
                      runtime.night};
    EngineSnapshotBuffer published;
    EngineSnapshot snapshot;
    EngineTickInputs inputs;
    inputs.nowMinute = 12 * 60;  // midday: inside any operating window
    inputs.logEnabled = LogEnabled();
    inputs.fixedLevel = options.level;
    inputs.capture = &published;
    WaterSimulation water(options.seed);
    WaterInputs waterInputs;
    for (int k = limit; k >= 0; --k) {
        const double position = std::max(0.0, options.at - kFrameMs * k);
        playback.m_dPlayPos.store(position);
        inputs.clockMs = static_cast<std::uint32_t>(position);
        const EngineTickResult tick = EngineTick(world, playback, inputs);
        inputs.g_nEngineElapsed = tick.g_nEngineElapsed;
        published.Publish(static_cast<std::uint64_t>(limit - k + 1), static_cast<float>(kFrameMs), 0.0f);
        published.Read(snapshot);
        GatherWaterInputs(runtime.scene, &snapshot, waterInputs);
        scene.BindSpringLevels(snapshot);
        water.Step(waterInputs, runtime.scene.settings.g_fGravity, runtime.scene.settings.g_nParticleCount);
    }

    std::string error;
    std::unique_ptr<HeadlessGl> gl = HeadlessGl::Create(options.width, options.height, &error);
    if (!gl) return Fail("preview: no OpenGL context: " + error);
    PreviewRenderer renderer;
    if (!renderer.Initialise(scene, &error)) return Fail("preview: " + error);
    renderer.Draw(scene, camera, water, options.width, options.height);
    const RgbImage image = gl->Read();
    renderer.Release();
    if (!WritePng(options.png, image, &error)) return Fail("preview: " + error);

    ordered_json out;
    out["png"] = options.png.string();
    out["width"] = options.width;
    out["height"] = options.height;
    out["position"] = options.at;
    out["camera"] = options.camera;
    out["readout"] = camera.ReadOut();
    out["objects"] = scene.model().objects.size();
    out["springs"] = water.SlotCount();
    out["particles"] = water.TotalParticles();
    out["renderer"] = PreviewRenderer::ContextDescription();
    out["notes"] = notes;
    std::cout << Dump(out) << "\n";
    std::cout.flush();
    return std::cout ? 0 : Fail("cannot write the output");
}

}  // namespace velmora::cli
