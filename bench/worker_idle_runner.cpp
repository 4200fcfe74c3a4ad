// CPU cost of a connected keyboard with nothing to do: the worker over 10 s, by cable, through
// a receiver that is polled on every pass, and by cable while profiles follow the window in
// front of a private X server (Xvfb; skipped without it). Prints one line per case.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include "app/DevicePages.h"
#include "platform/X11FocusSource.h"
#include "support/BenchSession.h"
#include "support/XServer.h"

using namespace zanvor;

namespace {

// `display`: an X server whose window in front the profiles follow ("" for none).
double IdleCpuPercent(const char* selection, int seconds, const std::string& display = {}) {
    bench::BenchSession session(selection, 0);
    if (!session.Dlg().session.deviceOnline.load()) {
        std::fprintf(stderr, "worker_idle: %s is not online\n", selection);
        std::exit(1);
    }
    FocusSwitcher& focus = session.Dlg().Pages().focus;
    std::string error;
    if (!display.empty() && !focus.Start(std::make_unique<X11FocusSource>(display), error)) {
        std::fprintf(stderr, "worker_idle: %s\n", error.c_str());
        std::exit(1);
    }
    session.WaitIdle();
    const double cpu0 = bench::ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = bench::ProcessCpuSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    focus.Stop();
    return 100.0 * cpu / wall;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    std::printf("idle worker, cable:    %.3f %% of one core over %d s\n",
                IdleCpuPercent("101:cable", seconds), seconds);
    std::printf("idle worker, receiver: %.3f %% of one core over %d s\n",
                IdleCpuPercent("101:receiver", seconds), seconds);
    test::PrivateXServer server;
    if (std::string why; server.Start(why)) {
        std::printf(
            "idle worker, cable, following the window in front: %.3f %% of one core over "
            "%d s\n",
            IdleCpuPercent("101:cable", seconds, server.Display()), seconds);
    } else {
        std::printf("idle worker, cable, following the window in front: skipped (%s)\n",
                    why.c_str());
    }
    return 0;
}
