#include "media/Mp3Analyser.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "app/Log.h"

namespace velmora {

void AnalyseChunk(Cfft& fft, const std::int16_t* chunk, std::size_t frames,
                  std::array<double, Cfft::kSize>& mono, std::array<std::int32_t, Cfft::kBands>& bands) {
    const std::size_t n = std::min(frames, Cfft::kSize);
    for (std::size_t i = 0; i < n; ++i)
        mono[i] = static_cast<double>((int{chunk[2 * i]} + int{chunk[2 * i + 1]}) / 2);
    fft.Analyse(mono.data());
    for (std::size_t j = 0; j < Cfft::kBands; ++j) bands[j] = fft.Band(j);
}

CMP3Player::CMP3Player(const std::filesystem::path& path) {
    m_pDecoder = std::make_unique<Mp3Decoder>();
    std::string error;
    if (!m_pDecoder->Open(path, &error) || ChunkFrames(m_pDecoder->SampleRate()) == 0) {
        LogMessage("MP3 analysis: cannot open %s: %s", path.c_str(), error.c_str());
        m_nError = kMp3OpenError;
        m_pDecoder.reset();
        MarkFinished();
        return;
    }
    duration_ = m_pDecoder->m_nDuration;
    fft_.SetFileBands();
    if (!Start()) {
        LogMessage("MP3 analysis: no thread for %s", path.c_str());
        MarkFinished();
    }
}

CMP3Player::~CMP3Player() {
    m_bStop = 1;
    Stop();
    WaitForBodiesToEnd();
}

bool CMP3Player::WaitFinished(std::chrono::milliseconds timeout) const {
    std::unique_lock lock(finishedMutex_);
    return finishedCv_.wait_for(lock, timeout, [this] { return finished_; });
}

void CMP3Player::MarkFinished() {
    {
        std::lock_guard lock(finishedMutex_);
        finished_ = true;
    }
    finishedCv_.notify_all();
}

void CMP3Player::Run() {
    Analyse();
    MarkFinished();
}

void CMP3Player::Analyse() {
    Mp3Decoder& decoder = *m_pDecoder;
    const std::size_t frames = ChunkFrames(decoder.SampleRate());
    const std::size_t bytes = frames * 4;
    std::array<std::vector<std::int16_t>, 4> chunks;
    auto fill = [&](std::vector<std::int16_t>& chunk) {
        auto* out = reinterpret_cast<std::uint8_t*>(chunk.data());
        std::size_t filled = 0;
        while (filled < bytes) filled += decoder.Pull(out + filled, bytes - filled);
        // The ring holds little-endian bytes; turn them into host samples.
        if constexpr (std::endian::native != std::endian::little) for (std::int16_t& s : chunk) {
            std::uint8_t b[2];
            std::memcpy(b, &s, 2);
            s = static_cast<std::int16_t>(static_cast<std::uint16_t>(b[0] | (b[1] << 8)));
        }
    };
    for (auto& chunk : chunks) {
        chunk.assign(frames * 2, 0);
        fill(chunk);
    }

    std::array<double, Cfft::kSize> mono{};
    std::array<std::int32_t, Cfft::kBands> bands{};
    const std::uint32_t lastSecond = duration_ - 1;  // wraps for files under a second
    unsigned long previous = 0;
    int stalls = 0;
    int pass = 0;
    for (;;) {
        AnalyseChunk(fft_, chunks[1].data(), frames, mono, bands);
        if (pass == 2) {
            spectum record;
            record.bands = bands;
            double sum = 0.0;
            for (std::int32_t b : bands) sum += b;
            record.level = sum * (1.0 / 64.0);
            record.time = static_cast<double>(decoder.ElapsedMs());
            m_listSpectrum.push_back(record);
            pass = 0;
        } else {
            ++pass;
        }

        // Progress, and the end of a stream that stopped advancing: 30 passes
        // (2 s of chunks) within one second of audio means only silence is
        // coming any more.
        const unsigned long t = decoder.ElapsedSeconds();
        if (t == previous) {
            if (++stalls >= 30) return;
        } else {
            stalls = 0;
            previous = t;
        }
        if (lastSecond <= t) {
            m_nPercent = 100;
            return;
        }
        m_nPercent = static_cast<int>(static_cast<double>(t) / static_cast<double>(lastSecond) * 100.0);

        fill(chunks[1]);
        if (decoder.ElapsedSeconds() >= lastSecond || m_bStop.load() == 1 || StopRequested()) return;
    }
}

}  // namespace velmora
