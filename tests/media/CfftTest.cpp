#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

#include "media/Cfft.h"

namespace velmora {
namespace {

// The compressed power the analyser should give, from a direct DFT.
std::vector<double> DirectSpectrum(const std::vector<double>& x) {
    const double pi = std::numbers::pi;
    std::vector<double> y(128);
    for (int n = 0; n < 128; ++n) y[n] = x[n] * (0.5 - 0.5 * std::cos(2 * pi * n / 127.0));
    std::vector<double> s(64);
    for (int k = 0; k < 64; ++k) {
        double p;
        if (k == 0) {
            double even = 0;
            for (int m = 0; m < 64; ++m) even += y[2 * m];
            p = even * even;
        } else {
            std::complex<double> sum;
            for (int n = 0; n < 128; ++n) sum += y[n] * std::polar(1.0, -2 * pi * k * n / 128.0);
            p = std::norm(sum);
        }
        const double v = std::log10(p + 28145.8) - 4.4494132;
        s[k] = v >= 0 ? v : 0;
    }
    return s;
}

TEST(Cfft, MatchesDirectTransformOnNoiseTonesAndExtremes) {
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> sample(-32767, 32767);
    std::vector<std::vector<double>> inputs;
    for (int i = 0; i < 5; ++i) {
        std::vector<double> x(128);
        for (double& v : x) v = sample(rng);
        inputs.push_back(x);
    }
    for (double f : {1.0, 10.0, 17.5, 63.0}) {
        std::vector<double> x(128);
        for (int n = 0; n < 128; ++n) x[n] = 20000 * std::sin(2 * std::numbers::pi * f * n / 128);
        inputs.push_back(x);
    }
    inputs.push_back(std::vector<double>(128, 32767));  // DC: bin 0 uses the even samples only
    std::vector<double> alternating(128);
    for (int n = 0; n < 128; ++n) alternating[n] = n % 2 ? -32767 : 32767;
    inputs.push_back(alternating);

    Cfft fft;
    for (const auto& x : inputs) {
        fft.Analyse(x.data());
        const std::vector<double> expected = DirectSpectrum(x);
        for (int k = 0; k < 64; ++k) {
            EXPECT_NEAR(fft.Bin(k), expected[k], 1e-9) << "bin " << k;
            EXPECT_EQ(fft.m_power[2 * k + 1], 0.0);
        }
    }
}

TEST(Cfft, SilenceAndQuietInputGiveZeroBands) {
    Cfft fft;
    fft.SetFileBands();
    std::vector<double> x(128, 0.0);
    fft.Analyse(x.data());
    for (std::size_t j = 0; j < Cfft::kBands; ++j) EXPECT_EQ(fft.Band(j), 0) << j;
    // The offset sits just below log10 of the floor: silence is a tiny positive value.
    EXPECT_GT(fft.Bin(5), 0.0);
    EXPECT_LT(fft.Bin(5), 1e-6);
}

TEST(Cfft, FileBandTableReadsTheStatedBins) {
    Cfft fft;
    EXPECT_EQ(fft.m_bandBin[7], 14);  // before a file: band j reads bin j
    fft.SetFileBands();
    const int bins[43] = {0,  1,  2,  3,  4,  6,  7,  8,  9,  10, 12, 13, 14, 15, 16,
                          18, 19, 20, 21, 22, 24, 25, 26, 27, 28, 30, 31, 32, 33, 34,
                          36, 37, 38, 39, 40, 42, 43, 44, 45, 46, 48, 49, 50};
    for (int j = 0; j < 43; ++j) EXPECT_EQ(fft.m_bandBin[j], 2 * bins[j]) << "band " << j;
    EXPECT_EQ(fft.m_scale, 10.0);

    // A loud tone in bin 20 shows in band 17 as trunc(10 × S[20]); bands past 42 stay 0.
    std::vector<double> x(128);
    for (int n = 0; n < 128; ++n) x[n] = 30000 * std::sin(2 * std::numbers::pi * 20 * n / 128);
    fft.Analyse(x.data());
    EXPECT_EQ(fft.Band(17), static_cast<int>(std::trunc(10 * fft.Bin(20))));
    EXPECT_GT(fft.Band(17), 30);
    for (std::size_t j = 43; j < 64; ++j) EXPECT_EQ(fft.Band(j), 0);
}

}  // namespace
}  // namespace velmora
