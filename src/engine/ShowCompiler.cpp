#include "engine/ShowCompiler.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <functional>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <exception>
#include <memory>
#include <stdexcept>
#include <system_error>
#include <thread>

#include "app/Log.h"
#include "engine/AssetCaches.h"
#include "engine/MotorSections.h"
#include "engine/StreamingStore.h"
#include "engine/TakeOrder.h"
#include "engine/Truncate.h"

namespace velmora {
namespace {

// The part of a point that a step fixes whatever its time: copied as one
// eight-byte word from the step into every point it makes.
struct StepTail {
    float stepAngle;
    std::int32_t reset;
};

// What one program step adds to a member's track, for a given speed factor
// and axis; the same for every member that runs the section.
struct StepDelta {
    StepTail tail;
    float duration;
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
        deltas.push_back({{angle, reset}, duration});
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
    // `only`, when given, holds one flag per spring (by index): members
    // without it get no runs.
    RunCollector(const Scene& scene, AssetCaches& caches, std::int32_t scale, const CompileLimits& limits,
                 const std::vector<char>* only = nullptr)
        : scene_(scene), caches_(caches), scale_(scale), limits_(limits), only_(only) {
        // Spring IDs are small numbers in practice; a table by ID spares a
        // hash lookup for each of the hundreds of thousands of member runs
        // of a large show. IDs far beyond the spring count keep the lookup.
        const std::size_t bound = 4 * scene.springs.size() + 1024;
        std::size_t size = 0;
        for (const CSpring& spring : scene.springs) {
            if (spring.ID < 0 || static_cast<std::size_t>(spring.ID) >= bound) return;
            size = std::max(size, static_cast<std::size_t>(spring.ID) + 1);
        }
        springById_.assign(size, -1);
        for (std::size_t i = scene.springs.size(); i-- > 0;)  // the first of equal IDs wins
            springById_[static_cast<std::size_t>(scene.springs[i].ID)] = static_cast<int>(i);
    }

    enum class Bound { None, Block, Show };

    // One block over its take order; says which point bound, if any, cut it.
    Bound CompileBlock(const TimeBlock& block, const std::vector<TakeStep>& steps) {
        blockPoints_ = 0;
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
            if (!AddMember(step.A, zAxis, t0, section.repeat, resolved.deltas) ||
                (step.paired && !AddMember(step.B, zAxis, t0, section.repeat, resolved.deltas)))
                return points_ >= limits_.maxPoints ? Bound::Show : Bound::Block;
        }
        return Bound::None;
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
        const int index = SpringIndex(springId);
        if (index < 0 || (only_ != nullptr && (*only_)[static_cast<std::size_t>(index)] == 0)) return true;
        const std::size_t room = std::min(limits_.maxPoints - std::min(points_, limits_.maxPoints),
                                          limits_.maxBlockPoints - std::min(blockPoints_, limits_.maxBlockPoints));
        if (room == 0) return false;
        const std::size_t runs = repeat > 0 && !deltas->empty() ? static_cast<std::size_t>(repeat) : 0;
        const bool fits = runs <= (room - 1) / std::max<std::size_t>(deltas->size(), 1);
        const std::size_t wanted = fits ? 1 + runs * deltas->size() : room;
        const std::size_t track = 2 * static_cast<std::size_t>(index) + (zAxis ? 1 : 0);
        runs_.push_back({track, static_cast<float>(t0), deltas, wanted});
        points_ += wanted;
        blockPoints_ += wanted;
        return fits;
    }

    int SpringIndex(std::int32_t springId) const {
        if (springById_.empty()) return scene_.SpringIndexOf(springId);
        const auto id = static_cast<std::uint32_t>(springId);
        return id < springById_.size() ? springById_[id] : -1;
    }

