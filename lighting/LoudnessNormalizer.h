#pragma once

#include <array>

namespace zanvor {

// Keeps the spectrum at a steady brightness whatever the playback volume: it estimates the
// loudness of each analysed block from the bin magnitudes, weighted as the ear hears them, and
// moves a gain slowly towards the value that brings the loudness to the target.
struct LoudnessNormalizer {
    static constexpr int kBins = 1024;
    static constexpr float kTargetDb = -18.0f;
    static constexpr float kGateDb = -70.0f;

    explicit LoudnessNormalizer(float sampleRate);

    // Loudness in dB of one block of bin magnitudes (kBins values); -70 for silence.
    float Loudness(const float* magnitudes) const;
    // Moves the gain towards the target for a block of that loudness.
    void Update(float loudnessDb);

    float sampleRate;
    float gain = 1.0f;
    std::array<float, kBins> weights{};
    float weightSum = 0;
};

}  // namespace zanvor
