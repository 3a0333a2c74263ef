#pragma once
// The 128-point spectrum analyser applied to each chunk of decoded audio:
// Hann window, unnormalised real transform, log-compressed power per bin.
//
// Thread contract: one thread at a time (each analysis job owns one).

#include <array>
#include <complex>
#include <cstddef>

namespace velmora {

class Cfft {
public:
    static constexpr std::size_t kSize = 128;
    static constexpr std::size_t kBands = 64;
    // Bands beyond this one are never computed and stay 0.
    static constexpr std::size_t kComputedBands = 43;
    // log10 of the power floor and the offset that brings silence to ~0.
    static constexpr double kPowerFloor = 28145.8;
    static constexpr double kLogOffset = 4.4494132;

    Cfft();

    // Points band j at bin trunc(1.2·j), as every file is analysed.
    void SetFileBands();

    // Windows 128 samples, transforms them and stores S[k] for k = 0..63.
    void Analyse(const double* samples);

    // S[k], the compressed power of bin k (0..63).
    double Bin(std::size_t k) const { return m_power[2 * k]; }
    // The value band j takes from the last analysis: trunc(scale × S[its bin]).
    int Band(std::size_t j) const;

    std::array<double, kSize> m_window{};
    std::array<double, kSize> m_power{};  // index 2k holds bin k
    std::array<int, kBands> m_bandBin{};  // index into m_power read by band j
    double m_scale = 10.0;

private:
    std::array<std::complex<double>, kSize / 2> twiddle_{};  // e^(-2πi·k/128), k < 64
    std::array<unsigned char, kSize> bitReverse_{};
    std::array<std::complex<double>, kSize> work_{};
};

}  // namespace velmora