    const Scene& scene_;
    AssetCaches& caches_;
    const std::int32_t scale_;
    const CompileLimits& limits_;
    const std::vector<char>* only_;
    std::vector<int> springById_;  // empty when IDs are too large for a table
    std::deque<std::vector<StepDelta>> deltaStore_;  // stable addresses for the runs
    std::vector<Run> runs_;
    std::size_t points_ = 0;
    std::size_t blockPoints_ = 0;  // of the block being compiled
};

// The angle accumulator: a reset point sets it to 0, any other point to
// trunc(accumulator + step angle).
inline std::int32_t NextAngle(std::int32_t angle, float stepAngle, std::int32_t reset) {
    // Below 2^24 the accumulator is exact as a float, so a step of no angle
    // leaves it as it is; this spares the float round trip on every rest.
    constexpr std::uint32_t kExact = 1u << 24;
    const bool moves = (std::bit_cast<std::uint32_t>(stepAngle) & 0x7fffffffu) != 0;
    if (!moves && reset == 0 && static_cast<std::uint32_t>(angle) + kExact <= 2 * kExact) return angle;
    if (reset != 0) return 0;
    const float sum = static_cast<float>(angle) + stepAngle;
    // One test for the usual case; NaN and out-of-range sums fail it.
    if (sum > -2147483648.0f && sum < 2147483648.0f) return static_cast<std::int32_t>(sum);
    return TruncToInt32(sum);
}

// A point's place in its track as one unsigned number: the time's bits
// turned so that unsigned order is float order, then the index of the run
// that made it. Points of equal time thus come out in the order their runs
// were made, and a run's own points are in time order already, so the
// track is the stable sort by time of all points in the order they were made.
//
// Times are almost always zero or later, and the bits of such floats are
// in order as they are; a track whose runs all start there (its steps only
// add time) takes that shorter way.
template <bool kAnySign>
std::uint32_t TimeBits(float time) {
    std::uint32_t bits = std::bit_cast<std::uint32_t>(time);
    if constexpr (kAnySign) {
        bits = std::bit_cast<std::uint32_t>(time + 0.0f);  // -0 and +0 as one time
        bits = (bits & 0x80000000u) != 0 ? ~bits : bits | 0x80000000u;
    }
    return bits;
}

template <bool kAnySign>
std::uint64_t SortKey(float time, std::uint32_t run) {
    return std::uint64_t{TimeBits<kAnySign>(time)} << 32 | run;
}

// The time that TimeBits<true> turned.
float TimeOfAnySign(std::uint32_t bits) {
    return std::bit_cast<float>((bits & 0x80000000u) != 0 ? bits & 0x7fffffffu : ~bits);
}

// True for +0 and later, false for -0, earlier times and NaN.
bool StartsAtZeroOrLater(float time) { return std::bit_cast<std::int32_t>(time) >= 0 && time >= 0.0f; }

// A point while its track is being put together: its sort key, low half
// first, then the rest of the point. Read as one little-endian word, the
// first eight bytes are the key; bytes 4 to 15 are the first twelve bytes
// of the track point when times are stored as they are.
struct KeyedPoint {
    std::uint32_t run;
    std::uint32_t timeBits;
    StepTail tail;

