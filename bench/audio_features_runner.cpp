// The audio feature pipeline on generated music (a bass line, a chord, a click on every beat
// and some noise): how many times faster than real time it runs when fed as the capture feeds
// it, one 16-ms packet per poll. The time is the thread's CPU time (the machine may be busy
// with other work); the best of three rounds counts. Prints one line.
#include <time.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <numbers>
#include <random>
#include <vector>

#include "lighting/AudioFeatures.h"
#include "lighting/SignalGenerator.h"

using namespace zanvor;

namespace {

double ThreadCpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec + t.tv_nsec / 1e9;
}

std::vector<float> GeneratedMusic(double seconds, int rate) {
    std::vector<float> music = ClickTrack(500, seconds, rate, 2);
    std::mt19937 noise(7);
    std::uniform_real_distribution<float> hiss(-0.02f, 0.02f);
    const double notes[] = {55.0, 220.0, 277.2, 329.6};
    for (size_t f = 0; f < music.size() / 2; ++f) {
        const double t = static_cast<double>(f) / rate;
        float v = hiss(noise);
        for (double hz : notes) {
            v += 0.08f * static_cast<float>(std::sin(2 * std::numbers::pi * hz * t));
        }
        music[2 * f] += v;
        music[2 * f + 1] += v;
    }
    return music;
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 60.0;
    constexpr int kRate = 48000;
    constexpr size_t kPollFrames = kRate * 16 / 1000;
    const std::vector<float> music = GeneratedMusic(seconds, kRate);
    const size_t frames = music.size() / 2;

    AudioFeatures features(kRate);
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        const double t0 = ThreadCpuSeconds();
        for (size_t f = 0; f < frames; f += kPollFrames) {
            features.BeginPoll();
            features.AddPacket(music.data() + 2 * f, std::min(kPollFrames, frames - f));
            features.EndPoll();
        }
        best = std::min(best, ThreadCpuSeconds() - t0);
    }
    std::printf(
        "audio features: %.0f s of 48 kHz stereo in %.1f ms of CPU: %.0fx real time "
        "(tempo found %.1f BPM)\n",
        seconds, best * 1000, seconds / best, features.Features().tempo);
    return 0;
}
