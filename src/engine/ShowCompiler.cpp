#include "engine/ShowCompiler.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>

#include "app/Log.h"
#include "engine/AssetCaches.h"
#include "engine/MotorSections.h"
#include "engine/TakeOrder.h"
#include "engine/Truncate.h"

namespace velmora {
namespace {

// What one program step adds to a member's track, for a given speed factor
// and axis; the same for every member that runs the section.
struct StepDelta {
    float duration;
    float angle;
    std::int32_t reset;
};

void MakeDeltas(const MotorComplierCache& program, float factor, std::int32_t pulsesPerRound,
                std::vector<StepDelta>& deltas) {
    deltas.clear();
    for (const MotorBlock_struct& step : program.m_listSteps) {
        const std::int32_t speed = TruncToInt32(static_cast<float>(step.p0) * factor);
        float duration;
        std::int32_t reset = 0;
        if (step.Act == kMotorRest) {
            duration = static_cast<float>(speed);  // p0 is a time here, scaled like a speed
        } else if (step.Act == kMotorReset) {
            duration = 500.0f;
            reset = 1;
        } else {
            if (speed == 0) continue;  // would never end
            duration = static_cast<float>(step.p1) / static_cast<float>(speed) * 1000.0f;
        }
        duration = std::fabs(duration);

        float angle = 0.0f;
        if ((step.Act == kMotorMove || step.Act == kMotorMoveContinued) && pulsesPerRound != 0) {
            const float magnitude = static_cast<float>(std::llabs(static_cast<std::int64_t>(step.p1)));
            angle = magnitude * 360.0f / static_cast<float>(pulsesPerRound);
            if (static_cast<std::int64_t>(step.p1) * speed <= 0) angle = -angle;
        }
        deltas.push_back({duration, angle, reset});
    }
}

// Walks the rotation blocks twice: once counting each track's points so that
// every track is allocated once, then filling them.
class Compiler {
public:
    Compiler(const Scene& scene, AssetCaches& caches, std::int32_t scale, std::vector<SpringTracks>& tracks,
             const CompileLimits& limits)
        : scene_(scene), caches_(caches), scale_(scale), tracks_(tracks), limits_(limits),
          counts_(2 * scene.springs.size(), 0) {}

    void StartFilling() {
        for (std::size_t i = 0; i < tracks_.size(); ++i) {
            tracks_[i].m_stepsA.reserve(counts_[2 * i]);
            tracks_[i].m_stepsB.reserve(counts_[2 * i + 1]);
        }
        filling_ = true;
        points_ = 0;
    }

    // One block over its take order; false once the point bound is reached.
    bool CompileBlock(const TimeBlock& block, const std::vector<TakeStep>& steps) {
        const bool zAxis = block.nSpecicalType == kActionRotateZ;
        const std::int32_t pulsesPerRound =
            zAxis ? scene_.settings.g_nPulsePerRoundZ : scene_.settings.g_nPulsePerRoundY;
        std::array<Resolved, 3> sections{};
        const float base = static_cast<float>(scale_) * block.start;

        for (std::size_t s = 0; s < steps.size(); ++s) {
            const MotorSection section = ChooseMotorSection(block, static_cast<std::int64_t>(s));
            Resolved& resolved = sections[static_cast<std::size_t>(section.which)];
            if (!resolved.done) {
                resolved.done = true;
                resolved.program = caches_.FindMotorProgram(*section.program);
                if (resolved.program) MakeDeltas(*resolved.program, section.factor, pulsesPerRound, resolved.deltas);
            }
            if (!resolved.program) continue;

            const float offset = static_cast<float>(static_cast<std::int64_t>(block.nInterval) * section.k);
            const std::int64_t t0 = TruncToInt64(base + offset) + section.delay;
            const TakeStep& step = steps[s];
            if (!AddMember(step.A, zAxis, t0, section.repeat, resolved.deltas)) return false;
            if (step.paired && !AddMember(step.B, zAxis, t0, section.repeat, resolved.deltas)) return false;
        }
        return true;
    }

    std::size_t points() const { return points_; }

private:
    struct Resolved {
        bool done = false;
        std::shared_ptr<const MotorComplierCache> program;
        std::vector<StepDelta> deltas;
    };

    bool AddMember(std::int32_t springId, bool zAxis, std::int64_t t0, std::int32_t repeat,
                   const std::vector<StepDelta>& deltas) {
        const int index = scene_.SpringIndexOf(springId);
        if (index < 0) return true;
        const std::size_t room = limits_.maxPoints - points_;
        if (room == 0) return false;
        const std::size_t runs = repeat > 0 && !deltas.empty() ? static_cast<std::size_t>(repeat) : 0;
        const bool fits = runs <= (room - 1) / std::max<std::size_t>(deltas.size(), 1);
        const std::size_t wanted = fits ? 1 + runs * deltas.size() : room;

        if (!filling_) {
            counts_[2 * static_cast<std::size_t>(index) + (zAxis ? 1 : 0)] += wanted;
            points_ += wanted;
            return fits;
        }
        SpringTracks& tracks = tracks_[static_cast<std::size_t>(index)];
        std::vector<TrackPoint>& track = zAxis ? tracks.m_stepsB : tracks.m_stepsA;
        float time = static_cast<float>(t0);
        track.push_back({time, 0.0f, 0, 0.0f});
        std::size_t left = wanted - 1;
        for (std::size_t r = 0; r < runs && left > 0; ++r) {
            for (const StepDelta& d : deltas) {
                if (left == 0) break;
                time = time + d.duration;
                track.push_back({time, d.angle, d.reset, 0.0f});
                --left;
            }
        }
        points_ += wanted;
        return fits;
    }

