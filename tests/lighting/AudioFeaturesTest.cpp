#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "lighting/AudioFeatures.h"
#include "lighting/SignalGenerator.h"
#include "ui/MatrixScreen.h"

using namespace zanvor;

namespace {

constexpr int kRate = 48000;
constexpr size_t kPollFrames = 768;  // 16 ms at 48 kHz

// Feeds interleaved stereo audio in 16-ms polls of one packet each; calls onPoll after each.
template <typename OnPoll>
void Feed(AudioFeatures& features, const std::vector<float>& audio, OnPoll onPoll) {
    const size_t frames = audio.size() / 2;
    for (size_t f = 0; f < frames; f += kPollFrames) {
        features.BeginPoll();
        features.AddPacket(audio.data() + 2 * f, std::min(kPollFrames, frames - f));
        features.EndPoll();
        onPoll(features.Features());
    }
}

void Feed(AudioFeatures& features, const std::vector<float>& audio) {
    Feed(features, audio, [](const AudioFeatureSnapshot&) {});
}

int Loudest(const std::array<float, 64>& bands) {
    return static_cast<int>(std::max_element(bands.begin(), bands.end()) - bands.begin());
}

// The 64-band index whose bin range holds frequency hz.
int BandOf(double hz) {
    const int bin = static_cast<int>(std::lround(hz * kSpectrumSize / kRate));
    for (int j = 63; j >= 0; --j) {
        const double a = j / 64.0;
        if (static_cast<int>(a * a * a * kSpectrumBins) <= bin) {
            return j;
        }
    }
    return 0;
}

}  // namespace

TEST(AudioFeaturesTest, SilenceGivesNothingAndRaisesTheGainTowardsItsCeiling) {
    AudioFeatures features;
    std::vector<float> gains;
    Feed(features, std::vector<float>(kRate * 2 * 2, 0.0f),
         [&](const AudioFeatureSnapshot&) { gains.push_back(features.Gain()); });
    const AudioFeatureSnapshot& out = features.Features();
    EXPECT_EQ(out.rms, 0.0f);
    EXPECT_EQ(out.level, 0.0f);
    EXPECT_EQ(out.peakHold, 0.0f);
    for (float band : out.bands) {
        EXPECT_EQ(band, 0.0f);
    }
    // Silence measures exactly -70 dB, which is not below the gate: the target is 100.
    EXPECT_GT(gains.back(), 50.0f);
    EXPECT_LT(gains.back(), 100.0f);
    EXPECT_TRUE(std::is_sorted(gains.begin(), gains.end()));
}

TEST(AudioFeaturesTest, ALongPacketScrollsTheWholeWaveformAndWritesFromTheStart) {
    AudioFeatures features;
    // First fill the waveform with something to be scrolled away.
    Feed(features, SineWave(100, 0.1));
    std::vector<float> ramp(2000 * 2);
    for (size_t f = 0; f < 2000; ++f) {
        ramp[2 * f] = ramp[2 * f + 1] = static_cast<float>(f) / 2000.0f;
    }
    features.BeginPoll();
    features.AddPacket(ramp.data(), 2000);
    ASSERT_TRUE(features.EndPoll());
    const auto& wave = features.Features().wave;
    // Point j is the mean of frames 4j..4j+3, gained by 2 x 270; only the first 256 fit.
    for (int j : {0, 1, 100, 255}) {
        const float mean = (4 * j + 1.5f) / 2000.0f;
        EXPECT_NEAR(wave[2 * j], 2 * 270 * mean, 1e-3) << j;
        EXPECT_EQ(wave[2 * j], wave[2 * j + 1]);
    }
}

TEST(AudioFeaturesTest, LoudSoundFillsTheLevelAndThePeakHoldDecaysAfterIt) {
    AudioFeatures features;
    Feed(features, SineWave(440, 0.5));
    EXPECT_FLOAT_EQ(features.Features().level, 1.0f);
    // A peak equal to the one held does not exceed it, so a steady loud tone alternates
    // between the full peak and one decay step.
    const float held = features.Features().peakHold;
    EXPECT_GE(held, 0.95f);
    Feed(features, std::vector<float>(kPollFrames * 2, 0.0f));
    EXPECT_EQ(features.Features().level, 0.0f);
    EXPECT_FLOAT_EQ(features.Features().peakHold, held * 0.95f);
    EXPECT_GT(features.Features().average, 0.0f);
}

TEST(AudioFeaturesTest, SevenBandsFollowTheLevelWithTheirWeights) {
    AudioFeatures features;
    features.PublishAudio(0.3f, 0.0);
    const auto& bands = features.Features().bands;
    // Band 0 starts at phase 0, whose sine is 0: 1.2 x 0.3.
    EXPECT_FLOAT_EQ(bands[0], 0.36f);
    const float weights[kLevelBands] = {1.2f, 1.2f, 1.2f, 1.0f, 1.0f, 0.8f, 0.8f};
    for (int k = 0; k < kLevelBands; ++k) {
        EXPECT_GE(bands[k], 0.7f * weights[k] * 0.3f - 1e-6f) << k;
        EXPECT_LE(bands[k], 1.3f * weights[k] * 0.3f + 1e-6f) << k;
    }
    features.PublishAudio(1.0f, 0.4);
    for (float band : bands) {
        EXPECT_LE(band, 1.0f);
    }
}

