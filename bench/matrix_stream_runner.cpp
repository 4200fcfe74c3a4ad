// The matrix screen's live mode end to end: the matrix page in the live mode on a virtual
// keyboard of type 102 that takes 1 ms per report, for N seconds (default 10) with a preset
// that needs no sound and again with a sound preset. Prints the frames per second the keyboard
// completed, the 99th percentile and the longest interval between frames, and the CPU of the
// whole program (worker, capture and the virtual keyboard itself) while streaming; then what
// one frame of each preset costs to compute.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/DevicePages.h"
#include "lighting/MatrixPage.h"
#include "sim/VirtualKeyboard.h"
#include "support/BenchSession.h"
#include "ui/MainView.h"
#include "ui/MatrixPresets.h"

using namespace zanvor;

namespace {

void Choose(ComboBox& list, int data) {
    const std::vector<ComboItem> items = list.GetItems();
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].data == data) {
            list.Choose(static_cast<int>(i));
            return;
        }
    }
}

void MeasureStream(bench::BenchSession& session, VirtualKeyboard& keyboard, int preset,
                   int seconds) {
    KeyboardDlg& dialog = session.Dlg();
    Choose(dialog.Pages().matrix.presetList, preset);
    // Let the stream settle for a second, then measure.
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const int frames0 = keyboard.MatrixFramesCompleted();
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
    const int frames = keyboard.MatrixFramesCompleted() - frames0;
    const bench::FrameIntervals intervals = bench::IntervalsSince(
        keyboard.MatrixFrameTimesUs(),
        std::chrono::duration_cast<std::chrono::microseconds>(t0.time_since_epoch()).count());
    const auto status = dialog.Pages().audio.Status();
    std::printf(
        "matrix stream, preset %d, at 1 ms per report: %.1f frames/s over %.0f s, interval p99 "
        "%.1f ms (longest %.1f ms), CPU %.2f %% of one core (sound: %s)\n",
        preset, frames / wall, wall, intervals.p99, intervals.longest, 100.0 * cpu / wall,
        IsMatrixAudioPreset(preset)
            ? (status.capturing ? status.description.c_str() : "no sound server")
            : "not used");
}

void MeasurePresets() {
    constexpr int kFrames = 20000;
    double slowest = 0;
    int slowestPreset = 0;
    double total = 0;
    for (const int preset : kMatrixLivePresets) {
        MatrixPresetInput input;
        MatrixPresetState state;
        MatrixFrame frame{};
        for (int k = 0; k < kMatrixBandCount; ++k) {
            input.bands[k] = 0.5f;
        }
        uint32_t sink = 0;
        const auto t0 = std::chrono::steady_clock::now();
        for (int i = 0; i < kFrames; ++i) {
            input.seconds = i / 60.0;
            DrawMatrixPreset(preset, input, state, frame);
            sink ^= frame[i % kMatrixLedCount];
        }
        const double us =
            std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
                .count() /
            kFrames;
        if (sink == 0xFFFFFFFF) {
            std::printf(" ");  // keeps the loop from being optimised away
        }
        total += us;
        if (us > slowest) {
            slowest = us;
            slowestPreset = preset;
        }
    }
    std::printf("one preset frame: %.2f us on average, slowest preset %d at %.2f us\n",
                total / static_cast<double>(kMatrixLivePresets.size()), slowestPreset, slowest);
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    constexpr int kType = 102;
    bench::BenchSession session(std::to_string(kType) + ":cable", 1);
    KeyboardDlg& dialog = session.Dlg();
    dialog.deviceList.ClickDevice(kType);
    session.WaitIdle();
    const auto keyboard = session.Sim().Keyboard(kType);
    if (!dialog.session.deviceOnline.load() || !keyboard) {
        std::fprintf(stderr, "matrix_stream: the keyboard is not online\n");
        return 1;
    }
    dialog.mainView.SelectPage(kPageMatrix);
    Choose(dialog.Pages().matrix.modeList, kMatrixModeLive);
    MeasureStream(session, *keyboard, 4, seconds);
    MeasureStream(session, *keyboard, 22, seconds);
    Choose(dialog.Pages().matrix.modeList, 1);
    session.WaitIdle();
    MeasurePresets();
    return 0;
}
