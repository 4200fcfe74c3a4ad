#include "lighting/AudioFeatures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zanvor {

namespace {

constexpr double kBeatLockoutMs = 150;
constexpr double kBeatReleaseMs = 100;

float Clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}

}  // namespace

AudioFeatures::AudioFeatures(int sampleRate)
    : sampleRate_(sampleRate > 0 ? sampleRate : kDefaultSampleRate),
      normalizer_(static_cast<float>(sampleRate_)) {
    for (int k = 0; k < kLevelBands; ++k) {
        phases_[k] = 0.5 * k;
    }
    for (int i = 0; i < kSpectrumSize; ++i) {
        hann_[i] = static_cast<float>(
            0.5 * (1.0 - std::cos(2.0 * std::numbers::pi * i / (kSpectrumSize - 1))));
    }
}

void AudioFeatures::SetFormat(int sampleRate, int channels) {
    channels_ = std::max(1, channels);
    if (sampleRate <= 0 || sampleRate == sampleRate_) {
        return;
    }
    sampleRate_ = sampleRate;
    if (static_cast<float>(sampleRate) != normalizer_.sampleRate) {
        normalizer_ = LoudnessNormalizer(static_cast<float>(sampleRate));
    }
}

void AudioFeatures::BeginPoll() {
    pollPeak_ = 0;
    pollSumSquares_ = 0;
    pollPoints_ = 0;
}

void AudioFeatures::AddPacket(const float* frames, size_t frameCount) {
    if (frames == nullptr || frameCount == 0) {
        return;
    }
    // One waveform point per four frames; the picture scrolls by that many points.
    const size_t q = frameCount / 4;
    if (q > 0) {
        if (q < static_cast<size_t>(kWavePoints)) {
            std::copy(out_.wave.begin() + 2 * q, out_.wave.end(), out_.wave.begin());
        }
        writePosition_ =
            q <= static_cast<size_t>(kWavePoints) ? kWavePoints - static_cast<int>(q) : 0;
    }
    const int channels = channels_;
    const double msPerFrame = 1000.0 / sampleRate_;
    for (size_t i = 0; i < frameCount; i += 4) {
        const size_t end = std::min(frameCount, i + 4);
        float pointSum = 0;
        for (size_t f = i; f < end; ++f) {
            const float* frame = frames + f * channels;
            float sum = 0;
            for (int c = 0; c < channels; ++c) {
                sum += frame[c];
            }
            const float mono = sum / static_cast<float>(channels);
            pointSum += mono;
            // The spectrum sees every frame, at the capture rate its weights are built for.
            ring_[ringFill_++] = mono;
            streamMs_ += msPerFrame;
            if (ringFill_ == kSpectrumSize) {
                AnalyzeSpectrum();
                // Blocks overlap by half: a sound at the edge of one block, where the window
                // hides it, sits in the middle of the next.
                std::copy(ring_.begin() + kSpectrumHop, ring_.end(), ring_.begin());
                ringFill_ = kSpectrumSize - kSpectrumHop;
            }
        }
        AddPoint(pointSum / static_cast<float>(end - i));
    }
}

void AudioFeatures::AddPoint(float mean) {
    const float d = 2.0f * mean * waveGain_;
    if (writePosition_ < kWavePoints) {
        out_.wave[2 * writePosition_] = d;
        out_.wave[2 * writePosition_ + 1] = d;
        ++writePosition_;
    }
    pollPeak_ = std::max(pollPeak_, std::fabs(d));
    pollSumSquares_ += static_cast<double>(d) * d;
    ++pollPoints_;
}

bool AudioFeatures::EndPoll() {
    if (pollPoints_ == 0) {
        return false;
    }
    out_.rms = static_cast<float>(std::sqrt(pollSumSquares_ / pollPoints_));
    const float level = out_.rms < 0.01f ? 0.0f : Clamp01(std::sqrt(4.0f * out_.rms));
    const double dt = lastPublishMs_ < 0 ? 0.0 : (streamMs_ - lastPublishMs_) / 1000.0;
    lastPublishMs_ = streamMs_;
    PublishAudio(level, dt);

    levelHistory_[levelIndex_] = level;
    levelIndex_ = (levelIndex_ + 1) % kLevelHistory;
    float sum = 0;
    for (float v : levelHistory_) {
        sum += v;
    }
    out_.average = sum / kLevelHistory;

    const float p = Clamp01(4.0f * pollPeak_);
    out_.peakHold = p > out_.peakHold ? p : out_.peakHold * 0.95f;
    ++out_.polls;
    return true;
}

