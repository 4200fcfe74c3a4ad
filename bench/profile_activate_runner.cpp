// End-to-end time of switching profiles against a virtual keyboard that takes 1 ms per
// report: the profile is made active, the worker writes all four key tables and the busy
// dialog closes. Prints the median and the slowest of several switches.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "app/DevicePages.h"
#include "support/BenchSession.h"

using namespace zanvor;

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 9;
    bench::BenchSession session("101:cable", 1);
    KeyboardDlg& dialog = session.Dlg();
    dialog.deviceList.ClickDevice(101);
    session.WaitIdle();
    ProfileList& list = dialog.Pages().profile.List();
    if (list.GetItemCount() < 2) {
        std::fprintf(stderr, "profile_activate: no profiles\n");
        return 1;
    }
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = std::chrono::steady_clock::now();
        list.ClickItem(i % 2 == 0 ? 1 : 0);
        session.WaitIdle();
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0)
                .count());
    }
    std::sort(times.begin(), times.end());
    std::printf("profile activate at 1 ms per report: median %.0f ms, slowest %.0f ms (%d runs)\n",
                times[times.size() / 2], times.back(), rounds);
    return 0;
}
