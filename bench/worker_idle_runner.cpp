// CPU cost of a connected keyboard with nothing to do: the worker over 10 s, by cable and
// through a receiver that is polled on every pass. Prints one line per case.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "support/BenchSession.h"

using namespace zanvor;

namespace {

double IdleCpuPercent(const char* selection, int seconds) {
    bench::BenchSession session(selection, 0);
    if (!session.Dlg().session.deviceOnline.load()) {
        std::fprintf(stderr, "worker_idle: %s is not online\n", selection);
        std::exit(1);
    }
    const double cpu0 = bench::ProcessCpuSeconds();
    const auto t0 = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const double cpu = bench::ProcessCpuSeconds() - cpu0;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    return 100.0 * cpu / wall;
}

}  // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    std::printf("idle worker, cable:    %.3f %% of one core over %d s\n",
                IdleCpuPercent("101:cable", seconds), seconds);
    std::printf("idle worker, receiver: %.3f %% of one core over %d s\n",
                IdleCpuPercent("101:receiver", seconds), seconds);
    return 0;
}
