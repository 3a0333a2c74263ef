// The music player through the real PortAudio output on a machine without a
// sound card: a private JACK server with its dummy driver stands in for the
// device. It consumes samples at the real rate from its own clock, so
// PortAudio's callbacks, stream time and DAC times are those of a device.
// Skipped where jackd is not installed (package jackd2).

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "Fixtures.h"
#include "app/WaitFor.h"
#include "media/AudioOutput.h"
#include "media/MusicPlayer.h"

extern char** environ;

namespace velmora {
namespace {

using namespace std::chrono_literals;
using testing::Fixture;

std::filesystem::path FindOnPath(const char* program) {
    const char* path = std::getenv("PATH");
    if (path == nullptr) return {};
    std::string dirs = path;
    for (std::size_t start = 0; start <= dirs.size();) {
        const std::size_t end = std::min(dirs.find(':', start), dirs.size());
        const std::filesystem::path candidate = std::filesystem::path(dirs.substr(start, end - start)) / program;
        if (!candidate.parent_path().empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return {};
}

class SilentSource final : public AudioSource {
public:
    void Render(std::int16_t* out, std::size_t frames) override { std::fill(out, out + 2 * frames, 0); }
};

// A JACK server of its own name, so that the test neither needs nor disturbs
// one that may be running; the PortAudio client finds it by that name.
class DummyJackServer {
public:
    bool Start() {
        const std::filesystem::path jackd = FindOnPath("jackd");
        if (jackd.empty()) return false;
        name_ = "velmora-test-" + std::to_string(::getpid());
        std::vector<std::string> args{jackd.string(), "--no-realtime", "-n", name_, "-d", "dummy",
                                      "-r", "44100", "-p", "1024"};
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        const int rc = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            pid_ = -1;
            return false;
        }
        ::setenv("JACK_DEFAULT_SERVER", name_.c_str(), 1);
        // Up when PortAudio can open a stream on it (at most 5 s).
        SilentSource silence;
        for (int attempt = 0; attempt < 50; ++attempt) {
            auto output = MakePortAudioOutput();
            if (output->Start(&silence, 44100)) {
                output->Stop();
                return true;
            }
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                return false;
            }
            std::this_thread::sleep_for(100ms);
        }
        return false;
    }

    ~DummyJackServer() {
        ::unsetenv("JACK_DEFAULT_SERVER");
        if (pid_ <= 0) return;
        ::kill(pid_, SIGTERM);
        int status = 0;
        if (!testing::WaitFor([&] { return ::waitpid(pid_, &status, WNOHANG) != 0; }, 2500ms, 50ms)) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, &status, 0);
        }
    }

private:
    pid_t pid_ = -1;
    std::string name_;
};

bool WaitForPosition(const MusicPlayer& player, double ms) {
    return testing::WaitFor([&] { return player.Position() >= ms; }, 5s, 5ms);
}

TEST(PortAudioPlayback, PositionAdvancesAtTheDeviceRateAndPauseFreezesIt) {
    DummyJackServer server;
    if (!server.Start())
        GTEST_SKIP() << "no JACK dummy device: PortAudio cannot be exercised without a sound card here "
                        "(install jackd2 to run this test)";

    MusicPlayer player([] { return MakePortAudioOutput(); });
    ASSERT_TRUE(player.Open(Fixture("cbr44_stereo.mp3")));
    ASSERT_GT(player.Length(), 2500.0);
    player.Play();
    ASSERT_EQ(player.OutputName(), "portaudio");
    EXPECT_EQ(player.Mode(), "playing");

    // One second of play heard through the device's clock. The position is
    // read from what the device has consumed, so it follows the wall clock
    // to within a device period or two (1024 frames, 23 ms).
    ASSERT_TRUE(WaitForPosition(player, 50));
    const auto t0 = std::chrono::steady_clock::now();
    const double p0 = player.Position();
    std::this_thread::sleep_for(1000ms);
    const double p1 = player.Position();
    const double elapsed = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    EXPECT_NEAR(p1 - p0, elapsed, 100.0) << p0 << " " << p1;
    ::testing::Test::RecordProperty("advance_ms", std::to_string(p1 - p0));
    ::testing::Test::RecordProperty("elapsed_ms", std::to_string(elapsed));

    player.Pause();
    EXPECT_EQ(player.Mode(), "paused");
    const double frozen = player.Position();
    EXPECT_GE(frozen, p1 - 1.0);
    std::this_thread::sleep_for(300ms);
    EXPECT_NEAR(player.Position(), frozen, 1.0);

    // Playing on starts from the frozen position, not from where the device
    // went meanwhile.
    player.Play();
    std::this_thread::sleep_for(300ms);
    const double resumed = player.Position();
    EXPECT_GT(resumed, frozen + 150.0);
    EXPECT_LT(resumed, frozen + 450.0);
    ::testing::Test::RecordProperty("resumed_advance_ms", std::to_string(resumed - frozen));
}

}  // namespace
}  // namespace velmora