    std::uint64_t Key() const {
        std::uint64_t key;
        std::memcpy(&key, this, sizeof key);
        return key;
    }
};
static_assert(std::endian::native == std::endian::little);
static_assert(sizeof(KeyedPoint) == 16 && offsetof(KeyedPoint, timeBits) == 4);

constexpr KeyedPoint kSentinel{~0u, ~0u, {0.0f, 0}};

// Makes one track from its runs. The runs are taken in the order of their
// first points and gathered into clusters that overlap in time; a cluster's
// points are generated into scratch that stays in cache, each run closed by
// a sentinel, and merged there, and the last merge writes the track with its
// absolute angles, so the track's own memory is written once. Clusters
// follow one another in time, so they need no merging among themselves: a
// layer's blocks, one after another, cost no comparisons at all.
//
// Which run's point comes next is decided by a plain branch: the runs of a
// cluster mostly run the same program, so the order repeats and is well
// predicted, and a selection without a branch would put a load, a compare
// and a pointer update in a chain from one point to the next (measured 3x
// slower here).
class TrackBuilder {
public:
    // `out` comes sized to the sum of the runs' counts, its points unset;
    // every one of them is written.
    void Build(const Run* const* runs, std::size_t runCount, TrackPoints& out) {
        if (out.empty()) return;
        written_ = 0;
        const bool anySign = !std::all_of(runs, runs + runCount, [](const Run* run) { return StartsAtZeroOrLater(run->start); });
        if (anySign) Build<true>(runs, runCount, out);
        else Build<false>(runs, runCount, out);
        FinishStreaming();
        if (written_ != out.size()) throw std::logic_error("show compiler: track points miscounted");
    }

private:
    template <bool kAnySign>
    void Build(const Run* const* runs, std::size_t runCount, TrackPoints& out) {
        starts_.resize(runCount);
        for (std::size_t r = 0; r < runCount; ++r)
            starts_[r] = SortKey<kAnySign>(runs[r]->start, static_cast<std::uint32_t>(r));
        std::sort(starts_.begin(), starts_.end());
        angle_ = 0;

        for (std::size_t i = 0; i < runCount;) {
            used_ = 0;
            offsets_.clear();
            std::uint64_t clusterEnd = 0;
            do {
                const std::uint32_t r = static_cast<std::uint32_t>(starts_[i]);
                clusterEnd = std::max(clusterEnd, Generate<kAnySign>(*runs[r], r));
                ++i;
            } while (i < runCount && starts_[i] < clusterEnd);
            MergeToFour();
            if (sequences_.size() > 2) {
                EmitFour<kAnySign>(out);
                continue;
            }
            const Sequence x = sequences_[0];
            const Sequence y = sequences_.size() > 1 ? sequences_[1] : Sequence{x.begin + x.count, 0};
            MergeSorted(
                x, y,
                [&](const KeyedPoint* from, std::size_t count) {
                    Emit<kAnySign>(count, out, [&from] { return from++; });
                },
                [&](const KeyedPoint* px, const KeyedPoint* py, std::size_t count) {
                    Emit<kAnySign>(count, out, [&px, &py] { return Take(px, py); });
                });
        }
    }

    struct Sequence {
        const KeyedPoint* begin;  // in one of the scratch buffers; a sentinel follows the last point
        std::size_t count;
    };

    // Appends a run's points and a sentinel; returns the key of its last point.
    template <bool kAnySign>
    std::uint64_t Generate(const Run& run, std::uint32_t r) {
        const std::size_t begin = used_;
        used_ += run.count + 1;
        a_.Reserve(used_, begin);
        KeyedPoint* w = a_.data() + begin;
        float time = run.start;
        *w++ = {r, TimeBits<kAnySign>(time), {0.0f, 0}};
        const StepDelta* const steps = run.deltas->data();
        const std::size_t stepCount = run.deltas->size();
        for (std::size_t left = run.count - 1; left > 0;) {
            const std::size_t n = std::min(left, stepCount);
            std::size_t k = 0;
            for (; k + 2 <= n; k += 2) {
                time = time + steps[k].duration;
                w[k] = {r, TimeBits<kAnySign>(time), steps[k].tail};
                time = time + steps[k + 1].duration;
                w[k + 1] = {r, TimeBits<kAnySign>(time), steps[k + 1].tail};
            }
            if (k < n) {
                time = time + steps[k].duration;
                w[k] = {r, TimeBits<kAnySign>(time), steps[k].tail};
            }
            w += n;
            left -= n;
        }
        *w = kSentinel;
        offsets_.push_back({begin, run.count});
        return w[-1].Key();
    }

    // Both inputs end in a sentinel, so neither runs out while points are
    // due; keys of different runs never tie.
    static const KeyedPoint* Take(const KeyedPoint*& x, const KeyedPoint*& y) {
        const bool fromY = y->Key() < x->Key();
        const KeyedPoint* p = fromY ? y : x;
        x += fromY ? 0 : 1;
        y += fromY ? 1 : 0;
        return p;
    }

