// Streaming the music effect end to end: the aurora page open on a virtual keyboard that
// takes 1 ms per report, for N seconds (default 10). Prints the frames per second the keyboard
// completed, the 99th percentile and the longest interval between frames, and the CPU of the
// whole program (capture, renderer, worker and the virtual keyboard itself) while streaming.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/DevicePages.h"
#include "sim/VirtualKeyboard.h"
#include "support/BenchSession.h"
#include "ui/MainView.h"

using namespace zanvor;

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    constexpr int kType = 103;
    bench::BenchSession session(std::to_string(kType) + ":cable", 1);
    KeyboardDlg& dialog = session.Dlg();
    dialog.deviceList.ClickDevice(kType);
    session.WaitIdle();
    const auto keyboard = session.Sim().Keyboard(kType);
    if (!dialog.session.deviceOnline.load() || !keyboard) {
        std::fprintf(stderr, "aurora_stream: the keyboard is not online\n");
        return 1;
    }
    dialog.mainView.SelectPage(kPageAurora);
    // Let the stream settle for a second, then measure.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const int frames0 = keyboard->EffectFramesCompleted();
    const double cpu0 = bench::ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    const auto end = t0 + std::chrono::seconds(seconds);
    while (std::chrono::steady_clock::now() < end) {
        dialog.PumpMessages();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    const double cpu = bench::ProcessCpuSeconds() - cpu0;
    const int frames = keyboard->EffectFramesCompleted() - frames0;

    const bench::FrameIntervals intervals = bench::IntervalsSince(
        keyboard->EffectFrameTimesUs(),
        std::chrono::duration_cast<std::chrono::microseconds>(t0.time_since_epoch()).count());
    const auto status = dialog.Pages().aurora.Audio().Status();
    std::printf(
        "aurora stream at 1 ms per report: %.1f frames/s over %.0f s, interval p99 %.1f ms "
        "(longest %.1f ms), CPU %.2f %% of one core (sound: %s)\n",
        frames / wall, wall, intervals.p99, intervals.longest, 100.0 * cpu / wall,
        status.capturing ? status.description.c_str() : "no sound server");
    dialog.mainView.SelectPage(kPageLighting);
    return 0;
}
