#include "media/MusicPlayer.h"

#include <mad.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "app/Log.h"
#include "media/MadStream.h"
#include "media/Mp3Decoder.h"

namespace velmora {

bool Mp3FrameIndex::Scan(const std::filesystem::path& path, std::string* error) {
    frames.clear();
    totalSamples = 0;
    sampleRate = 0;
    MadStream in;
    if (!in.Open(path, error)) return false;
    for (;;) {
        const MadStream::Step step = in.Decode(/*headerOnly=*/true);
        if (step == MadStream::Step::Ended) break;
        if (step != MadStream::Step::Frame) continue;
        const mad_header& header = in.frame().header;
        if (sampleRate == 0) sampleRate = header.samplerate;
        frames.push_back({in.FrameOffset(), totalSamples});
        totalSamples += 32 * MAD_NSBSAMPLES(&header);
    }
    if (frames.empty() || sampleRate == 0) {
        if (error) *error = in.ReadFailed() ? "read failure" : "no MPEG audio frame found";
        frames.clear();
        totalSamples = 0;
        return false;
    }
    return true;
}

std::size_t Mp3FrameIndex::FrameAt(std::uint64_t sample) const {
    auto it = std::upper_bound(frames.begin(), frames.end(), sample,
                               [](std::uint64_t s, const Entry& e) { return s < e.sample; });
    return it == frames.begin() ? 0 : static_cast<std::size_t>(it - frames.begin()) - 1;
}

bool Mp3FrameIndex::SampleOfOffset(std::uint64_t offset, std::uint64_t* sample) const {
    auto it = std::lower_bound(frames.begin(), frames.end(), offset,
                               [](const Entry& e, std::uint64_t o) { return e.offset < o; });
    if (it == frames.end() || it->offset != offset) return false;
    *sample = it->sample;
    return true;
}

MusicPlayer::MusicPlayer(Output output) : outputChoice_(output) {}

MusicPlayer::MusicPlayer(std::function<std::unique_ptr<AudioOutput>()> makeOutput)
    : outputChoice_(Output::Null), makeOutput_(std::move(makeOutput)) {}

MusicPlayer::~MusicPlayer() { Close(); }

void MusicPlayer::Close() {
    std::lock_guard lock(control_);
    if (output_) output_->Stop();
    output_.reset();
    stopDecoder_ = true;
    if (decoder_.joinable()) decoder_.join();
    state_ = State::NotReady;
    playing_ = false;
    held_ = 0;
    index_ = Mp3FrameIndex{};
}

bool MusicPlayer::Open(const std::filesystem::path& path) {
    Close();
    Mp3FrameIndex index;
    std::string error;
    if (!index.Scan(path, &error)) {
        LogMessage("Music player: cannot open %s: %s", path.c_str(), error.c_str());
        return false;
    }
    std::lock_guard lock(control_);
    index_ = std::move(index);
    // Fresh ring and render state: nothing runs that could touch them.
    head_ = 0;
    tail_ = 0;
    device_ = 0;
    renderGeneration_ = 0;
    renderPos_ = 0;
    inBlock_ = 0;
    last_ = {0, 0.0, false};
    {
        std::lock_guard breaks(breaksMutex_);
        breaks_.clear();
        breaks_.push_back(last_);
    }
    held_ = 0;
    playing_ = false;
    endGeneration_ = 0;
    target_ = 0;
    generation_ = generation_ + 1;
    touched_ = false;
    stopDecoder_ = false;
    decoder_ = std::thread([this, path] { DecodeLoop(path); });

    if (makeOutput_) {
        output_ = makeOutput_();
        if (output_ && !output_->Start(this, index_.sampleRate)) output_.reset();
    }
    const char* forced = std::getenv("VELMORA_AUDIO");
    const bool useNull = outputChoice_ == Output::Null || (forced && std::string(forced) == "null");
    if (!useNull && !output_) {
        output_ = MakePortAudioOutput();
        if (!output_->Start(this, index_.sampleRate)) output_.reset();
    }
    if (!output_) {
        output_ = MakeNullAudioOutput();
        output_->Start(this, index_.sampleRate);
    }
    state_ = State::Stopped;
    return true;
}

void MusicPlayer::Request(std::uint64_t sample) {
    target_.store(sample, std::memory_order_release);
    generation_.fetch_add(1, std::memory_order_acq_rel);
    touched_ = false;
}

void MusicPlayer::Play() {
    std::lock_guard lock(control_);
    const State state = state_.load();
    if (state == State::NotReady || state == State::Playing) return;
    const std::uint64_t start = held_.load();
    if (start >= index_.totalSamples) return;  // at the end: nothing to play
    // Whatever the ring holds beyond the held position (queued while the
    // output drained at the pause) is decoded again from there.
    if (touched_.load() || target_.load() != start) Request(start);
    state_ = State::Playing;
    playing_ = true;
}

void MusicPlayer::Pause() {
    std::lock_guard lock(control_);
    if (state_.load() != State::Playing) return;
    held_ = static_cast<std::uint64_t>(HeardSample());
    playing_ = false;
    state_ = State::Paused;
}

bool MusicPlayer::Seek(double ms) {
    std::lock_guard lock(control_);
    if (state_.load() == State::NotReady || std::isnan(ms)) return false;
    double sample = ms / 1000.0 * index_.sampleRate;
    sample = std::clamp(sample, 0.0, static_cast<double>(index_.totalSamples));
    const auto target = static_cast<std::uint64_t>(sample);
    held_ = target;
    Request(target);
    return true;
}

std::string MusicPlayer::Mode() const {
    switch (state_.load()) {
        case State::Playing: return "playing";
        case State::Paused: return "paused";
        case State::Stopped: return "stopped";
        case State::NotReady: break;
    }
    return "not ready";
}

double MusicPlayer::ToMs(double samples) const {
    return index_.sampleRate ? samples * 1000.0 / index_.sampleRate : 0.0;
}

double MusicPlayer::Length() const {
    std::lock_guard lock(control_);
    return ToMs(static_cast<double>(index_.totalSamples));
}

std::string MusicPlayer::OutputName() const {
    std::lock_guard lock(control_);
    return output_ ? output_->Name() : std::string();
}

double MusicPlayer::HeardSample() const {
    if (!output_) return static_cast<double>(held_.load());
    const double heard = output_->HeardFrames();
    std::lock_guard lock(breaksMutex_);
    // The last break at or before the heard device frame rules.
    auto it = std::upper_bound(breaks_.begin(), breaks_.end(), heard,
                               [](double h, const Break& b) { return h < static_cast<double>(b.device); });
    if (it == breaks_.begin()) return breaks_.empty() ? 0.0 : breaks_.front().sample;
    const Break& b = *(it - 1);
    const double sample = b.advancing ? b.sample + (heard - static_cast<double>(b.device)) : b.sample;
    return std::clamp(sample, 0.0, static_cast<double>(index_.totalSamples));
}

double MusicPlayer::Position() const {
    std::lock_guard lock(control_);
    switch (state_.load()) {
        case State::NotReady: return 0.0;
        case State::Playing: return ToMs(HeardSample());
        default: return ToMs(static_cast<double>(held_.load()));
    }
}

// ---- Render: the output's thread ----

const MusicPlayer::Block* MusicPlayer::Front(std::uint64_t generation) {
    for (;;) {
        const std::uint64_t tail = tail_.load(std::memory_order_relaxed);
        if (tail == head_.load(std::memory_order_acquire)) return nullptr;
        const Block& block = blocks_[tail % kBlocks];
        if (block.generation == generation) return &block;
        inBlock_ = 0;  // left over from before a seek
        tail_.store(tail + 1, std::memory_order_release);
    }
}

void MusicPlayer::NoteBreak(std::uint64_t device, double sample, bool advancing) {
    const double expected = last_.advancing ? last_.sample + static_cast<double>(device - last_.device) : last_.sample;
    if (advancing == last_.advancing && sample == expected) return;
    last_ = {device, sample, advancing};
    std::lock_guard lock(breaksMutex_);
    breaks_.push_back(last_);
    // Only the breaks near the heard frame matter; a bounded history is plenty.
    while (breaks_.size() > 256) breaks_.pop_front();
}

void MusicPlayer::Render(std::int16_t* out, std::size_t frames) {
    const std::uint64_t generation = generation_.load(std::memory_order_acquire);
    if (generation != renderGeneration_) {
        renderGeneration_ = generation;
        renderPos_ = target_.load(std::memory_order_acquire);
        inBlock_ = 0;
    }
    std::size_t done = 0;
    while (done < frames) {
        const Block* block = Front(generation);
        const bool playing = playing_.load(std::memory_order_acquire);
        if (!playing || block == nullptr) {
            // The decoder flags the end after its last block, so look again
            // once the flag is seen.
            if (playing && block == nullptr && endGeneration_.load() == generation &&
                Front(generation) == nullptr) {
                // The end of the music: stop there.
                held_ = renderPos_;
                playing_ = false;
                State expected = State::Playing;
                state_.compare_exchange_strong(expected, State::Stopped);
            }
            NoteBreak(device_ + done, static_cast<double>(renderPos_), false);
            std::memset(out + 2 * done, 0, (frames - done) * 4);
            done = frames;
            break;
        }
        const std::size_t n = std::min(block->frames - inBlock_, frames - done);
        renderPos_ = block->start + inBlock_;
        NoteBreak(device_ + done, static_cast<double>(renderPos_), true);
        std::memcpy(out + 2 * done, block->data.data() + 2 * inBlock_, n * 4);
        touched_.store(true, std::memory_order_relaxed);
        done += n;
        inBlock_ += n;
        renderPos_ += n;
        if (inBlock_ == block->frames) {
            inBlock_ = 0;
            tail_.store(tail_.load(std::memory_order_relaxed) + 1, std::memory_order_release);
        }
    }
    device_ += frames;
}

// ---- Decoding: the decoder's thread ----

bool MusicPlayer::PushBlock(std::uint64_t generation, std::uint64_t start, const std::int16_t* data,
                            std::size_t frames) {
    while (head_.load(std::memory_order_relaxed) - tail_.load(std::memory_order_acquire) >= kBlocks) {
        if (stopDecoder_.load() || generation_.load(std::memory_order_acquire) != generation) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const std::uint64_t head = head_.load(std::memory_order_relaxed);
    Block& block = blocks_[head % kBlocks];
    block.generation = generation;
    block.start = start;
    block.frames = frames;
    if (data)
        std::memcpy(block.data.data(), data, frames * 4);
    else
        std::memset(block.data.data(), 0, frames * 4);
    head_.store(head + 1, std::memory_order_release);
    return true;
}

void MusicPlayer::DecodeLoop(std::filesystem::path path) {
    MadStream in;
    if (!in.Open(path)) {
        endGeneration_ = generation_.load();
        return;
    }
    mad_synth synth;
    mad_synth_init(&synth);
    std::array<std::int16_t, kBlockFrames * 2> pcm{};
    std::uint64_t generation = 0;
    std::uint64_t skipUntil = 0;
    std::uint64_t next = 0;  // sample position expected of the next frame
    bool ended = false;
    // A seek starts decoding this many frames early so the bit reservoir and
    // the synthesis filter are primed by the time the target is reached.
    constexpr std::size_t kPrimingFrames = 4;

    while (!stopDecoder_.load()) {
        const std::uint64_t wanted = generation_.load(std::memory_order_acquire);
        if (wanted != generation) {
            generation = wanted;
            skipUntil = target_.load(std::memory_order_acquire);
            const std::size_t frame = index_.FrameAt(skipUntil);
            const std::size_t first = frame > kPrimingFrames ? frame - kPrimingFrames : 0;
            in.SeekToByte(index_.frames[first].offset);
            next = index_.frames[first].sample;
            mad_synth_init(&synth);
            ended = skipUntil >= index_.totalSamples;
            if (ended) endGeneration_ = generation;
        }
        if (ended || head_.load() - tail_.load() >= kBlocks) {
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            continue;
        }
        const MadStream::Step step = in.Decode();
        if (step == MadStream::Step::Ended) {
            ended = true;
            endGeneration_ = generation;
            continue;
        }
        if (step != MadStream::Step::Frame) continue;
        std::uint64_t start = next;
        index_.SampleOfOffset(in.FrameOffset(), &start);
        // Frames that could not be decoded leave their time as silence, so
        // the music keeps the length its index gives it.
        bool current = true;
        while (start > next && current) {
            const std::uint64_t gapEnd = std::min(start, next + kBlockFrames);
            if (gapEnd > skipUntil) {
                const std::uint64_t from = std::max(next, skipUntil);
                current = PushBlock(generation, from, nullptr, static_cast<std::size_t>(gapEnd - from));
            }
            next = gapEnd;
        }
        if (!current) continue;
        mad_synth_frame(&synth, &in.frame());
        const mad_pcm& out = synth.pcm;
        const std::size_t length = std::min<std::size_t>(out.length, kBlockFrames);
        const mad_fixed_t* left = out.samples[0];
        const mad_fixed_t* right = out.channels > 1 ? out.samples[1] : out.samples[0];
        next = start + length;
        if (next <= skipUntil) continue;
        const std::size_t skip = skipUntil > start ? static_cast<std::size_t>(skipUntil - start) : 0;
        for (std::size_t i = skip; i < length; ++i) {
            pcm[2 * (i - skip)] = MadSampleToInt16(left[i]);
            pcm[2 * (i - skip) + 1] = MadSampleToInt16(right[i]);
        }
        PushBlock(generation, start + skip, pcm.data(), length - skip);
    }
    mad_synth_finish(&synth);
}

}  // namespace velmora
