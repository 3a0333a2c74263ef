#include "media/Mp3Decoder.h"

#include <algorithm>
#include <cstring>

namespace velmora {

Mp3Decoder::Mp3Decoder() { mad_synth_init(&synth_); }

Mp3Decoder::~Mp3Decoder() { mad_synth_finish(&synth_); }

XingCounts ReadXingCounts(const unsigned char* data, std::size_t length) {
    // The tag sits after the side information, within the first 40 bytes.
    const std::size_t limit = std::min<std::size_t>(length, 64);
    auto be32 = [](const unsigned char* p) {
        return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
    };
    XingCounts counts;
    for (std::size_t i = 4; data != nullptr && i + 12 <= limit; ++i) {
        if (std::memcmp(data + i, "Xing", 4) != 0) continue;
        const std::uint32_t flags = be32(data + i + 4);
        std::size_t field = i + 8;
        if (flags & 1) {
            counts.frames = be32(data + field);
            field += 4;
        }
        if ((flags & 2) && field + 4 <= length) counts.bytes = be32(data + field);
        return counts;
    }
    return counts;
}

std::uint64_t EstimateSeconds(std::uint64_t bitrateSeconds, const XingCounts& xing, std::uint64_t fileBytes,
                              std::uint32_t samplesPerFrame, std::uint32_t sampleRate) {
    if (xing.frames == 0 || sampleRate == 0) return bitrateSeconds;
    const std::uint64_t samples = std::uint64_t{xing.frames} * samplesPerFrame;
    std::uint64_t seconds = samples / sampleRate;
    // Appended audio: the seconds per byte of the described stream hold for the rest.
    if (xing.bytes > 0 && fileBytes > xing.bytes) {
        const double scaled = static_cast<double>(samples) / sampleRate * (static_cast<double>(fileBytes) / xing.bytes);
        seconds = static_cast<std::uint64_t>(std::min(scaled, 4e9));
    }
    return std::max(bitrateSeconds, seconds);
}

bool Mp3Decoder::Open(const std::filesystem::path& path, std::string* error) {
    if (!in_.Open(path, error)) return false;
    m_nFileSize = in_.FileSize();
    write_ = read_ = count_ = 0;
    m_nFrames = 0;
    m_nState = 0;
    timer_ = mad_timer_zero;
    mad_synth_init(&synth_);
    m_bOpen = true;

    // Look for the first frame that states a bitrate. Any recoverable error on
    // the way (junk or a stray sync word before the first real frame) is
    // passed over, not only lost synchronisation: a playable file must not be
    // refused for a damaged start. The search ends with the stream.
    unsigned long bitrate = 0;
    while (!Ended()) {
        const bool decoded = DecodeFrame();
        if (decoded && in_.frame().header.bitrate != 0) {
            bitrate = in_.frame().header.bitrate;
            break;
        }
    }
    if (bitrate == 0) {
        if (error) *error = "no MPEG audio frame found";
        in_.Close();
        m_bOpen = false;
        return false;
    }
    // The first frame of a variable-bitrate file is the Xing header, whose
    // bitrate says nothing about the rest: estimating from it alone cuts the
    // analysis of such a song short by most of its length.
    const mad_header& header = in_.frame().header;
    const std::uint64_t seconds =
        EstimateSeconds(m_nFileSize * 8 / bitrate, ReadXingCounts(in_.FrameData(), in_.FrameLength()), m_nFileSize,
                        32 * MAD_NSBSAMPLES(&header), header.samplerate);
    m_nDuration = static_cast<std::uint32_t>(std::min<std::uint64_t>(seconds, UINT32_MAX));
    return true;
}

void Mp3Decoder::Write(const std::uint8_t* bytes, std::size_t n) {
    // The ring holds more than the largest frame and is only refilled when
    // empty, so it cannot overflow; should it ever, the oldest audio goes.
    if (n > kRingSize) {
        bytes += n - kRingSize;
        n = kRingSize;
    }
    if (count_ + n > kRingSize) {
        const std::size_t drop = count_ + n - kRingSize;
        read_ = (read_ + drop) % kRingSize;
        count_ -= drop;
    }
    const std::size_t first = std::min(n, kRingSize - write_);
    std::memcpy(ring_.data() + write_, bytes, first);
    std::memcpy(ring_.data(), bytes + first, n - first);
    write_ = (write_ + n) % kRingSize;
    count_ += n;
}

bool Mp3Decoder::DecodeFrame() {
    if (!m_bOpen || Ended()) return false;
    const MadStream::Step step = in_.Decode();
    if (in_.ReadFailed()) m_nState = 2;
    if (step != MadStream::Step::Frame) return false;

    ++m_nFrames;
    if (m_nState == 0) m_nState = 1;
    mad_frame& frame = in_.frame();
    if (sampleRate_ == 0) {
        sampleRate_ = frame.header.samplerate;
        channels_ = MAD_NCHANNELS(&frame.header);
    }
    mad_synth_frame(&synth_, &frame);
    const mad_pcm& pcm = synth_.pcm;
    const mad_fixed_t* left = pcm.samples[0];
    const mad_fixed_t* right = pcm.channels > 1 ? pcm.samples[1] : pcm.samples[0];
    // Convert the frame in one go, then copy it into the ring in at most two
    // pieces (a frame of 1152 sample frames fits an empty 8192-byte ring).
    std::uint8_t bytes[1152 * 4];
    const unsigned length = std::min<unsigned>(pcm.length, 1152);
    for (unsigned i = 0; i < length; ++i) {
        const auto l = static_cast<std::uint16_t>(MadSampleToInt16(left[i]));
        const auto r = static_cast<std::uint16_t>(MadSampleToInt16(right[i]));
        bytes[4 * i] = static_cast<std::uint8_t>(l & 0xff);
        bytes[4 * i + 1] = static_cast<std::uint8_t>(l >> 8);
        bytes[4 * i + 2] = static_cast<std::uint8_t>(r & 0xff);
        bytes[4 * i + 3] = static_cast<std::uint8_t>(r >> 8);
    }
    Write(bytes, std::size_t{length} * 4);
    mad_timer_add(&timer_, frame.header.duration);
    return true;
}

std::size_t Mp3Decoder::Pull(std::uint8_t* out, std::size_t n) {
    if (n == 0) return 0;
    for (int i = 0; count_ == 0 && !Ended() && i < kMaxEmptySteps; ++i) DecodeFrame();
    if (count_ == 0 || m_nState == 2) {
        std::memset(out, 0, n);
        return n;
    }
    const std::size_t take = std::min(n, count_);
    const std::size_t first = std::min(take, kRingSize - read_);
    std::memcpy(out, ring_.data() + read_, first);
    std::memcpy(out + first, ring_.data(), take - first);
    read_ = (read_ + take) % kRingSize;
    count_ -= take;
    return take;
}

}  // namespace velmora
