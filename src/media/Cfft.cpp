#include "media/Cfft.h"

#include <cmath>
#include <numbers>
#include <utility>

namespace velmora {

Cfft::Cfft() {
    const double pi = std::numbers::pi;
    for (std::size_t n = 0; n < kSize; ++n)
        m_window[n] = 0.5 - 0.5 * std::cos(2.0 * pi * static_cast<double>(n) / 127.0);
    for (std::size_t k = 0; k < kSize / 2; ++k)
        twiddle_[k] = std::polar(1.0, -2.0 * pi * static_cast<double>(k) / kSize);
    for (std::size_t i = 0; i < kSize; ++i) {
        unsigned r = 0;
        for (unsigned bit = 0; bit < 7; ++bit)
            if (i & (1u << bit)) r |= 1u << (6 - bit);
        bitReverse_[i] = static_cast<unsigned char>(r);
    }
    // Until a file sets its table, band j reads bin j.
    for (std::size_t j = 0; j < kBands; ++j) m_bandBin[j] = static_cast<int>(2 * j);
}

void Cfft::SetFileBands() {
    m_scale = 10.0;
    for (std::size_t j = 0; j < kBands; ++j)
        m_bandBin[j] = 2 * static_cast<int>(std::trunc(1.2 * static_cast<double>(j)));
}

int Cfft::Band(std::size_t j) const {
    if (j >= kComputedBands) return 0;
    return static_cast<int>(std::trunc(m_scale * m_power[static_cast<std::size_t>(m_bandBin[j])]));
}

void Cfft::Analyse(const double* samples) {
    double evenSum = 0.0;
    for (std::size_t n = 0; n < kSize; ++n) {
        const double y = samples[n] * m_window[n];
        work_[bitReverse_[n]] = {y, 0.0};
        if (n % 2 == 0) evenSum += y;
    }
    // Iterative radix-2 transform over the bit-reversed input.
    for (std::size_t len = 2; len <= kSize; len *= 2) {
        const std::size_t half = len / 2;
        const std::size_t step = kSize / len;
        for (std::size_t start = 0; start < kSize; start += len) {
            for (std::size_t k = 0; k < half; ++k) {
                const std::complex<double> t = twiddle_[k * step] * work_[start + k + half];
                const std::complex<double> u = work_[start + k];
                work_[start + k] = u + t;
                work_[start + k + half] = u - t;
            }
        }
    }
    for (std::size_t k = 0; k < kSize / 2; ++k) {
        // Bin 0 is the square of the even-indexed samples' sum, not |Y[0]|².
        const double power = k == 0 ? evenSum * evenSum : std::norm(work_[k]);
        const double v = std::log10(power + kPowerFloor) - kLogOffset;
        m_power[2 * k] = v >= 0.0 ? v : 0.0;
    }
}

}  // namespace velmora
