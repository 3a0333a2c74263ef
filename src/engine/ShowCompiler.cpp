#include "engine/ShowCompiler.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <deque>
#include <exception>
#include <memory>
#include <system_error>
#include <thread>

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

// One member's share of one block: its start point, then the program's
// steps in turn, `count` points in all. The points of a run are in time
// order because every step lasts zero or more milliseconds.
struct Run {
    std::size_t track;  // 2 * spring index, + 1 for the Z axis
    float start;
    const std::vector<StepDelta>* deltas;
    std::size_t count;
};

// Walks the rotation blocks once and notes every member's run in the order
// the points are made; no point is made yet.
class RunCollector {
public:
    RunCollector(const Scene& scene, AssetCaches& caches, std::int32_t scale, const CompileLimits& limits)
        : scene_(scene), caches_(caches), scale_(scale), limits_(limits) {}

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
                if (resolved.program) {
                    resolved.deltas = &deltaStore_.emplace_back();
                    MakeDeltas(*resolved.program, section.factor, pulsesPerRound, *resolved.deltas);
                }
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
    const std::vector<Run>& runs() const { return runs_; }

private:
    struct Resolved {
        bool done = false;
        std::shared_ptr<const MotorComplierCache> program;
        std::vector<StepDelta>* deltas = nullptr;
    };

    bool AddMember(std::int32_t springId, bool zAxis, std::int64_t t0, std::int32_t repeat,
                   const std::vector<StepDelta>* deltas) {
        const int index = scene_.SpringIndexOf(springId);
        if (index < 0) return true;
        const std::size_t room = limits_.maxPoints - points_;
        if (room == 0) return false;
        const std::size_t runs = repeat > 0 && !deltas->empty() ? static_cast<std::size_t>(repeat) : 0;
        const bool fits = runs <= (room - 1) / std::max<std::size_t>(deltas->size(), 1);
        const std::size_t wanted = fits ? 1 + runs * deltas->size() : room;
        const std::size_t track = 2 * static_cast<std::size_t>(index) + (zAxis ? 1 : 0);
        runs_.push_back({track, static_cast<float>(t0), deltas, wanted});
        points_ += wanted;
        return fits;
    }

    const Scene& scene_;
    AssetCaches& caches_;
    const std::int32_t scale_;
    const CompileLimits& limits_;
    std::deque<std::vector<StepDelta>> deltaStore_;  // stable addresses for the runs
    std::vector<Run> runs_;
    std::size_t points_ = 0;
};

bool EarlierPoint(const TrackPoint& a, const TrackPoint& b) { return a.m_fTime < b.m_fTime; }

std::int32_t NextAngle(std::int32_t angle, const TrackPoint& point) {
    if (point.m_bReset) return 0;
    // Below 2^24 the accumulator is exact as a float, so a step of no angle
    // leaves it as it is; this spares the float round trip on every rest.
    constexpr std::int32_t kExact = 1 << 24;
    if (point.m_fStepAngle == 0.0f && angle <= kExact && angle >= -kExact) return angle;
    return TruncToInt32(static_cast<float>(angle) + point.m_fStepAngle);
}

// Makes one track from its runs. The points are generated into scratch
// buffers that stay warm from track to track, sorted there by merging
// neighbouring runs (merging keeps points of equal time in the order they
// were made), and the last merge writes the track with its absolute angles,
// so the track's own memory is written once.
class TrackBuilder {
public:
    // Scratch for the largest track up front, up to a bound; a larger track
    // grows it when it comes.
    explicit TrackBuilder(std::size_t largest) {
        const std::size_t size = std::min(largest, kKeep);
        a_.resize(size);
        b_.resize(size);
    }

    void Build(const Run* const* runs, std::size_t runCount, std::size_t points, std::vector<TrackPoint>& out) {
        if (points == 0) return;
        if (a_.size() < points) {
            a_.resize(points);
            b_.resize(points);
        }
        Generate(runs, runCount);
        out.reserve(points);  // normally reserved already
        angle_ = 0;

        bounds_.assign(1, 0);
        for (std::size_t i = 1; i < points; ++i)
            if (EarlierPoint(a_[i], a_[i - 1])) bounds_.push_back(i);
        bounds_.push_back(points);
        while (bounds_.size() > 3) MergePass(points);
        if (bounds_.size() == 2) {
            for (std::size_t i = 0; i < points; ++i) Emit(a_[i], out);
            return;
        }
        const TrackPoint* x = a_.data();
        const TrackPoint* const xEnd = a_.data() + bounds_[1];
        const TrackPoint* y = xEnd;
        const TrackPoint* const yEnd = a_.data() + points;
        while (x != xEnd && y != yEnd) {
            if (EarlierPoint(*y, *x)) Emit(*y++, out);
            else Emit(*x++, out);
        }
        while (x != xEnd) Emit(*x++, out);
        while (y != yEnd) Emit(*y++, out);
    }

    // A builder that made a huge track gives its scratch back.
    void Trim() {
        if (a_.size() > kKeep) {
            a_ = {};
            b_ = {};
        }
    }

private:
    static constexpr std::size_t kKeep = std::size_t{1} << 20;  // points of scratch kept between tracks

    void Generate(const Run* const* runs, std::size_t runCount) {
        TrackPoint* w = a_.data();
        for (std::size_t r = 0; r < runCount; ++r) {
            const Run& run = *runs[r];
            float time = run.start;
            *w++ = {time, 0.0f, 0, 0.0f};
            const StepDelta* const first = run.deltas->data();
            const StepDelta* const last = first + run.deltas->size();
            const StepDelta* d = first;
            for (std::size_t left = run.count - 1; left > 0; --left) {
                time = time + d->duration;
                *w++ = {time, d->angle, d->reset, 0.0f};
                if (++d == last) d = first;
            }
        }
    }

