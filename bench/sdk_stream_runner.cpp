// Another lighting program streaming Direct colours through the SDK server as fast as it can,
// to a virtual keyboard that takes 1 ms per report, for N seconds (default 10). Prints the
// frames per second the keyboard completed, the CPU of the hub meanwhile (the process without
// the client's and the watcher's threads), and how long an update took from the client's send
// to the keyboard holding it (p50, p99).
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <pthread.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/DevicePages.h"
#include "lighting/LightRows.h"
#include "platform/UniqueFd.h"
#include "serve/KeyboardHub.h"
#include "serve/SdkPacket.h"
#include "sim/VirtualKeyboard.h"
#include "support/BenchSession.h"

using namespace zanvor;

namespace {

using Clock = std::chrono::steady_clock;

int64_t NowUs() {
    return std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
        .count();
}

// CPU time of another thread of this process, in seconds.
double ThreadCpuSeconds(std::thread& thread) {
    clockid_t clock{};
    timespec t{};
    if (pthread_getcpuclockid(thread.native_handle(), &clock) != 0 ||
        clock_gettime(clock, &t) != 0) {
        return 0;
    }
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

bool SendAll(int fd, const std::vector<uint8_t>& bytes) {
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<size_t>(n);
    }
    return true;
}

// Every update paints all LEDs with its sequence number as the colour, so the frame the
// keyboard holds says which update it came from.
constexpr size_t kRing = 1u << 20;
constexpr uint32_t kSequenceMask = 0xFFFFFF;

std::vector<uint8_t> Update(uint32_t sequence, size_t ledCount) {
    SdkWriter w;
    w.U32(static_cast<uint32_t>(4 + 2 + 4 * ledCount));
    w.U16(static_cast<uint16_t>(ledCount));
    for (size_t i = 0; i < ledCount; ++i) {
        w.U32(sequence & kSequenceMask);
    }
    return SerializeSdkPacket(0, kSdkUpdateLeds, w.Bytes());
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, static_cast<size_t>(p * values.size()));
    return values[at];
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    constexpr int kType = 101;
    bench::BenchSession session(std::to_string(kType) + ":cable", 1);
    KeyboardDlg& dialog = session.Dlg();
    dialog.deviceList.ClickDevice(kType);
    session.WaitIdle();
    const auto keyboard = session.Sim().Keyboard(kType);
    if (!dialog.session.deviceOnline.load() || !keyboard) {
        std::fprintf(stderr, "sdk_stream: the keyboard is not online\n");
        return 1;
    }
    KeyboardHub hub(dialog);
    SdkServerOptions options;
    options.port = 0;
    std::string error;
    if (!hub.Start(options, &error)) {
        std::fprintf(stderr, "sdk_stream: %s\n", error.c_str());
        return 1;
    }
    const std::vector<SdkController> controllers = hub.Controllers();
    if (controllers.empty()) {
        std::fprintf(stderr, "sdk_stream: no controller\n");
        return 1;
    }
    const size_t ledCount = controllers[0].leds.size();
    // Where the first key LED's colour sits in the keyboard's live frame.
    int position = -1;
    const LightPositionMap map = dialog.session.LightMap();
    for (const SdkLed& led : controllers[0].leds) {
        if ((position = map.LedOf(static_cast<int>(led.value))) >= 0) {
            break;
        }
    }
    if (position < 0) {
        std::fprintf(stderr, "sdk_stream: no key has a light position\n");
        return 1;
    }

    UniqueFd fd(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(hub.Port());
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd.Get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        std::fprintf(stderr, "sdk_stream: cannot connect\n");
        return 1;
    }
    const int one = 1;
    setsockopt(fd.Get(), IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    SdkWriter version;
    version.U32(kSdkProtocolVersion);
    SdkWriter name;
    name.Text("bench");
    std::vector<uint8_t> hello = SerializeSdkPacket(0, kSdkRequestProtocolVersion, version.Bytes());
    const std::vector<uint8_t> naming = SerializeSdkPacket(
        0, kSdkSetClientName, std::vector<uint8_t>(name.Bytes().begin() + 2, name.Bytes().end()));
    const std::vector<uint8_t> direct = SerializeSdkPacket(0, kSdkSetCustomMode, {});
    hello.insert(hello.end(), naming.begin(), naming.end());
    hello.insert(hello.end(), direct.begin(), direct.end());
    SendAll(fd.Get(), hello);

    std::vector<std::atomic<int64_t>> sentAt(kRing);
    std::atomic<bool> stop{false};
    std::atomic<uint32_t> updates{0};
    std::thread client([&] {
        for (uint32_t sequence = 1; !stop.load(); ++sequence) {
            const uint32_t s = sequence & kSequenceMask;
            sentAt[s % kRing].store(NowUs());
            if (!SendAll(fd.Get(), Update(s, ledCount))) {
                break;
            }
            updates = sequence;
        }
    });

    // Let the stream settle for a second, then measure.
    const auto settle = Clock::now() + std::chrono::seconds(1);
    while (Clock::now() < settle) {
        dialog.PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const int frames0 = keyboard->EffectFramesCompleted();
    const uint32_t updates0 = updates.load();
    std::vector<double> latencies;
    std::thread watcher([&] {
        int seen = keyboard->EffectFramesCompleted();
        while (!stop.load()) {
            const int completed = keyboard->EffectFramesCompleted();
            if (completed != seen) {
                seen = completed;
                const int64_t now = NowUs();
                const std::vector<uint8_t> frame = keyboard->LastEffectFrame();
                const size_t at = 3 * static_cast<size_t>(position);
                if (at + 2 < frame.size()) {
                    const uint32_t s = MakeColor(frame[at], frame[at + 1], frame[at + 2]);
                    const int64_t sent = sentAt[s % kRing].load();
                    if (s != 0 && sent > 0 && now >= sent) {
                        latencies.push_back(static_cast<double>(now - sent) / 1000.0);
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(250));
        }
    });
    // The hub's CPU: the process's, less the client's and the watcher's threads.
    const double cpu0 = bench::ProcessCpuSeconds();
    const double clientCpu0 = ThreadCpuSeconds(client);
    const double watcherCpu0 = ThreadCpuSeconds(watcher);
    const auto t0 = Clock::now();
    const auto end = t0 + std::chrono::seconds(seconds);
    while (Clock::now() < end) {
        dialog.PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    const int frames = keyboard->EffectFramesCompleted() - frames0;
    const uint32_t sent = updates.load() - updates0;
    const double cpu = bench::ProcessCpuSeconds() - cpu0;
    const double clientCpu = ThreadCpuSeconds(client) - clientCpu0;
    const double watcherCpu = ThreadCpuSeconds(watcher) - watcherCpu0;
    const double hubCpu = std::max(0.0, cpu - clientCpu - watcherCpu);
    stop = true;
    watcher.join();
    shutdown(fd.Get(), SHUT_RDWR);
    client.join();
    std::printf(
        "SDK Direct stream at 1 ms per report: client sent %.0f updates/s, keyboard completed "
        "%.1f frames/s over %.0f s; hub CPU %.2f %% of one core (whole process %.2f %%); update "
        "to keyboard p50 %.1f ms, p99 %.1f ms (%zu frames timed)\n",
        sent / wall, frames / wall, wall, 100.0 * hubCpu / wall, 100.0 * cpu / wall,
        Percentile(latencies, 0.5), Percentile(latencies, 0.99), latencies.size());
    hub.Stop();
    return 0;
}
