#pragma once

// Generated interleaved float audio: sine tones, click tracks and silence. Used where real
// sound is not wanted: the benchmarks, the tests and the real-capture test's WAV file.

#include <cmath>
#include <cstddef>
#include <numbers>
#include <vector>

namespace zanvor {

// `seconds` of a sine of `hz` at `amplitude`, the same on every channel.
inline std::vector<float> SineWave(double hz, double seconds, int rate = 48000, int channels = 2,
                                   float amplitude = 0.5f) {
    const size_t frames = static_cast<size_t>(seconds * rate);
    std::vector<float> out(frames * channels);
    for (size_t f = 0; f < frames; ++f) {
        const float v =
            amplitude * static_cast<float>(std::sin(2.0 * std::numbers::pi * hz * f / rate));
        for (int c = 0; c < channels; ++c) {
            out[f * channels + c] = v;
        }
    }
    return out;
}

// A click every `intervalMs`: a 5 ms pulse, as a metronome gives.
inline std::vector<float> ClickTrack(double intervalMs, double seconds, int rate = 48000,
                                     int channels = 2) {
    const size_t frames = static_cast<size_t>(seconds * rate);
    const size_t period = static_cast<size_t>(intervalMs * rate / 1000.0);
    const size_t length = static_cast<size_t>(0.005 * rate);
    std::vector<float> out(frames * channels);
    for (size_t f = 0; f < frames; ++f) {
        const size_t t = f % period;
        if (t >= length) {
            continue;
        }
        const float v = static_cast<float>(
            0.4 * (1.0 - std::cos(2.0 * std::numbers::pi * static_cast<double>(t) / length)));
        for (int c = 0; c < channels; ++c) {
            out[f * channels + c] = v;
        }
    }
    return out;
}

}  // namespace zanvor
