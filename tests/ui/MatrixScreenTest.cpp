// The matrix screen picture: its live presets animate, differ from one another and follow their
// settings; the audio presets follow the sound and are dark in silence; painted colours stay.

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <set>
#include <vector>

#include "ui/ColourMath.h"
#include "ui/MatrixScreen.h"

namespace zanvor {
namespace {

int Sum(const MatrixFrame& frame) {
    int sum = 0;
    for (const uint32_t c : frame) {
        sum += colour::Red(c) + colour::Green(c) + colour::Blue(c);
    }
    return sum;
}

// A sound about `level` loud: the bands and the wave change with the phase.
void Play(MatrixScreen& screen, float level, double phase = 0) {
    std::array<float, kMatrixBandCount> bands;
    for (int k = 0; k < kMatrixBandCount; ++k) {
        bands[k] = level * static_cast<float>(0.6 + 0.4 * std::sin(phase + k));
    }
    std::array<float, kMatrixWaveLength> wave{};
    for (int i = 0; i < kMatrixWaveLength / 2; ++i) {
        const float v = level * 270.0f * static_cast<float>(std::sin(i * 0.2 + phase));
        wave[2 * i] = v;
        wave[2 * i + 1] = v;
    }
    screen.SetAudioData(bands.data(), kMatrixBandCount);
    screen.SetMasterVolume(1.0f);
    screen.SetInputWave(wave.data(), kMatrixWaveLength);
}

// Frames of a preset over two seconds, 50 ms apart.
std::vector<MatrixFrame> RunPreset(MatrixScreen& screen, int preset, float level) {
    screen.SetPresetMode(preset);
    std::vector<MatrixFrame> frames;
    for (int step = 0; step < 40; ++step) {
        if (level > 0) {
            // The sound pulses, so the beat preset sees beats.
            Play(screen, step % 10 < 2 ? level : level / 4, step);
        }
        screen.Advance(50);
        frames.push_back(screen.Colors());
    }
    return frames;
}

TEST(MatrixScreenTest, EveryLivePresetAnimatesAndDrawsItsOwnPicture) {
    std::set<std::vector<MatrixFrame>> seen;
    for (const int preset : kMatrixLivePresets) {
        MatrixScreen screen;
        const std::vector<MatrixFrame> frames =
            RunPreset(screen, preset, IsMatrixAudioPreset(preset) ? 0.8f : 0.0f);
        const std::set<MatrixFrame> distinct(frames.begin(), frames.end());
        EXPECT_GT(distinct.size(), 3u) << "preset " << preset << " hardly moves";
        EXPECT_TRUE(std::any_of(frames.begin(), frames.end(),
                                [](const MatrixFrame& f) { return Sum(f) > 0; }))
            << "preset " << preset << " stays dark";
        EXPECT_TRUE(seen.insert(frames).second) << "preset " << preset << " repeats another";
    }
}

TEST(MatrixScreenTest, AudioPresetsFollowTheSoundAndAreDarkInSilence) {
    for (int preset = kFirstAudioPreset; preset <= 27; ++preset) {
        MatrixScreen screen;
        screen.SetPresetMode(preset);
        Play(screen, 0.9f);
        screen.Advance(16);
        screen.Advance(16);
        EXPECT_GT(Sum(screen.Colors()), 0) << "preset " << preset;
        Play(screen, 0.0f);
        // Peaks fall and flashes fade within a few seconds.
        for (int i = 0; i < 200; ++i) {
            screen.Advance(16);
        }
        EXPECT_EQ(Sum(screen.Colors()), 0) << "preset " << preset;
    }
}

TEST(MatrixScreenTest, TheLevelMeterGrowsWithTheLevelAndTheAmplitude) {
    MatrixScreen screen;
    screen.SetPresetMode(22);
    screen.SetMatrixScreenColorful(false);
    screen.SetMatrixScreenColor(0x00FF00);
    auto litAt = [&](float level, float amplitude) {
        screen.SetAudioAmplitude(amplitude);
        Play(screen, level);
        screen.Advance(16);
        const MatrixFrame f = screen.Colors();
        return std::count_if(f.begin(), f.end(), [](uint32_t c) { return c == 0x00FF00; });
    };
    EXPECT_LT(litAt(0.2f, 50), litAt(0.6f, 50));
    EXPECT_LT(litAt(0.2f, 50), litAt(0.2f, 100));
    EXPECT_EQ(litAt(0.5f, 0), 0);
}

TEST(MatrixScreenTest, BrightnessAndTheSingleColourShapeEveryLivePreset) {
    for (const int preset : kMatrixLivePresets) {
        MatrixScreen screen;
        screen.SetMatrixScreenColorful(false);
        screen.SetMatrixScreenColor(0x0000FF);  // red only
        for (const MatrixFrame& frame :
             RunPreset(screen, preset, IsMatrixAudioPreset(preset) ? 0.8f : 0.0f)) {
            for (const uint32_t c : frame) {
                // A single colour shows as itself, dimmer, or mixed with white (peaks, sparks).
                EXPECT_TRUE(colour::Green(c) == colour::Blue(c) &&
                            colour::Red(c) >= colour::Green(c))
                    << "preset " << preset << " colour " << std::hex << c;
            }
        }
        screen.SetBrightness(0.0f);
        screen.Advance(50);
        EXPECT_EQ(Sum(screen.Colors()), 0) << "preset " << preset;
    }
}

TEST(MatrixScreenTest, PaintedColoursStayWhateverTheTimeAndBrightness) {
    MatrixScreen screen;
    screen.SetPresetMode(kMatrixPresetPainted);
    screen.SetMatrixScreenColor(0x123456);
    EXPECT_TRUE(screen.PaintLed(0));
    EXPECT_TRUE(screen.PaintLed(48));
    EXPECT_FALSE(screen.PaintLed(49));
    EXPECT_FALSE(screen.PaintLed(-1));
    screen.SetBrightness(0.1f);
    screen.Advance(1000);
    const std::vector<MatrixItem> items = screen.GetKeyItems();
    ASSERT_EQ(items.size(), 49u);
    EXPECT_EQ(items[0].color, 0x123456u);
    EXPECT_EQ(items[48].index, 48);
    EXPECT_EQ(items[48].color, 0x123456u);

    // The keyboard's colours come in under the LEDs painted since.
    MatrixFrame keyboard;
    keyboard.fill(0x0000FF);
    const MatrixFrame shown = screen.MergeUnpainted(keyboard);
    EXPECT_EQ(shown[0], 0x123456u);
    EXPECT_EQ(shown[1], 0x0000FFu);
    EXPECT_EQ(screen.MergeUnpainted(MatrixFrame{})[0], 0u) << "nothing painted any more";
}

TEST(MatrixScreenTest, SpeedRunsTheAnimationFasterOrSlower) {
    auto frameAfter = [](int speed, double ms) {
        MatrixScreen screen;
        screen.SetPresetMode(4);
        screen.SetAnimationSpeed(speed);
        screen.Advance(ms);
        return screen.Colors();
    };
    EXPECT_EQ(frameAfter(6, 500), frameAfter(3, 1000));
    EXPECT_NE(frameAfter(1, 1000), frameAfter(3, 1000));
}

}  // namespace
}  // namespace zanvor
