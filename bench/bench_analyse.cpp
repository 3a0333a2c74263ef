// Spectrum analysis of a 4-minute 44.1 kHz 192 kbps stereo MP3 against the
// floor of any libmad-based analyser: a bare decode-and-synthesise loop over
// the same frames from memory. Prints both, their ratio and the speed in
// multiples of real time. The machine is shared, so each figure is the best
// of several runs.
//   bench_analyse [FILE.mp3]   (default: made once with sox and lame in the temp folder)

#include <mad.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "media/Mp3Analyser.h"
#include "media/MusicPlayer.h"

using namespace velmora;
namespace fs = std::filesystem;

namespace {

double ProcessCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

// Wall and CPU time of one run. The analysis runs on its worker (possibly at
// real-time priority) while this thread waits, so the process CPU time is the
// fair measure of work on a loaded machine.
struct Times {
    double wall = 1e300;
    double cpu = 1e300;
};

void Measure(Times& best, const std::function<void()>& work) {
    const double c0 = ProcessCpuMs();
    const auto t0 = std::chrono::steady_clock::now();
    work();
    const auto t1 = std::chrono::steady_clock::now();
    const double c1 = ProcessCpuMs();
    best.wall = std::min(best.wall, std::chrono::duration<double, std::milli>(t1 - t0).count());
    best.cpu = std::min(best.cpu, c1 - c0);
}

fs::path MakeTestFile() {
    const fs::path file = fs::temp_directory_path() / "velmora-bench-4min-192k.mp3";
    if (fs::exists(file) && fs::file_size(file) > 5'000'000) return file;
    const fs::path wav = fs::temp_directory_path() / "velmora-bench-4min.wav";
    // Broadband content so that every subband is busy, as in real music.
    const std::string make =
        "sox -n -r 44100 -c 2 -b 16 '" + wav.string() +
        "' synth 240 pinknoise synth 240 sine mix 110-1760 tremolo 2 60 vol 0.5 2>/dev/null && "
        "lame --quiet -b 192 --cbr '" + wav.string() + "' '" + file.string() + "'";
    const int rc = std::system(make.c_str());
    fs::remove(wav);
    if (rc != 0 || !fs::exists(file)) return {};
    return file;
}

// Decodes and synthesises `frames` frames of the file held in memory.
unsigned long BareDecode(const std::vector<unsigned char>& bytes, std::uint64_t frames) {
    mad_stream stream;
    mad_frame frame;
    mad_synth synth;
    mad_stream_init(&stream);
    mad_frame_init(&frame);
    mad_synth_init(&synth);
    std::vector<unsigned char> input(bytes);
    input.resize(bytes.size() + MAD_BUFFER_GUARD, 0);
    mad_stream_buffer(&stream, input.data(), input.size());
    unsigned long checksum = 0;
    std::uint64_t done = 0;
    while (done < frames) {
        if (mad_frame_decode(&frame, &stream) != 0) {
            if (MAD_RECOVERABLE(stream.error)) continue;
            break;
        }
        mad_synth_frame(&synth, &frame);
        checksum += static_cast<unsigned long>(synth.pcm.samples[0][0]);
        ++done;
    }
    mad_synth_finish(&synth);
    mad_frame_finish(&frame);
    mad_stream_finish(&stream);
    return checksum;
}

}  // namespace

int main(int argc, char** argv) {
    const fs::path file = argc > 1 ? fs::path(argv[1]) : MakeTestFile();
    if (file.empty() || !fs::exists(file)) {
        std::printf("bench_analyse: no test file (needs sox and lame, or pass FILE.mp3)\n");
        return 0;
    }
    Mp3FrameIndex index;
    if (!index.Scan(file)) {
        std::printf("bench_analyse: %s is not an MP3 file\n", file.c_str());
        return 1;
    }
    const double audioSeconds = static_cast<double>(index.totalSamples) / index.sampleRate;
    std::ifstream in(file, std::ios::binary);
    const std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    // The two are timed alternately so that load from elsewhere hits both alike.
    std::uint64_t analysedFrames = 0;
    std::size_t records = 0;
    unsigned long checksum = 0;
    Times analysis, floor;
    for (int round = 0; round < 9; ++round) {
        Measure(analysis, [&] {
            CMP3Player player(file);
            player.WaitFinished(std::chrono::minutes(5));
            analysedFrames = player.m_pDecoder ? player.m_pDecoder->m_nFrames : 0;
            records = player.m_listSpectrum.size();
        });
        Measure(floor, [&] { checksum += BareDecode(bytes, analysedFrames); });
    }

    const double analysedSeconds = static_cast<double>(analysedFrames) * 1152 / index.sampleRate;
    std::printf("file: %s (%.1f s of audio, %.1f MB)\n", file.c_str(), audioSeconds, bytes.size() / 1e6);
    std::printf("analysis:            %8.1f ms wall, %8.1f ms CPU  (%llu frames, %zu records, %.0f x real time)\n",
                analysis.wall, analysis.cpu, static_cast<unsigned long long>(analysedFrames), records,
                analysedSeconds * 1000 / analysis.wall);
    std::printf("bare libmad decode:  %8.1f ms wall, %8.1f ms CPU  (same frames, from memory; checksum %lu)\n",
                floor.wall, floor.cpu, checksum % 10);
    std::printf("ratio analysis/floor: %.3f CPU, %.3f wall  (target <= 1.15)\n", analysis.cpu / floor.cpu,
                analysis.wall / floor.wall);
    return 0;
}
