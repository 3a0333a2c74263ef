// The 3D preview under load. Prints in one run:
//  - the water simulation's update alone, 500 jets x 200 particles, per
//    frame p50/p99 (target: well under 2 ms);
//  - a whole preview frame (the workspace's model, 500 nozzles, 500 x 200
//    particle segments, drawn and finished) on an off-screen 500 x 400
//    framebuffer, p50/p99; Mesa's llvmpipe renders it in software;
//  - the engine's pacing lateness p50/p99/max while the demo's first piece
//    plays against velmora-sim, for BENCH_SECONDS (default 10) without the
//    preview, then as long with the preview drawing the demo every 70 ms on
//    the UI thread.
// Asserts nothing about time. Needs no display (EGL surfaceless).

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <GL/gl.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include "app/MemoryPolicy.h"
#include "app/Prompter.h"
#include "engine/MusicWav.h"
#include "media/MusicList.h"
#include "preview3d/SceneModel.h"
#include "preview3d/WaterInputs.h"
#include "preview3d/WaterSimulation.h"
#include "preview3d/ui/gl/HeadlessGl.h"
#include "preview3d/ui/gl/PreviewRenderer.h"
#include "runtime/Runtime.h"

#include "BenchWorkspace.h"
#include "DemoPlaying.h"
#include "LatenessSampler.h"
#include "Spread.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

constexpr int kJets = 500;
constexpr int kParticles = 200;
constexpr int kFrames = 300;

// 500 open jets spread over the canvas, turning with the frame.
void JetsAt(int frame, WaterInputs& inputs) {
    inputs.springs.resize(kJets);
    for (int i = 0; i < kJets; ++i) {
        SpringWaterInput& in = inputs.springs[i];
        in.ID = 9001 + i;
        in.x = 100 + (i % 25) * 24;
        in.y = 100 + (i / 25) * 20;
        in.m_bLit = 1;
        in.m_nOutLevel = 40 + (i + frame) % 60;
        in.m_crColor = (i % 3 == 0) ? 0x0000FFu : 0;
        in.m_fAngleZ = 20.0f * std::sin(0.05f * static_cast<float>(frame + i));
        in.m_fAngleY = static_cast<float>((i * 7) % 360);
    }
}

}  // namespace

int main(int argc, char** argv) {
    KeepFreedMemoryForReuse();
    const int seconds = std::getenv("BENCH_SECONDS") ? std::max(1, std::atoi(std::getenv("BENCH_SECONDS"))) : 10;
    const fs::path workspace = bench::MakeWorkspace("preview");
    QCoreApplication app(argc, argv);

    // The update alone.
    WaterInputs jets;
    WaterSimulation water(1);
    std::vector<double> updateMs;
    for (int frame = 0; frame < kParticles + kFrames; ++frame) {
        JetsAt(frame, jets);
        QElapsedTimer t;
        t.start();
        water.Step(jets, 5.0f, kParticles);
        if (frame >= kParticles) updateMs.push_back(Ms(t));
    }
    const std::size_t particles = water.TotalParticles();

    // A whole frame.
    std::string error;
    std::unique_ptr<HeadlessGl> gl = HeadlessGl::Create(500, 400, &error);
    if (!gl) {
        std::fprintf(stderr, "bench_preview: no OpenGL context: %s\n", error.c_str());
        fs::remove_all(workspace);
        return 1;
    }
    std::vector<std::string> notes;
    PreviewScene scene = PreviewScene::Load(workspace / "Model", &notes);
    PreviewCamera camera;
    // Over the whole demo fountain, whatever cameras the model names.
    camera.SetPresets({CameraPose{{-200, 900, 3600}, {-200, -300, 700}}});
    PreviewRenderer renderer;
    renderer.Initialise(scene, &error);
    std::vector<double> frameMs;
    for (int frame = 0; frame < kFrames; ++frame) {
        JetsAt(frame, jets);
        QElapsedTimer t;
        t.start();
        water.Step(jets, 5.0f, kParticles);
        renderer.Draw(scene, camera, water, gl->width(), gl->height());
        glFinish();
        frameMs.push_back(Ms(t));
    }

    // Lateness without and with the preview, the demo playing.
    const pid_t sim = bench::StartSimulator(workspace, 2 * seconds + 30);
    RecordingPrompter prompter(true);
    Runtime runtime{Workspace(workspace)};
    QTimer update;
    if (!bench::StartDemoPlaying(runtime, prompter, update, sim, "bench_preview")) return 1;

    LatenessSampler idleSampler(runtime);
    bench::RunFor(seconds);
    const Lateness idle = idleSampler.Stop();

    WaterSimulation demoWater(2);
    WaterInputs demoInputs;
    EngineSnapshot snapshot;
    std::vector<double> demoFrameMs;
    QTimer preview;
    QObject::connect(&preview, &QTimer::timeout, [&] {
        QElapsedTimer t;
        t.start();
        const bool tick = runtime.ReadEngineSnapshot(snapshot);
        GatherWaterInputs(runtime.scene, tick ? &snapshot : nullptr, demoInputs);
        demoWater.Step(demoInputs, runtime.scene.settings.g_fGravity, runtime.scene.settings.g_nParticleCount);
        renderer.Draw(scene, camera, demoWater, gl->width(), gl->height());
        glFinish();
        demoFrameMs.push_back(Ms(t));
    });
    preview.start(70);
    LatenessSampler busySampler(runtime);
    bench::RunFor(seconds);
    const Lateness busy = busySampler.Stop();
    preview.stop();
    update.stop();
    runtime.Shutdown();
    renderer.Release();
    ::kill(sim, SIGTERM);
    ::waitpid(sim, nullptr, 0);
    fs::remove_all(workspace);

    const Spread u = SpreadOf(updateMs);
    const Spread f = SpreadOf(frameMs);
    const Spread d = SpreadOf(demoFrameMs);
    std::printf("3D preview on %s\n", PreviewRenderer::ContextDescription().c_str());
    std::printf("  water update alone, %d jets x %d particles (%zu held): p50 %.3f  p99 %.3f ms per frame "
                "(target well under 2 ms)\n",
                kJets, kParticles, particles, u.p50, u.p99);
    std::printf("  whole frame 500x400, model of %zu objects + %d nozzles + %zu segments: p50 %.2f  p99 %.2f ms "
                "(%d frames; the period is 70 ms)\n",
                scene.model().objects.size(), kJets, particles, f.p50, f.p99, kFrames);
    std::printf("  demo frame (%zu springs) every 70 ms while playing: p50 %.2f  p99 %.2f ms (%zu frames)\n",
                runtime.scene.springs.size(), d.p50, d.p99, demoFrameMs.size());
    std::printf("  engine pacing lateness    idle: p50 %.3f  p99 %.3f  max %.3f ms  (%zu ticks)\n", idle.p50,
                idle.p99, idle.max, idle.ticks);
    std::printf("                    with preview: p50 %.3f  p99 %.3f  max %.3f ms  (%zu ticks)\n", busy.p50,
                busy.p99, busy.max, busy.ticks);
    std::printf("  p99 with preview - idle: %+.3f ms\n", busy.p99 - idle.p99);
    return 0;
}
