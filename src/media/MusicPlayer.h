#pragma once
// The music player behind the show clock: decodes an MP3 file with libmad on
// its own thread into a ring of sample blocks and plays it through an
// AudioOutput (the sound device, or the null output when there is none). It
// offers what the playback clock and the transport use: open, play, pause,
// seek, the mode as text, position and length in milliseconds.
//
// The position is derived from the samples the output reports as heard, so a
// show that follows it cannot drift from the sound; while paused or stopped
// it is the held position.
//
// Thread contract: Open, Close, Play, Pause and Seek on one controlling thread
// (the UI's); Mode, Position, Length and the rest from any thread.

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "media/AudioOutput.h"

namespace velmora {

// Where each frame of an MP3 file starts, in bytes and in samples.
struct Mp3FrameIndex {
    struct Entry {
        std::uint64_t offset;
        std::uint64_t sample;
    };
    std::vector<Entry> frames;
    std::uint64_t totalSamples = 0;
    unsigned sampleRate = 0;

    // Reads every frame header of the file once (no synthesis). False when
    // the file cannot be read or holds no frame.
    bool Scan(const std::filesystem::path& path, std::string* error = nullptr);
    // The frame that holds `sample` (the last frame for samples past the end).
    std::size_t FrameAt(std::uint64_t sample) const;
    // The sample position of the frame starting at byte `offset`, if one does.
    bool SampleOfOffset(std::uint64_t offset, std::uint64_t* sample) const;
};

class MusicPlayer final : private AudioSource {
public:
    enum class Output { Automatic, Null };
    static constexpr int kVolume = 1000;  // of 1000: samples go out unscaled

    // Automatic uses the sound device when one opens and falls back to the
    // null output quietly; VELMORA_AUDIO=null in the environment forces null.
    explicit MusicPlayer(Output output = Output::Automatic);
    // Uses the outputs `makeOutput` gives (tests drive one by hand).
    explicit MusicPlayer(std::function<std::unique_ptr<AudioOutput>()> makeOutput);
    ~MusicPlayer() override;
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // Opens a file (closing the one open before); mode "stopped" at 0 on
    // success, "not ready" on failure.
    bool Open(const std::filesystem::path& path);
    void Close();
    // Plays from the held position; nothing at the end of the music.
    void Play();
    // Freezes the position where it is heard now.
    void Pause();
    // Moves to `ms` (clamped to the music), playing on if it was playing.
    bool Seek(double ms);

    // "playing", "paused", "stopped", or "not ready" while no file is open.
    std::string Mode() const;
    double Position() const;  // ms
    double Length() const;    // ms, 0 when no file is open
    unsigned SampleRate() const { return index_.sampleRate; }
    int Volume() const { return kVolume; }
    // "portaudio" or "null"; empty while no file is open.
    std::string OutputName() const;

private:
    enum class State { NotReady, Stopped, Playing, Paused };

    static constexpr std::size_t kBlockFrames = 1152;
    static constexpr std::size_t kBlocks = 32;  // about 0.8 s at 44.1 kHz
    struct Block {
        std::uint64_t generation = 0;
        std::uint64_t start = 0;
        std::size_t frames = 0;
        std::array<std::int16_t, kBlockFrames * 2> data{};
    };
    // A change in how device frames map to positions in the music.
    struct Break {
        std::uint64_t device;
        double sample;
        bool advancing;
    };

    void Render(std::int16_t* out, std::size_t frames) override;
    const Block* Front(std::uint64_t generation);
    void NoteBreak(std::uint64_t device, double sample, bool advancing);

    void DecodeLoop(std::filesystem::path path);
    bool PushBlock(std::uint64_t generation, std::uint64_t start, const std::int16_t* data, std::size_t frames);
    void Request(std::uint64_t sample);
    double HeardSample() const;
    double ToMs(double samples) const;

    const Output outputChoice_;
    const std::function<std::unique_ptr<AudioOutput>()> makeOutput_;
    mutable std::mutex control_;  // serialises the operations and Position
    Mp3FrameIndex index_;
    std::unique_ptr<AudioOutput> output_;
    std::thread decoder_;
    std::atomic<bool> stopDecoder_{false};

    std::atomic<State> state_{State::NotReady};
    std::atomic<bool> playing_{false};
    std::atomic<std::uint64_t> held_{0};  // the position while paused or stopped, samples

    // Seek requests: the target is written before the generation.
    std::atomic<std::uint64_t> target_{0};
    std::atomic<std::uint64_t> generation_{0};
    std::atomic<std::uint64_t> endGeneration_{0};  // the decoder reached the end for it
    std::atomic<bool> touched_{false};  // audio of the current generation has been played

    // The block ring: the decoder advances head_, Render advances tail_.
    std::array<Block, kBlocks> blocks_{};
    std::atomic<std::uint64_t> head_{0};
    std::atomic<std::uint64_t> tail_{0};

    // Render's own state.
    std::uint64_t device_ = 0;  // frames handed to the output
    std::uint64_t renderGeneration_ = 0;
    std::uint64_t renderPos_ = 0;
    std::size_t inBlock_ = 0;
    Break last_{0, 0.0, false};

    mutable std::mutex breaksMutex_;
    std::deque<Break> breaks_;
};

}  // namespace velmora