    // Merges two sequences: `copy(from, count)` takes points of one side
    // alone, `merge(x, y, count)` the next `count` points of both in order.
    // Where runs overlap only in part, the lead of the one that starts first
    // and the tail of the one that ends last are taken as they are, and only
    // the stretch where both have points is merged point by point.
    template <typename Copy, typename Merge>
    static void MergeSorted(Sequence x, Sequence y, Copy&& copy, Merge&& merge) {
        if (x.count == 0 || y.count == 0) {
            if (x.count != 0) copy(x.begin, x.count);
            if (y.count != 0) copy(y.begin, y.count);
            return;
        }
        if (y.begin->Key() < x.begin->Key()) std::swap(x, y);
        const auto below = [](const KeyedPoint& p, std::uint64_t key) { return p.Key() < key; };
        const std::size_t lead =
            static_cast<std::size_t>(std::lower_bound(x.begin, x.begin + x.count, y.begin->Key(), below) - x.begin);
        if (lead != 0) copy(x.begin, lead);
        x.begin += lead;
        x.count -= lead;
        if (x.count == 0) {
            copy(y.begin, y.count);
            return;
        }
        // Both sides keep their sentinels; the side that ends last is merged
        // only up to the other's last point, so its next point stops it.
        const bool xEndsFirst = x.begin[x.count - 1].Key() < y.begin[y.count - 1].Key();
        Sequence& first = xEndsFirst ? x : y;
        Sequence& last = xEndsFirst ? y : x;
        const std::uint64_t end = first.begin[first.count - 1].Key();
        const auto above = [](std::uint64_t key, const KeyedPoint& p) { return key < p.Key(); };
        const std::size_t kept =
            static_cast<std::size_t>(std::upper_bound(last.begin, last.begin + last.count, end, above) - last.begin);
        merge(x.begin, y.begin, first.count + kept);
        if (kept != last.count) copy(last.begin + kept, last.count - kept);
    }

    // Three or four sequences are merged in one go, as two pairs each
    // holding its next point, the earlier of which is taken; their points
    // are thus not copied through a pass of their own first (measured about
    // 9 % faster than merging down to two; eight at once was slower again).
    template <bool kAnySign>
    void EmitFour(TrackPoints& out) {
        std::size_t count = 0;
        for (const Sequence& s : sequences_) count += s.count;
        const KeyedPoint* x0 = sequences_[0].begin;
        const KeyedPoint* x1 = sequences_[1].begin;
        const KeyedPoint* x2 = sequences_[2].begin;
        const KeyedPoint* x3 = sequences_.size() > 3 ? sequences_[3].begin : &kSentinel;
        const KeyedPoint* left = Take(x0, x1);
        const KeyedPoint* right = Take(x2, x3);
        // Once a pair has given its last point it holds a sentinel, which is
        // never taken: `count` ends the merge first.
        Emit<kAnySign>(count, out, [&] {
            const KeyedPoint* p;
            if (right->Key() < left->Key()) {
                p = right;
                right = Take(x2, x3);
            } else {
                p = left;
                left = Take(x0, x1);
            }
            return p;
        });
    }

    // Neighbouring sequences are merged pairwise until four or fewer are
    // left. An odd one out stays where it is when this pass leaves no more
    // than four; otherwise it is copied along, since the next pass writes
    // over the buffer it is in.
    void MergeToFour() {
        sequences_.clear();
        for (const auto& [begin, count] : offsets_) sequences_.push_back({a_.data() + begin, count});
        Scratch* from = &a_;
        Scratch* to = &b_;
        while (sequences_.size() > 4) {
            to->Reserve(used_, 0);
            next_.clear();
            KeyedPoint* w = to->data();
            std::size_t k = 0;
            for (; k + 1 < sequences_.size(); k += 2) {
                const Sequence x = sequences_[k], y = sequences_[k + 1];
                next_.push_back({w, x.count + y.count});
                MergeSorted(
                    x, y, [&w](const KeyedPoint* from, std::size_t count) { w = std::copy_n(from, count, w); },
                    [&w](const KeyedPoint* px, const KeyedPoint* py, std::size_t count) {
                        for (; count > 0; --count) *w++ = *Take(px, py);
                    });
                *w++ = kSentinel;
            }
            if (k < sequences_.size()) {
                const Sequence x = sequences_[k];
                if (next_.size() + 1 > 4) {
                    next_.push_back({w, x.count});
                    w = std::copy_n(x.begin, x.count + 1, w);
                } else {
                    next_.push_back(x);
                }
            }
            used_ = static_cast<std::size_t>(w - to->data());
            std::swap(from, to);
            sequences_.swap(next_);
        }
    }

