// Capture from a real sound server: a private PulseAudio server with null sinks, played into
// with paplay. Checks that the features follow what is played, that capture follows the
// default sink, and that the program survives the server going away and finds it again.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "lighting/KeyboardAudio.h"
#include "lighting/SignalGenerator.h"
#include "support/TestHome.h"

extern char** environ;

namespace zanvor {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Waits for an exact condition, checking every 20 ms, for at most `timeout`.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

// Runs a program with the given arguments, its output discarded; returns its pid (0 when it
// could not start).
pid_t Spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& arg : args) {
        argv.push_back(const_cast<char*>(arg.c_str()));
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int result = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return result == 0 ? pid : 0;
}

// Runs a program to its end; true when it exits with 0.
bool Run(const std::vector<std::string>& args) {
    const pid_t pid = Spawn(args);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

// A 16-bit stereo WAV file of a sine.
void WriteWav(const std::string& path, double hz, double seconds) {
    const int rate = 48000;
    const std::vector<float> samples = SineWave(hz, seconds, rate, 2, 0.4f);
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&out](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&out](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    u32(36 + dataBytes);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(rate);
    u32(rate * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(dataBytes);
    for (float s : samples) {
        u16(static_cast<uint16_t>(static_cast<int16_t>(s * 32767)));
    }
}

class PrivateSoundServer {
  public:
    explicit PrivateSoundServer(const std::string& folder)
        : folder_(folder), socket_(folder + "/native") {}
    ~PrivateSoundServer() { Kill(); }

    bool Start() {
        fs::remove(socket_);
        pid_ =
            Spawn({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--disable-shm=yes",
                   "--log-target=stderr", "--log-level=0", "-L", "module-null-sink sink_name=first",
                   "-L", "module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
        return pid_ > 0 && WaitFor([this] { return Pactl({"info"}); }, 15s);
    }
    void Kill() {
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = 0;
        }
    }
    bool Pactl(const std::vector<std::string>& args) const {
        std::vector<std::string> all{"pactl"};
        all.insert(all.end(), args.begin(), args.end());
        return Run(all);
    }
    // Plays a file into a sink in the background; Join waits for it.
    void Play(const std::string& sink, const std::string& file) {
        player_ = Spawn({"paplay", "--device=" + sink, file});
    }
    void JoinPlayer() {
        if (player_ > 0) {
            waitpid(player_, nullptr, 0);
            player_ = 0;
        }
    }
    std::string Address() const { return "unix:" + socket_; }

  private:
    std::string folder_;
    std::string socket_;
    pid_t pid_ = 0;
    pid_t player_ = 0;
};

int BandOf440() {
    const int bin = static_cast<int>(std::lround(440.0 * kSpectrumSize / 48000));
    for (int j = 63; j >= 0; --j) {
        const double a = j / 64.0;
        if (static_cast<int>(a * a * a * kSpectrumBins) <= bin) {
            return j;
        }
    }
    return 0;
}

int Loudest(const AudioFeatureSnapshot& f) {
    return static_cast<int>(std::max_element(f.bands64.begin(), f.bands64.end()) -
                            f.bands64.begin());
}

TEST(RealCaptureTest, FollowsTheDefaultSinkAndSurvivesTheServer) {
    test::TempDir dir;
    const std::string folder = dir.path().substr(0, dir.path().size() - 1);
    // The client and the tools reach the private server only; put back afterwards.
    struct Environment {
        explicit Environment(const std::string& server) {
            setenv("PULSE_SERVER", server.c_str(), 1);
        }
        ~Environment() { unsetenv("PULSE_SERVER"); }
    } environment("unix:" + folder + "/native");
    PrivateSoundServer server(folder);
    if (!server.Start()) {
        GTEST_SKIP() << "no PulseAudio server could be started (is pulseaudio installed?)";
    }
    const std::string tone = folder + "/tone.wav";
    WriteWav(tone, 440, 4.0);

    KeyboardAudio audio;
    audio.Use(KeyboardAudio::kUserMonitor, true);
    ASSERT_TRUE(WaitFor([&] { return audio.Status().capturing; }, 10s));
    EXPECT_EQ(audio.Status().device, "first");
    EXPECT_TRUE(audio.Status().followsDefault);

    // What is played into the default sink arrives with its level and its spectrum.
    server.Play("first", tone);
    EXPECT_TRUE(WaitFor(
        [&] {
            const AudioFeatureSnapshot f = audio.Snapshot();
            return f.level > 0.5f && Loudest(f) == BandOf440();
        },
        10s));
    server.JoinPlayer();

    // A new default sink: capture moves to it.
    ASSERT_TRUE(server.Pactl({"load-module", "module-null-sink", "sink_name=second"}));
    ASSERT_TRUE(server.Pactl({"set-default-sink", "second"}));
    ASSERT_TRUE(WaitFor(
        [&] { return audio.Status().device == "second" && audio.Status().capturing; }, 10s));
    ASSERT_TRUE(WaitFor([&] { return audio.Snapshot().level == 0.0f; }, 10s));
    server.Play("second", tone);
    EXPECT_TRUE(WaitFor([&] { return audio.Snapshot().level > 0.5f; }, 10s));
    server.JoinPlayer();

    std::vector<AudioDevice> devices;
    ASSERT_TRUE(audio.ListDevices(devices));
    const auto second = std::find_if(devices.begin(), devices.end(),
                                     [](const AudioDevice& d) { return d.name == "second"; });
    ASSERT_NE(second, devices.end());
    EXPECT_TRUE(second->sink);
    EXPECT_TRUE(second->isDefault);

    // The server goes away: nothing is captured, the features fall silent, nothing crashes.
    server.Kill();
    EXPECT_TRUE(WaitFor([&] { return !audio.Status().serverConnected; }, 10s));
    EXPECT_TRUE(WaitFor([&] { return audio.Snapshot().level == 0.0f; }, 10s));
    const uint64_t polls = audio.Snapshot().polls;
    EXPECT_TRUE(WaitFor([&] { return audio.Snapshot().polls > polls + 10; }, 5s));

    // A server comes back: capture resumes on its default sink.
    ASSERT_TRUE(server.Start());
    EXPECT_TRUE(
        WaitFor([&] { return audio.Status().capturing && audio.Status().device == "first"; }, 20s));
    server.Play("first", tone);
    EXPECT_TRUE(WaitFor([&] { return audio.Snapshot().level > 0.5f; }, 10s));
    server.JoinPlayer();
    audio.Use(KeyboardAudio::kUserMonitor, false);
    EXPECT_FALSE(audio.Capturing());
}

}  // namespace
}  // namespace zanvor
