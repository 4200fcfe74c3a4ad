// The lighting page against a virtual keyboard that takes 1 ms per report: the live mirror's
// passes per second and the CPU of the whole program while it runs (target: 50 passes/s and
// under 3 % of one core), and the time from a colour click on a painted key to the keyboard
// holding the new colour in its custom set. Prints one line per figure.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "app/DevicePages.h"
#include "lighting/LightRows.h"
#include "support/BenchSession.h"
#include "ui/MainView.h"

using namespace zanvor;

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::time_point from) {
    return std::chrono::duration<double>(Clock::now() - from).count();
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    const int clicks = argc > 2 ? std::atoi(argv[2]) : 15;
    bench::BenchSession session("101:cable", 1);
    KeyboardDlg& dialog = session.Dlg();
    dialog.deviceList.ClickDevice(101);
    session.WaitIdle();
    if (!dialog.session.deviceOnline.load()) {
        std::fprintf(stderr, "light_mirror: the keyboard is not online\n");
        return 1;
    }
    LightPage& page = dialog.Pages().lighting;
    session.Host().ShowNormal();
    dialog.mainView.SelectPage(kPageLighting);
    session.WaitIdle();

    // One live colour read starts with the chunk at offset 0.
    std::atomic<int> reads{0};
    session.Sim().SetReportObserver([&reads](const SimReport& report) {
        if (report.to_device && report.bytes.size() > 5 && report.bytes[2] == 0x34 &&
            report.bytes[3] == 0 && report.bytes[4] == 0) {
            reads.fetch_add(1);
        }
    });
    page.liveMirrorSwitch.Click();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // settle into the stream
    const int reads0 = reads.load();
    const double cpu0 = bench::ProcessCpuSeconds();
    const Clock::time_point t0 = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double wall = Seconds(t0);
    const double cpu = bench::ProcessCpuSeconds() - cpu0;
    const int passes = reads.load() - reads0;
    page.liveMirrorSwitch.Click();
    session.Sim().SetReportObserver(nullptr);
    std::printf("live mirror at 1 ms per report: %.1f passes/s, %.2f %% of one core over %.0f s\n",
                passes / wall, 100.0 * cpu / wall, wall);

    // Colour clicks on a key of custom set 0x80: until the keyboard's table holds the colour.
    page.modeList.Choose(page.modeList.GetCount() - 1);
    session.WaitIdle();
    const int esc = 0x29;
    const int led = dialog.session.LightMap().LedOf(esc);
    page.picture.ClickKey(esc);
    session.WaitIdle();
    std::vector<double> times;
    for (int i = 0; i < clicks; ++i) {
        const uint8_t red = static_cast<uint8_t>(0x10 + 8 * i);
        const Clock::time_point start = Clock::now();
        page.colorWheel.Pick(MakeColor(red, 0x40, 0x80));
        bool held = false;
        while (!held && Seconds(start) < 10) {
            dialog.PumpMessages();
            const std::vector<uint8_t> table = session.Sim().Keyboard(101)->BlockData(0x22);
            held = table.size() == 384 && table[3 * led] == red && table[3 * led + 1] == 0x40 &&
                   table[3 * led + 2] == 0x80;
            if (!held) {
                std::this_thread::sleep_for(std::chrono::microseconds(200));
            }
        }
        times.push_back(1000.0 * Seconds(start));
        session.WaitIdle();
    }
    std::sort(times.begin(), times.end());
    std::printf(
        "colour click to the keyboard holding the set: median %.1f ms, slowest %.1f ms "
        "(%d clicks)\n",
        times[times.size() / 2], times.back(), clicks);
    return 0;
}