void AudioFeatures::PublishAudio(float level, double dtSeconds) {
    out_.level = level;
    for (int k = 0; k < kLevelBands; ++k) {
        const float weight = k <= 2 ? 1.2f : (k <= 4 ? 1.0f : 0.8f);
        phases_[k] += dtSeconds * (2.0 + 0.5 * k);
        out_.bands[k] =
            Clamp01(static_cast<float>((1.0 + 0.3 * std::sin(phases_[k])) * weight * level));
    }
}

void AudioFeatures::AnalyzeSpectrum() {
    for (int i = 0; i < kSpectrumSize; ++i) {
        windowed_[i] = ring_[i] * hann_[i];
    }
    const auto& spectrum = fft_.Forward(windowed_.data());
    for (int i = 0; i < kSpectrumBins; ++i) {
        const float re = spectrum[i].real();
        const float im = spectrum[i].imag();
        bins_[i] = std::sqrt(re * re + im * im) / kSpectrumSize;
    }

    normalizer_.Update(normalizer_.Loudness(bins_.data()));
    const float gain = normalizer_.gain;
    for (float& bin : bins_) {
        float v = bin * gain;
        if (v > 0.7f) {
            v = 0.7f + (v - 0.7f) / (2.0f * (v - 0.7f) + 1.0f);
        }
        // The loudest bins stay fully lit.
        bin = std::min(v, 1.0f);
    }

    auto reduce = [this](float* bands, int count) {
        for (int j = 0; j < count; ++j) {
            const double a = static_cast<double>(j) / count;
            const double b = static_cast<double>(j + 1) / count;
            const int lo =
                std::clamp(static_cast<int>(a * a * a * kSpectrumBins), 0, kSpectrumBins - 1);
            const int hi = std::max(
                lo + 1, std::min(kSpectrumBins, static_cast<int>(b * b * b * kSpectrumBins)));
            float sum = 0;
            for (int i = lo; i < hi; ++i) {
                sum += bins_[i];
            }
            bands[j] = Clamp01(sum / static_cast<float>(hi - lo));
        }
    };
    reduce(out_.bands32.data(), 32);
    reduce(out_.bands64.data(), 64);

    const auto& b = out_.bands32;
    if (!(b[0] == 0.0f && b[1] == 0.0f)) {
        auto mean = [&b](int from, int to) {
            float sum = 0;
            for (int i = from; i <= to; ++i) {
                sum += b[i];
            }
            return sum / static_cast<float>(to - from + 1);
        };
        out_.low = mean(0, 8);
        out_.mid = mean(9, 20);
        out_.high = mean(21, 31);
    }
    DetectBeat();
}

void AudioFeatures::DetectBeat() {
    const auto& b = out_.bands32;
    const float energy = (0.5f * b[0] * b[0] + b[1] * b[1] + b[2] * b[2] + b[3] * b[3] +
                          0.3f * b[4] * b[4] + 0.3f * b[5] * b[5]) /
                         6.0f;
    bassHistory_[bassIndex_] = energy;
    bassIndex_ = (bassIndex_ + 1) % kBassHistory;
    double mean = 0;
    for (float e : bassHistory_) {
        mean += e;
    }
    mean /= kBassHistory;
    double variance = 0;
    for (float e : bassHistory_) {
        variance += (e - mean) * (e - mean);
    }
    variance /= kBassHistory;
    float threshold = static_cast<float>(mean + 1.5 * std::sqrt(variance));
    if (threshold <= 0.01f) {
        threshold = 0.01f;
    }

    const double now = streamMs_;
    const double sinceLast = lastBeatMs_ < 0 ? 1e12 : now - lastBeatMs_;
    if (energy > threshold && sinceLast > kBeatLockoutMs) {
        out_.beat = true;
        out_.beatStrength = std::min(1.0f, (energy - threshold) / (threshold + 0.01f));
        if (lastBeatMs_ >= 0 && sinceLast >= 1 && sinceLast < 2000) {
            const float instant = static_cast<float>(60000.0 / sinceLast);
            out_.tempo = out_.tempo == 0 ? instant : out_.tempo * 0.8f + instant * 0.2f;
            out_.tempo = std::clamp(out_.tempo, 30.0f, 400.0f);
        }
        lastBeatMs_ = now;
    } else if (sinceLast > kBeatReleaseMs) {
        out_.beat = false;
        out_.beatStrength *= 0.9f;
        if (out_.beatStrength < 0.05f) {
            out_.beatStrength = 0;
        }
    }
}

void AudioFeatures::ResetLevels() {
    out_.bands.fill(0);
    levelHistory_.fill(0);
    levelIndex_ = 0;
    out_.level = 0;
    out_.peakHold = 0;
    out_.average = 0;
}

}  // namespace zanvor
