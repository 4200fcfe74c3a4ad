#include "SoundServer.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <thread>

extern char** environ;

namespace zanvor::test {

using namespace std::chrono_literals;

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

pid_t SpawnQuiet(const std::vector<std::string>& args) {
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

bool RunQuiet(const std::vector<std::string>& args) {
    const pid_t pid = SpawnQuiet(args);
    int status = 0;
    return pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

void WriteSineWav(const std::string& path, double hz, double seconds) {
    const uint32_t rate = 48000;
    const uint32_t frames = static_cast<uint32_t>(seconds * rate);
    std::ofstream out(path, std::ios::binary);
    auto u32 = [&out](uint32_t v) { out.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&out](uint16_t v) { out.write(reinterpret_cast<const char*>(&v), 2); };
    out.write("RIFF", 4);
    u32(36 + frames * 4);
    out.write("WAVEfmt ", 8);
    u32(16);
    u16(1);  // PCM
    u16(2);
    u32(rate);
    u32(rate * 4);
    u16(4);
    u16(16);
    out.write("data", 4);
    u32(frames * 4);
    for (uint32_t f = 0; f < frames; ++f) {
        const auto v =
            static_cast<int16_t>(0.4 * 32767 * std::sin(2 * std::numbers::pi * hz * f / rate));
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v));
    }
}

PrivateSoundServer::PrivateSoundServer(const std::string& folder) : socket_(folder + "/native") {}

PrivateSoundServer::~PrivateSoundServer() {
    JoinPlayer();
    Kill();
}

bool PrivateSoundServer::Start() {
    std::error_code error;
    std::filesystem::remove(socket_, error);
    pid_ = SpawnQuiet({"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1",
                       "--disable-shm=yes", "-L", "module-null-sink sink_name=first", "-L",
                       "module-native-protocol-unix auth-anonymous=1 socket=" + socket_});
    return pid_ > 0 && WaitUntil([this] { return Pactl({"info"}); }, 15s);
}

void PrivateSoundServer::Kill() {
    if (pid_ > 0) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
    }
}

bool PrivateSoundServer::Pactl(const std::vector<std::string>& args) const {
    std::vector<std::string> all{"pactl", "--server=" + Address()};
    all.insert(all.end(), args.begin(), args.end());
    return RunQuiet(all);
}

void PrivateSoundServer::Play(const std::string& sink, const std::string& file) {
    JoinPlayer();
    player_ = SpawnQuiet({"paplay", "--server=" + Address(), "--device=" + sink, file});
}

void PrivateSoundServer::JoinPlayer() {
    if (player_ > 0) {
        waitpid(player_, nullptr, 0);
        player_ = 0;
    }
}

PulseServerVariable::PulseServerVariable(const std::string& address) {
    if (const char* old = std::getenv("PULSE_SERVER")) {
        had_ = true;
        old_ = old;
    }
    setenv("PULSE_SERVER", address.c_str(), 1);
}

PulseServerVariable::~PulseServerVariable() {
    if (had_) {
        setenv("PULSE_SERVER", old_.c_str(), 1);
    } else {
        unsetenv("PULSE_SERVER");
    }
}

}  // namespace zanvor::test
