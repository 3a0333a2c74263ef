// MP3 decoding: whatever bytes a file holds, opening, decoding to the end,
// analysing the chunks and indexing its frames must neither crash, read
// outside a buffer nor hang.

#include <sys/mman.h>
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/Cfft.h"
#include "media/Mp3Analyser.h"
#include "media/Mp3Decoder.h"
#include "media/MusicPlayer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace velmora;
    const int fd = memfd_create("fuzz_mp3", MFD_CLOEXEC);
    if (fd < 0) return 0;
    std::size_t written = 0;
    while (written < size) {
        const ssize_t n = ::write(fd, data + written, size - written);
        if (n <= 0) break;
        written += static_cast<std::size_t>(n);
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    Mp3Decoder decoder;
    if (decoder.Open(path)) {
        const std::size_t frames = ChunkFrames(decoder.SampleRate());
        if (frames == 0) std::abort();  // every MPEG sample rate gives whole chunks
        std::vector<std::int16_t> chunk(frames * 2);
        Cfft fft;
        fft.SetFileBands();
        std::array<double, Cfft::kSize> mono{};
        std::array<std::int32_t, Cfft::kBands> bands{};
        auto* out = reinterpret_cast<std::uint8_t*>(chunk.data());
        // A file this size cannot hold more chunks than this; more means a hang.
        const std::size_t bound = size * 8 + 64;
        std::size_t chunks = 0;
        while (!decoder.Ended()) {
            std::size_t filled = 0;
            while (filled < frames * 4) {
                const std::size_t got = decoder.Pull(out + filled, frames * 4 - filled);
                if (got == 0 || got > frames * 4 - filled) std::abort();
                filled += got;
            }
            AnalyseChunk(fft, chunk.data(), frames, mono, bands);
            for (std::size_t j = Cfft::kComputedBands; j < Cfft::kBands; ++j)
                if (bands[j] != 0) std::abort();
            if (++chunks > bound) std::abort();
        }
    }

    Mp3FrameIndex index;
    if (index.Scan(path)) {
        if (index.sampleRate == 0 || index.frames.empty()) std::abort();
        for (std::size_t i = 1; i < index.frames.size(); ++i)
            if (index.frames[i].offset <= index.frames[i - 1].offset) std::abort();
    }
    ::close(fd);
    return 0;
}
