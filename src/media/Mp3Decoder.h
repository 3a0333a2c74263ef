#pragma once
// The decoder behind one analysis job: a MadStream synthesised to 16-bit
// stereo into an 8192-byte ring, with libmad's timer counting the audio
// decoded so far. The analysis pulls fixed-size chunks from the ring.
//
// Thread contract: owned and used by one thread at a time (the analysis worker
// once it runs).

#include <mad.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "media/MadStream.h"

namespace velmora {

// libmad fixed point (28 fraction bits) to 16 bits, clipped at ±1.0 to ±32767.
inline std::int16_t MadSampleToInt16(mad_fixed_t s) {
    if (s >= MAD_F_ONE) return 32767;
    if (s <= -MAD_F_ONE) return -32767;
    return static_cast<std::int16_t>(s >> 13);
}

// The counts of a Xing VBR header in the frame `data` (the whole frame,
// `length` bytes); each 0 when the header or that field is absent. lame puts
// it in the first frame of a variable-bitrate file.
struct XingCounts {
    std::uint32_t frames = 0;
    std::uint32_t bytes = 0;  // of the stream it describes
};
XingCounts ReadXingCounts(const unsigned char* data, std::size_t length);
inline std::uint32_t XingFrameCount(const unsigned char* data, std::size_t length) {
    return ReadXingCounts(data, length).frames;
}

// Whole seconds of audio in a file of `fileBytes`. `bitrateSeconds` is the
// estimate from the first frame's bitrate; a Xing header's frame count gives
// a better one, but it may be stale: two VBR files joined keep the first
// one's count, a truncated file keeps the whole one's. The larger estimate is
// taken, and a file larger than the stream the header describes scales its
// count, so that an analysis running to the estimate reaches the end of the
// audio (one running past it ends when decoding stalls).
std::uint64_t EstimateSeconds(std::uint64_t bitrateSeconds, const XingCounts& xing, std::uint64_t fileBytes,
                              std::uint32_t samplesPerFrame, std::uint32_t sampleRate);

class Mp3Decoder {
public:
    static constexpr std::size_t kRingSize = 8192;
    // Consecutive steps without a frame one pull may spend looking for audio;
    // a file always moves forward, so this is only a backstop.
    static constexpr int kMaxEmptySteps = 1 << 16;

    Mp3Decoder();
    ~Mp3Decoder();
    Mp3Decoder(const Mp3Decoder&) = delete;
    Mp3Decoder& operator=(const Mp3Decoder&) = delete;

    // Opens the file and decodes up to the first frame that carries a bitrate,
    // from which the duration is estimated. False when the file cannot be
    // opened or holds no such frame.
    bool Open(const std::filesystem::path& path, std::string* error = nullptr);

    // One decode step; true when it put a frame's samples into the ring.
    bool DecodeFrame();

    // Copies up to `n` bytes of PCM (whole 4-byte sample frames when `n` is a
    // multiple of 4) and returns how many it delivered. An empty ring is
    // refilled by decoding until a frame arrives; only once the stream has
    // ended (or can no longer be read) does a pull deliver `n` zero bytes.
    std::size_t Pull(std::uint8_t* out, std::size_t n);

    // The stream has nothing more to give.
    bool Ended() const { return m_nState == 2 || in_.Ended(); }

    unsigned SampleRate() const { return sampleRate_; }
    unsigned Channels() const { return channels_; }
    std::size_t Buffered() const { return count_; }
    long ElapsedMs() const { return mad_timer_count(timer_, MAD_UNITS_MILLISECONDS); }
    unsigned long ElapsedSeconds() const {
        return static_cast<unsigned long>(mad_timer_count(timer_, MAD_UNITS_SECONDS));
    }

    std::uint64_t m_nFileSize = 0;
    std::uint32_t m_nDuration = 0;  // whole seconds, estimated from the first bitrate
    std::uint64_t m_nFrames = 0;
    int m_nState = 0;  // 0 nothing decoded, 1 decoding, 2 read failure
    bool m_bOpen = false;

private:
    void Write(const std::uint8_t* bytes, std::size_t n);

    MadStream in_;
    mad_synth synth_{};
    mad_timer_t timer_ = mad_timer_zero;
    std::array<std::uint8_t, kRingSize> ring_{};
    std::size_t write_ = 0;
    std::size_t read_ = 0;
    std::size_t count_ = 0;
    unsigned sampleRate_ = 0;
    unsigned channels_ = 0;
};

}  // namespace velmora
