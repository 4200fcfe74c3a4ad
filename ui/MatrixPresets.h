#pragma once

// The animations of the matrix screen's live mode: one frame of 49 colours from the effect
// time, the colour settings and the sound.

#include <array>
#include <cstddef>
#include <cstdint>

namespace zanvor {

inline constexpr int kMatrixLedCount = 49;
inline constexpr int kMatrixBandCount = 7;
inline constexpr int kMatrixWaveLength = 512;
using MatrixFrame = std::array<uint32_t, kMatrixLedCount>;  // 0x00BBGGRR, left to right

// Preset numbers: 0 the keyboard runs a built-in mode (the picture previews its colour), 1 the
// painted colours; the live presets follow, and those from 22 up follow the sound.
inline constexpr int kMatrixPresetBuiltIn = 0;
inline constexpr int kMatrixPresetPainted = 1;
// The screen is off: the picture stays dark.
inline constexpr int kMatrixPresetDark = -1;
inline constexpr int kFirstAudioPreset = 22;

// The live presets in the order the preset list shows them; their names are the text ids
// 921, 922, ... in the same order.
inline constexpr std::array<int, 18> kMatrixLivePresets = {4, 22, 23, 24, 25, 26, 27, 2,  6,
                                                           7, 8,  9,  10, 12, 13, 14, 16, 21};
inline constexpr int kMatrixPresetNameFirst = 921;
bool IsMatrixLivePreset(int preset);
constexpr bool IsMatrixAudioPreset(int preset) {
    return preset >= kFirstAudioPreset;
}

// What a preset draws from.
struct MatrixPresetInput {
    double seconds = 0;                           // effect time: wall time scaled by the speed
    uint32_t color = 0x0000FF;                    // the single colour
    bool colorful = true;                         // rainbow colours instead of the single colour
    double brightness = 1;                        // 0..1
    double gain = 1;                              // sound amplification (the amplitude slider / 50)
    std::array<float, kMatrixBandCount> bands{};  // 0..1, low to high
    float volume = 1;
    std::array<float, kMatrixWaveLength> wave{};  // (value, value) pairs, newest last
};

// What a preset remembers between frames (peaks, beats).
struct MatrixPresetState {
    double lastSeconds = 0;
    double peak = 0;  // the level meter's falling peak, 0..1
    double bassAverage = 0;
    double flash = 0;  // the beat flash's envelope, 0..1
    int beats = 0;     // beats seen (each gets the next hue)
};

// Draws one frame of a preset; unknown presets draw the built-in preview (the colour, or a
// still rainbow when colourful). The painted preset is not drawn here.
void DrawMatrixPreset(int preset, const MatrixPresetInput& input, MatrixPresetState& state,
                      MatrixFrame& out);

}  // namespace zanvor
