// The output used when there is no sound device (CI, headless controllers):
// it pulls the samples at exactly the rate a device would, so the player and
// the show run the same with or without sound.

#include <algorithm>
#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "media/AudioOutput.h"

namespace velmora {

namespace {

class NullAudioOutput final : public AudioOutput {
public:
    ~NullAudioOutput() override { Stop(); }

    bool Start(AudioSource* source, unsigned sampleRate) override {
        Stop();
        if (source == nullptr || sampleRate == 0) return false;
        stop_ = false;
        pulled_ = 0;
        rate_ = sampleRate;
        start_ = std::chrono::steady_clock::now().time_since_epoch().count();
        thread_ = std::thread([this, source, sampleRate] { Body(source, sampleRate); });
        return true;
    }

    void Stop() override {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }

    // Like a device with one period of buffer: what the clock says has been
    // played, unless the pulling fell behind.
    double HeardFrames() const override {
        if (stop_.load()) return static_cast<double>(pulled_.load());
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::duration(now - start_.load())).count();
        return std::min(elapsed * rate_.load(), static_cast<double>(pulled_.load()));
    }

    std::string Name() const override { return "null"; }

private:
    static constexpr std::chrono::milliseconds kPeriod{5};
    static constexpr std::size_t kMaxBlock = 4096;

    void Body(AudioSource* source, unsigned sampleRate) {
        std::vector<std::int16_t> block(kMaxBlock * 2);
        const std::chrono::steady_clock::time_point start{std::chrono::steady_clock::duration(start_.load())};
        auto next = start;
        std::uint64_t pulled = 0;
        while (!stop_.load()) {
            // Keep one period pulled ahead, as a device's buffer would be.
            const auto elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start + kPeriod);
            const auto due = static_cast<std::uint64_t>(elapsed.count() * sampleRate);
            while (pulled < due && !stop_.load()) {
                const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(due - pulled, kMaxBlock));
                source->Render(block.data(), n);
                pulled += n;
                pulled_ = pulled;
            }
            // Sleep on an absolute grid so the pace never drifts.
            next += kPeriod;
            std::this_thread::sleep_until(next);
        }
    }

    std::thread thread_;
    std::atomic<bool> stop_{true};
    std::atomic<std::uint64_t> pulled_{0};
    std::atomic<unsigned> rate_{0};
    std::atomic<std::chrono::steady_clock::rep> start_{0};
};

}  // namespace

std::unique_ptr<AudioOutput> MakeNullAudioOutput() { return std::make_unique<NullAudioOutput>(); }

}  // namespace velmora
