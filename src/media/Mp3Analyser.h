#pragma once
// One analysis job: decodes a whole MP3 file on a worker thread as fast as
// decoding allows and reduces it to loudness/spectrum records, one for every
// 0.2 s of audio. The engine follows the records' level at the play position.

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <vector>

#include "app/Thread.h"
#include "media/Cfft.h"
#include "media/Mp3Decoder.h"

namespace velmora {

inline constexpr int kMp3OpenError = 0x8000;

// Sample frames in one analysis chunk: 1/15 s of audio.
inline std::size_t ChunkFrames(unsigned sampleRate) { return sampleRate / 15; }

// Analyses one chunk of interleaved 16-bit stereo (`frames` sample frames):
// the first min(frames, 128) frames mixed to mono, through `fft`, into the
// 64 band values (43..63 always 0). `mono` keeps entries the chunk does not reach.
void AnalyseChunk(Cfft& fft, const std::int16_t* chunk, std::size_t frames,
                  std::array<double, Cfft::kSize>& mono, std::array<std::int32_t, Cfft::kBands>& bands);

class CMP3Player : private Thread {
public:
    struct spectum {
        double level = 0.0;  // sum of the 64 band values / 64
        double time = 0.0;   // decoded audio at the moment of the record, ms
        std::array<std::int32_t, 64> bands{};
    };

    // Opens the file and starts the analysis; on failure m_nError is set and
    // no thread runs. Thread contract: the owner's thread.
    explicit CMP3Player(const std::filesystem::path& path);
    // Asks the worker to stop and waits for it (at most the stop bound before
    // abandoning it, then for it to really end).
    ~CMP3Player() override;

    // Thread contract: any thread. Waits up to `timeout` for the analysis to
    // end; true when it has ended (or never ran).
    bool WaitFinished(std::chrono::milliseconds timeout) const;
    bool Finished() const { return WaitFinished(std::chrono::milliseconds{0}); }

    // Duration estimate of the file in whole seconds (0 when it did not open).
    std::uint32_t Duration() const { return duration_; }

    std::unique_ptr<Mp3Decoder> m_pDecoder;  // null when the file could not be opened
    std::atomic<int> m_nPercent{0};          // written by the worker, read by anyone
    std::vector<spectum> m_listSpectrum;     // the result; read only once finished
    std::atomic<int> m_bStop{0};             // 1 asks the worker to end
    int m_nError = 0;                        // 0 or kMp3OpenError

private:
    void Run() override;
    void Analyse();
    void MarkFinished();

    std::uint32_t duration_ = 0;
    Cfft fft_;
    mutable std::mutex finishedMutex_;
    mutable std::condition_variable finishedCv_;
    bool finished_ = false;
};

}  // namespace velmora
