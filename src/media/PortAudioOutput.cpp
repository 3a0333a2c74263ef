// The default sound device through PortAudio, callback-driven. The heard
// position comes from PortAudio's own clock: each callback notes when the
// first frame it fills will reach the DAC, so the frames heard at any later
// moment follow from the stream time, output latency included.

#include <fcntl.h>
#include <portaudio.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

#include "app/Log.h"
#include "media/AudioOutput.h"

namespace velmora {

namespace {

// ALSA and JACK print their probing of absent devices on stderr while
// PortAudio starts up and opens a stream; that chatter means nothing to an
// operator, so stderr is pointed at /dev/null for those calls.
class QuietStderr {
public:
    QuietStderr() {
        std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) ::dup2(null, STDERR_FILENO);
        if (null >= 0) ::close(null);
    }
    ~QuietStderr() {
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

private:
    int saved_ = -1;
};

std::mutex g_paMutex;  // PortAudio's set-up calls are not thread-safe

class PortAudioOutput final : public AudioOutput {
public:
    ~PortAudioOutput() override { Stop(); }

    bool Start(AudioSource* source, unsigned sampleRate) override {
        Stop();
        if (source == nullptr || sampleRate == 0) return false;
        std::lock_guard pa(g_paMutex);
        QuietStderr quiet;
        // Never start a JACK server just to find out there is no sound card.
        ::setenv("JACK_NO_START_SERVER", "1", 0);
        if (Pa_Initialize() != paNoError) {
            Pa_Terminate();
            return false;
        }
        source_ = source;
        rate_ = sampleRate;
        {
            std::lock_guard lock(mutex_);
            handed_ = 0;
            lastStart_ = 0;
            lastDac_ = 0.0;
            haveCallback_ = false;
        }
        PaStream* stream = nullptr;
        PaError err = Pa_OpenDefaultStream(&stream, 0, 2, paInt16, sampleRate, paFramesPerBufferUnspecified,
                                           &PortAudioOutput::Callback, this);
        if (err == paNoError) err = Pa_StartStream(stream);
        if (err != paNoError) {
            if (stream) Pa_CloseStream(stream);
            Pa_Terminate();
            return false;
        }
        stream_ = stream;
        const PaStreamInfo* info = Pa_GetStreamInfo(stream);
        latency_ = info ? info->outputLatency : 0.0;
        return true;
    }

    void Stop() override {
        if (stream_ == nullptr) return;
        std::lock_guard pa(g_paMutex);
        QuietStderr quiet;
        Pa_AbortStream(stream_);
        Pa_CloseStream(stream_);
        Pa_Terminate();
        stream_ = nullptr;
    }

    double HeardFrames() const override {
        if (stream_ == nullptr) return 0.0;
        const double now = Pa_GetStreamTime(stream_);
        std::lock_guard lock(mutex_);
        if (!haveCallback_) return 0.0;
        const double heard = static_cast<double>(lastStart_) + (now - lastDac_) * rate_;
        return std::clamp(heard, 0.0, static_cast<double>(handed_));
    }

    std::string Name() const override { return "portaudio"; }

private:
    static int Callback(const void*, void* output, unsigned long frames, const PaStreamCallbackTimeInfo* time,
                        PaStreamCallbackFlags, void* user) {
        auto* self = static_cast<PortAudioOutput*>(user);
        self->source_->Render(static_cast<std::int16_t*>(output), frames);
        // Some host APIs leave the DAC time at 0; the stream's latency stands in.
        double dac = time ? time->outputBufferDacTime : 0.0;
        if (dac <= 0.0 && time) dac = time->currentTime + self->latency_;
        std::lock_guard lock(self->mutex_);
        self->lastStart_ = self->handed_;
        self->lastDac_ = dac;
        self->handed_ += frames;
        self->haveCallback_ = true;
        return paContinue;
    }

    PaStream* stream_ = nullptr;
    AudioSource* source_ = nullptr;
    unsigned rate_ = 0;
    double latency_ = 0.0;
    // The callback's notes, read by HeardFrames; held for a few stores only.
    mutable std::mutex mutex_;
    std::uint64_t handed_ = 0;     // frames pulled so far
    std::uint64_t lastStart_ = 0;  // frames pulled before the last callback's buffer
    double lastDac_ = 0.0;         // stream time at which that buffer starts playing
    bool haveCallback_ = false;
};

}  // namespace

std::unique_ptr<AudioOutput> MakePortAudioOutput() { return std::make_unique<PortAudioOutput>(); }

}  // namespace velmora
