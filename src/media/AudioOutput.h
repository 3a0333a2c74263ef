#pragma once
// Where the music player's samples go: a sound device, or nothing at all at
// the pace of the clock. Either way the output pulls the samples it needs from
// a source and reports how much of what it pulled has been heard, which is
// what the show position is derived from.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace velmora {

class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Fills `frames` interleaved 16-bit stereo sample frames. Thread contract:
    // called on the output's own thread (a real-time audio callback for a
    // device): must not block.
    virtual void Render(std::int16_t* out, std::size_t frames) = 0;
};

class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Starts pulling from `source` at `sampleRate` (stereo). False, leaving
    // nothing running, when the output cannot run at that rate.
    // Thread contract: the owner's thread; Start and Stop are serialised.
    virtual bool Start(AudioSource* source, unsigned sampleRate) = 0;
    // Stops pulling; no Render call is in progress or follows once it returns.
    virtual void Stop() = 0;

    // Sample frames heard since Start: the frames pulled minus those still
    // queued on their way to the listener, fractional. Thread contract: any thread.
    virtual double HeardFrames() const = 0;

    virtual std::string Name() const = 0;
};

// Consumes samples in real time on its own thread and discards them.
std::unique_ptr<AudioOutput> MakeNullAudioOutput();

// The default sound device through PortAudio; Start fails when there is none.
std::unique_ptr<AudioOutput> MakePortAudioOutput();

}  // namespace velmora