    // Writes `count` points, taken in track order from `next`, with their
    // absolute angles. They go through a small buffer in the first-level
    // cache and are streamed to the track a block at a time: the track is
    // far larger than the caches and not read again during the compile.
    template <bool kAnySign, typename Next>
    void Emit(std::size_t count, TrackPoints& out, Next&& next) {
        std::int32_t angle = angle_;
        while (count > 0) {
            const std::size_t n = std::min(count, block_.size());
            for (std::size_t i = 0; i < n; ++i) {
                const KeyedPoint& p = *next();
                angle = NextAngle(angle, p.tail.stepAngle, p.tail.reset);
                // Time, step angle and reset as they lie in the scratch (every
                // point there is followed by another or a sentinel), then the angle.
                std::memcpy(&block_[i], reinterpret_cast<const char*>(&p) + offsetof(KeyedPoint, timeBits),
                            sizeof(TrackPoint));
                if constexpr (kAnySign) block_[i].m_fTime = TimeOfAnySign(p.timeBits);
                block_[i].m_fAngle = static_cast<float>(angle);
            }
            if (n > out.size() - written_) throw std::logic_error("show compiler: track points miscounted");
            StreamPoints(out.data() + written_, block_.data(), n);
            written_ += n;
            count -= n;
        }
        angle_ = angle;
    }

    // Scratch that is written before it is read, so it is never cleared.
    class Scratch {
    public:
        // Room for `size` points, keeping the first `keep`.
        void Reserve(std::size_t size, std::size_t keep) {
            if (size <= capacity_) return;
            const std::size_t capacity = std::max(size, 2 * capacity_);
            auto grown = std::make_unique_for_overwrite<KeyedPoint[]>(capacity);
            std::copy_n(points_.get(), keep, grown.get());
            points_ = std::move(grown);
            capacity_ = capacity;
        }
        KeyedPoint* data() { return points_.get(); }

    private:
        std::unique_ptr<KeyedPoint[]> points_;
        std::size_t capacity_ = 0;
    };

    std::vector<std::uint64_t> starts_;  // every run's first point, in track order
    Scratch a_, b_;                      // the cluster's points, and a second buffer for merging
    std::size_t used_ = 0;
    std::vector<std::pair<std::size_t, std::size_t>> offsets_;  // the runs' places in a_ while it may grow
    std::vector<Sequence> sequences_, next_;
    alignas(64) std::array<TrackPoint, 256> block_;
    std::size_t written_ = 0;  // points of the track written so far
    std::int32_t angle_ = 0;   // carried from cluster to cluster
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

    auto trackOf = [&tracks](std::size_t t) -> TrackPoints& {
        SpringTracks& spring = tracks[t / 2];
        return t % 2 == 0 ? spring.m_stepsA : spring.m_stepsB;
    };
    // Every track is sized here, by the calling thread, so that its memory
    // comes from the same allocator arena as the tracks it replaces (which
    // this thread frees) and is taken again on the next compile instead of
    // being faulted in afresh from the system. Sizing writes nothing.
    for (std::size_t t = 0; t < trackCount; ++t) trackOf(t).resize(trackPoints[t]);
    std::atomic<std::size_t> next{0};
    auto work = [&](TrackBuilder& builder) {
        for (std::size_t t = next.fetch_add(1); t < trackCount; t = next.fetch_add(1)) {
            builder.Build(byTrack.data() + first[t], first[t + 1] - first[t], trackOf(t));
        }
    };

