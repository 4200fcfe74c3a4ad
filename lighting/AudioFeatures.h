#pragma once

// The features the music-reactive effects are drawn from, computed from captured audio:
// a scrolling waveform, level/rms/peak/average, seven level bands, a 2048-point spectrum
// reduced to 32 and 64 bands, low/mid/high energies and beat detection with a tempo. Pure
// computation: it is fed interleaved float packets by any source (the sound server, a test, a
// benchmark) and knows nothing about capture.

#include <array>
#include <cstddef>
#include <cstdint>

#include "lighting/FftPlan.h"
#include "lighting/LoudnessNormalizer.h"

namespace zanvor {

inline constexpr int kWavePoints = 256;
inline constexpr int kWaveLength = 2 * kWavePoints;  // (value, value) pairs
inline constexpr float kDefaultWaveGain = 270.0f;
inline constexpr int kLevelBands = 7;
inline constexpr int kLevelHistory = 64;
inline constexpr int kSpectrumSize = 2048;
inline constexpr int kSpectrumBins = kSpectrumSize / 2;
inline constexpr int kSpectrumHop = kSpectrumSize / 2;  // new samples per analysis
inline constexpr int kBassHistory = 43;
inline constexpr int kDefaultSampleRate = 48000;

// Everything a consumer reads, copied as one value.
struct AudioFeatureSnapshot {
    std::array<float, kWaveLength> wave{};
    float level = 0;     // 0..1
    float rms = 0;       // of the gained waveform points
    float peakHold = 0;  // 0..1
    float average = 0;   // mean of the last 64 levels
    std::array<float, kLevelBands> bands{};
    std::array<float, 32> bands32{};
    std::array<float, 64> bands64{};
    float low = 0;
    float mid = 0;
    float high = 0;
    bool beat = false;
    float beatStrength = 0;  // 0..1
    float tempo = 0;         // beats per minute, 0 = none yet
    uint64_t polls = 0;      // polls that produced samples so far
};

class AudioFeatures {
  public:
    explicit AudioFeatures(int sampleRate = kDefaultSampleRate);

    // Format of the packets that follow. A new sample rate builds a new loudness normalizer
    // (the one for 48000 Hz is kept otherwise).
    void SetFormat(int sampleRate, int channels);
    int SampleRate() const { return sampleRate_; }
    int Channels() const { return channels_; }
    void SetWaveGain(float gain) { waveGain_ = gain; }
    float WaveGain() const { return waveGain_; }

    // One poll: BeginPoll, AddPacket for every packet read, EndPoll. EndPoll computes the
    // level features and the seven bands and returns true when the poll produced points.
    void BeginPoll();
    void AddPacket(const float* frames, size_t frameCount);
    bool EndPoll();

    // Stream time in milliseconds: the frames consumed so far at the current sample rate.
    double NowMs() const { return streamMs_; }

    const AudioFeatureSnapshot& Features() const { return out_; }
    float Gain() const { return normalizer_.gain; }
    const std::array<float, kSpectrumBins>& Bins() const { return bins_; }

    // The steps, public for tests that drive them with exact inputs.
    void PublishAudio(float level, double dtSeconds);
    void AnalyzeSpectrum();
    void DetectBeat();
    // Zeroes the bands, the level history and its index, level, peak hold and average.
    void ResetLevels();

  private:
    void AddPoint(float mean);

    int sampleRate_ = kDefaultSampleRate;
    int channels_ = 2;
    float waveGain_ = kDefaultWaveGain;
    AudioFeatureSnapshot out_;

    // Poll state.
    int writePosition_ = 0;
    float pollPeak_ = 0;
    double pollSumSquares_ = 0;
    int pollPoints_ = 0;
    double streamMs_ = 0;
    double lastPublishMs_ = -1;

    std::array<float, kLevelHistory> levelHistory_{};
    int levelIndex_ = 0;
    std::array<double, kLevelBands> phases_{};

    std::array<float, kSpectrumSize> ring_{};
    int ringFill_ = 0;
    LoudnessNormalizer normalizer_;
    FftPlan fft_{kSpectrumSize};
    std::array<float, kSpectrumSize> windowed_{};
    std::array<float, kSpectrumSize> hann_{};
    std::array<float, kSpectrumBins> bins_{};

    std::array<float, kBassHistory> bassHistory_{};
    int bassIndex_ = 0;
    double lastBeatMs_ = -1;  // -1: no beat yet
};

}  // namespace zanvor