    void MergePass(std::size_t points) {
        next_.clear();
        std::size_t k = 0;
        for (; k + 2 < bounds_.size(); k += 2) {
            std::merge(a_.begin() + Offset(k), a_.begin() + Offset(k + 1), a_.begin() + Offset(k + 1),
                       a_.begin() + Offset(k + 2), b_.begin() + Offset(k), EarlierPoint);
            next_.push_back(bounds_[k]);
        }
        if (k + 1 < bounds_.size()) {
            std::copy(a_.begin() + Offset(k), a_.begin() + Offset(k + 1), b_.begin() + Offset(k));
            next_.push_back(bounds_[k]);
        }
        next_.push_back(points);
        a_.swap(b_);
        bounds_.swap(next_);
    }

    void Emit(TrackPoint point, std::vector<TrackPoint>& out) {
        angle_ = NextAngle(angle_, point);
        point.m_fAngle = static_cast<float>(angle_);
        out.push_back(point);
    }

    std::ptrdiff_t Offset(std::size_t k) const { return static_cast<std::ptrdiff_t>(bounds_[k]); }

    std::vector<TrackPoint> a_, b_;
    std::vector<std::size_t> bounds_, next_;
    std::int32_t angle_ = 0;
};

// Below this many points a compile is over before threads would have started.
constexpr std::size_t kParallelPoints = 200'000;

// Builds every track from the collected runs, the tracks shared out among a
// few threads; each track is made by one thread alone, so the result does
// not depend on how they were shared.
void BuildAllTracks(const std::vector<Run>& runs, std::vector<SpringTracks>& tracks, std::size_t points) {
    const std::size_t trackCount = 2 * tracks.size();
    // Runs grouped by track, each track's runs kept in the order they were made.
    std::vector<std::size_t> first(trackCount + 1, 0);
    std::vector<std::size_t> trackPoints(trackCount, 0);
    for (const Run& run : runs) {
        ++first[run.track + 1];
        trackPoints[run.track] += run.count;
    }
    for (std::size_t t = 0; t < trackCount; ++t) first[t + 1] += first[t];
    std::vector<const Run*> byTrack(runs.size());
    {
        std::vector<std::size_t> fill(first.begin(), first.end() - 1);
        for (const Run& run : runs) byTrack[fill[run.track]++] = &run;
    }

    auto trackOf = [&tracks](std::size_t t) -> std::vector<TrackPoint>& {
        SpringTracks& spring = tracks[t / 2];
        return t % 2 == 0 ? spring.m_stepsA : spring.m_stepsB;
    };
    // Every track is reserved here, by the calling thread, so that its memory
    // comes from the same allocator arena as the tracks it replaces (which
    // this thread frees) and is taken again on the next compile instead of
    // being faulted in afresh from the system.
    std::size_t largest = 0;
    for (std::size_t t = 0; t < trackCount; ++t) {
        trackOf(t).reserve(trackPoints[t]);
        largest = std::max(largest, trackPoints[t]);
    }
    std::atomic<std::size_t> next{0};
    auto work = [&](TrackBuilder& builder) {
        for (std::size_t t = next.fetch_add(1); t < trackCount; t = next.fetch_add(1)) {
            builder.Build(byTrack.data() + first[t], first[t + 1] - first[t], trackPoints[t], trackOf(t));
            builder.Trim();
        }
    };

    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = points < kParallelPoints ? 0 : std::min<std::size_t>(cores, 8) - 1;
    // The scratch of every thread is made here too, for the same reason as the tracks.
    std::vector<TrackBuilder> builders;
    builders.reserve(helpers + 1);
    for (std::size_t i = 0; i <= helpers; ++i) builders.emplace_back(largest);
    std::vector<std::thread> threads;
    std::vector<std::exception_ptr> failures(helpers);
    for (std::size_t i = 0; i < helpers; ++i) {
        try {
            threads.emplace_back([&, i] {
                try {
                    work(builders[i + 1]);
                } catch (...) {
                    failures[i] = std::current_exception();
                }
            });
        } catch (const std::system_error&) {
            break;  // no more threads to be had: the ones running and this one finish the work
        }
    }
    std::exception_ptr failure;
    try {
        work(builders[0]);
    } catch (...) {
        failure = std::current_exception();
        next = trackCount;  // the others stop after their current track
    }
    for (std::thread& thread : threads) thread.join();
    for (const std::exception_ptr& f : failures)
        if (!failure && f) failure = f;
    if (failure) std::rethrow_exception(failure);
}

}  // namespace

void AccumulateTrackAngles(std::vector<TrackPoint>& track) {
    std::int32_t angle = 0;
    for (TrackPoint& point : track) {
        angle = NextAngle(angle, point);
        point.m_fAngle = static_cast<float>(angle);
    }
}

CompileResult BuildTracks(const Scene& scene, const Show& show, AssetCaches& caches,
                          std::vector<SpringTracks>& tracks, const CompileLimits& limits) {
    tracks.assign(scene.springs.size(), SpringTracks{});
    RunCollector collector(scene, caches, show.m_nScale, limits);
    std::vector<TakeStep> steps;
    bool capped = false;
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
        if (!collector.CompileBlock(block, steps)) {
            capped = true;
            break;
        }
    }
    if (capped) LogMessage("show compiler: stopped at %zu track points", limits.maxPoints);
    BuildAllTracks(collector.runs(), tracks, collector.points());
    return {collector.points(), capped};
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
