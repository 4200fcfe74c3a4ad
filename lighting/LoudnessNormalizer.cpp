#include "lighting/LoudnessNormalizer.h"

#include <algorithm>
#include <cmath>

namespace zanvor {

LoudnessNormalizer::LoudnessNormalizer(float rate) : sampleRate(rate) {
    for (int i = 0; i < kBins; ++i) {
        const double f = static_cast<double>(i) * sampleRate / 2048.0;
        double w = f < 100.0 ? (f / 100.0) * (f / 100.0) : 1.0;
        // The ear is most sensitive around 2-4 kHz and hears little above 10 kHz.
        if (f >= 1000.0 && f <= 4000.0) {
            w *= 1.0 + 0.5 * std::exp(-3.0 * std::fabs(std::log(f / 2000.0)));
        }
        if (f > 10000.0) {
            w *= (10000.0 / f) * (10000.0 / f);
        }
        weights[i] = static_cast<float>(w);
        weightSum += weights[i];
    }
}

float LoudnessNormalizer::Loudness(const float* magnitudes) const {
    double sum = 0;
    for (int i = 0; i < kBins; ++i) {
        const double v = static_cast<double>(magnitudes[i]) * weights[i];
        sum += v * v;
    }
    const double c = weightSum > 0 ? std::sqrt(sum / weightSum) : 0.0;
    if (c > 1e-10) {
        return static_cast<float>(10.0 * std::log10(1e-10 + c * c) - 0.691);
    }
    return kGateDb;
}

void LoudnessNormalizer::Update(float loudnessDb) {
    float target = gain;
    if (!(loudnessDb < kGateDb)) {
        target = std::min(100.0f, std::pow(10.0f, (kTargetDb - loudnessDb) / 20.0f));
        if (target <= 0.1f) {
            target = 0.1f;
        }
    }
    gain = gain * 0.95f + target * 0.05f;
}

}  // namespace zanvor