    const Scene& scene_;
    AssetCaches& caches_;
    const std::int32_t scale_;
    std::vector<SpringTracks>& tracks_;
    const CompileLimits& limits_;
    std::vector<std::size_t> counts_;  // per spring: Y track, Z track
    bool filling_ = false;
    std::size_t points_ = 0;
};

bool EarlierPoint(const TrackPoint& a, const TrackPoint& b) { return a.m_fTime < b.m_fTime; }

// Each member's run of points is already in time order, so a track is a
// series of sorted runs: merging neighbouring runs sorts it in n log(runs),
// and merging keeps points of equal time in the order they were made.
class TrackSorter {
public:
    void Sort(std::vector<TrackPoint>& track) {
        bounds_.assign(1, 0);
        for (std::size_t i = 1; i < track.size(); ++i)
            if (EarlierPoint(track[i], track[i - 1])) bounds_.push_back(i);
        if (bounds_.size() == 1) return;
        bounds_.push_back(track.size());
        buffer_.resize(track.size());
        while (bounds_.size() > 2) {
            next_.clear();
            std::size_t k = 0;
            for (; k + 2 < bounds_.size(); k += 2) {
                std::merge(track.begin() + Offset(k), track.begin() + Offset(k + 1), track.begin() + Offset(k + 1),
                           track.begin() + Offset(k + 2), buffer_.begin() + Offset(k), EarlierPoint);
                next_.push_back(bounds_[k]);
            }
            if (k + 1 < bounds_.size()) {
                std::copy(track.begin() + Offset(k), track.begin() + Offset(k + 1), buffer_.begin() + Offset(k));
                next_.push_back(bounds_[k]);
            }
            next_.push_back(track.size());
            track.swap(buffer_);
            bounds_.swap(next_);
        }
    }

private:
    std::ptrdiff_t Offset(std::size_t k) const { return static_cast<std::ptrdiff_t>(bounds_[k]); }

    std::vector<std::size_t> bounds_, next_;
    std::vector<TrackPoint> buffer_;
};

}  // namespace

void AccumulateTrackAngles(std::vector<TrackPoint>& track) {
    std::int32_t angle = 0;
    for (TrackPoint& point : track) {
        angle = point.m_bReset ? 0 : TruncToInt32(static_cast<float>(angle) + point.m_fStepAngle);
        point.m_fAngle = static_cast<float>(angle);
    }
}

CompileResult BuildTracks(const Scene& scene, const Show& show, AssetCaches& caches,
                          std::vector<SpringTracks>& tracks, const CompileLimits& limits) {
    tracks.assign(scene.springs.size(), SpringTracks{});
    Compiler compiler(scene, caches, show.m_nScale, tracks, limits);
    std::vector<TakeStep> steps;
    bool capped = false;
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) compiler.StartFilling();
        for (const TimeBlock& block : show.blocks) {
            if (block.nSpecicalType != kActionRotateZ && block.nSpecicalType != kActionRotateY) continue;
            if (block.cannel < 0 || static_cast<std::size_t>(block.cannel) >= show.layers.size()) continue;
            const Layer& layer = show.layers[static_cast<std::size_t>(block.cannel)];
            if (layer.type == kLayerGroup) {
                const CSpringGroup* group = scene.FindGroup(layer.GroupID);
                if (group == nullptr) continue;
                BuildTakeOrder(*group, block.nTakeOrder, steps);
            } else if (layer.type == kLayerSpring) {
                const CSpring* spring = scene.FindSpring(layer.GroupID);
                if (spring == nullptr) continue;
                BuildTakeOrder(*spring, steps);
            } else {
                continue;
            }
            if (!compiler.CompileBlock(block, steps)) {
                capped = true;
                break;
            }
        }
    }
    if (capped) LogMessage("show compiler: stopped at %zu track points", limits.maxPoints);
    TrackSorter sorter;
    for (SpringTracks& t : tracks) {
        for (std::vector<TrackPoint>* track : {&t.m_stepsA, &t.m_stepsB}) {
            sorter.Sort(*track);
            AccumulateTrackAngles(*track);
        }
    }
    return {compiler.points(), capped};
}

CompileResult CompileShow(Scene& scene, const Show& show, AssetCaches& caches, std::mutex& outputLock,
                          const CompileLimits& limits) {
    std::vector<SpringTracks> tracks;
    const CompileResult result = BuildTracks(scene, show, caches, tracks, limits);
    {
        std::lock_guard lock(outputLock);
        for (std::size_t i = 0; i < scene.springs.size(); ++i) {
            scene.springs[i].m_stepsA.swap(tracks[i].m_stepsA);
            scene.springs[i].m_stepsB.swap(tracks[i].m_stepsB);
        }
    }
    return result;  // the previous tracks are freed here, outside the lock
}

}  // namespace velmora