TEST(AudioFeaturesTest, ToneLandsInItsOwnSpectrumBand) {
    for (double hz : {110.0, 440.0, 2500.0}) {
        AudioFeatures features;
        Feed(features, SineWave(hz, 3.0, kRate, 2, 0.3f));
        EXPECT_EQ(Loudest(features.Features().bands64), BandOf(hz)) << hz;
        if (hz < 1000) {
            EXPECT_GT(features.Features().low, features.Features().high) << hz;
        }
    }
}

TEST(AudioFeaturesTest, PerceptualWeightsFollowTheEar) {
    const LoudnessNormalizer normalizer(48000);
    struct Case {
        int bin;
        float weight;
    };
    // Bin i is i x 48000 / 2048 Hz: 2 ~ 47 Hz, 85 ~ 1992 Hz, 512 = 12 kHz, 1000 ~ 23.4 kHz.
    const Case cases[] = {{0, 0.0f},   {2, 0.2197f},   {5, 1.0f},      {85, 1.4942f},
                          {300, 1.0f}, {512, 0.6944f}, {1000, 0.1820f}};
    for (const Case& c : cases) {
        EXPECT_NEAR(normalizer.weights[c.bin], c.weight, 1e-3) << c.bin;
    }
}

TEST(AudioFeaturesTest, BeatsAndTempoFollowAClickTrack) {
    struct Case {
        double intervalMs;
        float tempoLow;
        float tempoHigh;
    };
    const Case cases[] = {
        {500, 117, 123},  // 120 BPM
        {667, 87, 93},    // 90 BPM
        {1800, 32, 35},   // 33 BPM
        {100, 30, 400},   // clicks closer than 150 ms count once: tempo stays in range
        {2500, 0, 0},     // intervals of 2 s or more set no tempo
    };
    for (const Case& c : cases) {
        AudioFeatures features;
        double lastBeat = -1;
        double shortest = 1e9;
        int beats = 0;
        bool wasBeat = false;
        Feed(features, ClickTrack(c.intervalMs, 10.0), [&](const AudioFeatureSnapshot& out) {
            if (out.beat && !wasBeat) {
                ++beats;
                if (lastBeat >= 0) {
                    shortest = std::min(shortest, features.NowMs() - lastBeat);
                }
                lastBeat = features.NowMs();
            }
            wasBeat = out.beat;
        });
        const float tempo = features.Features().tempo;
        EXPECT_GE(tempo, c.tempoLow) << c.intervalMs;
        EXPECT_LE(tempo, c.tempoHigh) << c.intervalMs;
        EXPECT_GT(beats, 2) << c.intervalMs;
        EXPECT_GT(shortest, 150) << c.intervalMs;
    }
}

// The matrix screen's level meter fed by the captured sound, as the program wires them: a loud
// tone (-3 dBFS) at the default amplitude fills about 80 % of the bar, not all of it; quieter
// sound fills less, the amplitude slider's top gives more, and silence nothing.
TEST(AudioFeaturesTest, TheMatrixLevelMeterIsCalibratedToTheCapturedSound) {
    struct Case {
        float dbfs;
        float amplitude;  // the slider, 50 by default
        double lowest;    // fraction of the bar lit
        double highest;
    };
    const Case cases[] = {
        {-3, 50, 0.76, 0.84}, {-23, 50, 0.25, 0.35}, {-3, 100, 0.9, 1.0}, {-90, 50, 0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dbfs);
        SCOPED_TRACE(c.amplitude);
        AudioFeatures features(kRate);
        const float peak = std::pow(10.0f, c.dbfs / 20.0f);
        Feed(features, SineWave(440, 0.5, kRate, 2, peak));
        const AudioFeatureSnapshot& f = features.Features();
        MatrixScreen screen;
        screen.SetPresetMode(22);
        screen.SetMatrixScreenColorful(false);
        screen.SetMatrixScreenColor(0x00FF00);
        screen.SetAudioAmplitude(c.amplitude);
        screen.SetAudioData(f.bands.data(), kLevelBands);
        screen.SetMasterVolume(1.0f);
        screen.SetInputWave(f.wave.data(), kWaveLength);
        screen.Advance(16);
        const MatrixFrame frame = screen.Colors();
        const double lit =
            std::count_if(frame.begin(), frame.end(), [](uint32_t colour) { return colour != 0; }) /
            static_cast<double>(frame.size());
        EXPECT_GE(lit, c.lowest);
        EXPECT_LE(lit, c.highest);
    }
}