    const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
    const std::size_t helpers = points < kParallelPoints ? 0 : std::min<std::size_t>(cores, 8) - 1;
    std::vector<TrackBuilder> builders(helpers + 1);
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

void AccumulateTrackAngles(TrackPoints& track) {
    std::int32_t angle = 0;
    for (TrackPoint& point : track) {
        angle = NextAngle(angle, point.m_fStepAngle, point.m_bReset);
        point.m_fAngle = static_cast<float>(angle);
    }
}

namespace {

CompileResult BuildSomeTracks(const Scene& scene, const Show& show, AssetCaches& caches,
                              std::vector<SpringTracks>& tracks, const CompileLimits& limits,
                              const std::vector<char>* only) {
    tracks.assign(scene.springs.size(), SpringTracks{});
    RunCollector collector(scene, caches, show.m_nScale, limits, only);
    std::vector<TakeStep> steps;
    bool capped = false;
    std::size_t blocksCapped = 0;
    for (std::size_t b = 0; b < show.blocks.size(); ++b) {
        const TimeBlock& block = show.blocks[b];
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
        const RunCollector::Bound bound = collector.CompileBlock(block, steps);
        if (bound == RunCollector::Bound::Block) {
            ++blocksCapped;
            LogMessage("show compiler: block %zu stopped at %zu track points", b, limits.maxBlockPoints);
        } else if (bound == RunCollector::Bound::Show) {
            capped = true;
            break;
        }
    }
    if (capped) LogMessage("show compiler: stopped at %zu track points", limits.maxPoints);
    BuildAllTracks(collector.runs(), tracks, collector.points());
    return {collector.points(), capped, blocksCapped};
}

}  // namespace

CompileResult BuildTracks(const Scene& scene, const Show& show, AssetCaches& caches,
                          std::vector<SpringTracks>& tracks, const CompileLimits& limits) {
    return BuildSomeTracks(scene, show, caches, tracks, limits, nullptr);
}

void SwapTracksIn(Scene& scene, std::vector<SpringTracks>& tracks) {
    for (std::size_t i = 0; i < scene.springs.size() && i < tracks.size(); ++i) {
        scene.springs[i].m_stepsA.swap(tracks[i].m_stepsA);
        scene.springs[i].m_stepsB.swap(tracks[i].m_stepsB);
    }
}

CompileResult CompileShow(Scene& scene, const Show& show, AssetCaches& caches, std::mutex& outputLock,
                          const CompileLimits& limits) {
    std::vector<SpringTracks> tracks;
    const CompileResult result = BuildTracks(scene, show, caches, tracks, limits);
    {
        std::lock_guard lock(outputLock);
        SwapTracksIn(scene, tracks);
    }
    return result;  // the previous tracks are freed here, outside the lock
}

CompileResult CompileSprings(Scene& scene, const Show& show, AssetCaches& caches, std::mutex& outputLock,
                             std::span<const std::int32_t> springIds, const CompileLimits& limits) {
    std::vector<char> only(scene.springs.size(), 0);
    bool any = false;
    for (const std::int32_t id : springIds) {
        const int index = scene.SpringIndexOf(id);
        if (index < 0) continue;
        only[static_cast<std::size_t>(index)] = 1;
        any = true;
    }
    if (!any) return {};
    std::vector<SpringTracks> tracks;
    const CompileResult result = BuildSomeTracks(scene, show, caches, tracks, limits, &only);
    {
        std::lock_guard lock(outputLock);
        for (std::size_t i = 0; i < scene.springs.size(); ++i) {
            if (only[i] == 0) continue;
            scene.springs[i].m_stepsA.swap(tracks[i].m_stepsA);
            scene.springs[i].m_stepsB.swap(tracks[i].m_stepsB);
        }
    }
    return result;  // the previous tracks are freed here, outside the lock
}

}  // namespace velmora
