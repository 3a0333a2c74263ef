#pragma once
// The show compiler: turns the rotation blocks of the open show (action
// types 1 "Z轴转动" and 2 "Y轴转动") into one angle track per spring and
// axis, a time-ordered list of points saying that at time t the nozzle has
// turned to angle a. The engine gates flat waves by the Z track and the 3D
// preview draws jet directions from both; the motors themselves are driven
// by the engine from the same programs.
//
// Thread contract: runs on the UI thread, which alone edits the scene and the
// show. The tracks are built aside and swapped into the springs under the
// output lock, which the engine and the preview hold while reading them.

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "scene/Scene.h"
#include "scene/TrackPoint.h"
#include "show/Show.h"

namespace velmora {

class AssetCaches;

struct CompileLimits {
    // All tracks together (16 bytes a point, so at most 1 GB). Real shows
    // make thousands to tens of thousands of points per spring; beyond this
    // a show's repeat counts are damage, and compiling them would exhaust memory.
    std::size_t maxPoints = 64'000'000;
    // One block, all its members together (64 MB). A block over 450 springs
    // running a 1,000-step program a few times stays far below; a repeat
    // count of two billion stops here instead of filling the show's bound
    // alone. The block's later points are left out, the other blocks compile.
    std::size_t maxBlockPoints = 4'000'000;
};

struct CompileResult {
    std::size_t points = 0;
    bool capped = false;             // stopped at maxPoints
    std::size_t blocksCapped = 0;    // blocks cut at maxBlockPoints
};

struct SpringTracks {
    TrackPoints m_stepsA;  // Y axis (action type 2), divisor pulsePerRound_Y
    TrackPoints m_stepsB;  // Z axis (action type 1), divisor pulsePerRound
};

// Builds the tracks of every spring (index = position in scene.springs),
// sorted and with absolute angles, without touching the scene.
//
// A move step whose speed truncates to 0 would last forever; it is left out,
// so later steps keep their times. A pulse-per-revolution divisor of 0 turns
// nothing. Points of equal time keep the order in which they were made.
CompileResult BuildTracks(const Scene& scene, const Show& show, AssetCaches& caches,
                          std::vector<SpringTracks>& tracks, const CompileLimits& limits = {});

// Puts tracks made by BuildTracks into the springs of `scene`, index by
// index; `tracks` is left holding the springs' previous tracks, to be freed
// once the caller has let go of the output lock.
void SwapTracksIn(Scene& scene, std::vector<SpringTracks>& tracks);

// Rebuilds m_stepsA and m_stepsB of every spring from the show.
CompileResult CompileShow(Scene& scene, const Show& show, AssetCaches& caches, std::mutex& outputLock,
                          const CompileLimits& limits = {});

// Rebuilds the tracks of the springs with these IDs only, from every
// rotation block that reaches them; the other springs keep theirs. An edit
// that touches a few springs recompiles just those, with the same result a
// whole compile would give them. The point bound counts these springs' points.
CompileResult CompileSprings(Scene& scene, const Show& show, AssetCaches& caches, std::mutex& outputLock,
                             std::span<const std::int32_t> springIds, const CompileLimits& limits = {});

// The final pass over one sorted track: an integer accumulator that a reset
// point sets to 0 and any other point to trunc(accumulator + step angle),
// stored as each point's absolute angle.
void AccumulateTrackAngles(TrackPoints& track);

}  // namespace velmora
