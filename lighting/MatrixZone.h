#pragma once

// The matrix screen zone (light type 16): its rows in t_light_data and the tables the keyboard
// exchanges for it.
//
//   custom colours (mode 5), 147 bytes: LED n at bytes 3n, 3n+1, 3n+2 = red, green, blue
//   live frame (mode 0x80), 98 bytes:   LED n at bytes 2n (low), 2n+1 (high) = RGB565
//   parameter block bytes 29..37:       0x00, mode, brightness, speed byte, colourful,
//                                       colour index, red, green, blue

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "device/SessionState.h"
#include "store/Records.h"
#include "ui/MatrixPresets.h"

namespace zanvor {

class DataStore;

inline constexpr uint8_t kCommandMatrixPrepare = 0x3D;
inline constexpr uint8_t kCommandMatrixReadColors = 0x3A;
inline constexpr uint8_t kCommandMatrixWriteColors = 0x3B;
inline constexpr uint8_t kCommandMatrixFrame = 0x3C;
inline constexpr size_t kMatrixColorTableBytes = 3 * kMatrixLedCount;  // 147
inline constexpr size_t kMatrixFrameBytes = 2 * kMatrixLedCount;       // 98
using MatrixColorTable = std::array<uint8_t, kMatrixColorTableBytes>;
using MatrixFrameBytes = std::array<uint8_t, kMatrixFrameBytes>;

// Modes of the matrix zone: off, the painted custom colours and the live stream.
inline constexpr int kMatrixModeOff = 0;
inline constexpr int kMatrixModeCustom = 5;
inline constexpr int kMatrixModeLive = 0x80;
// The preset-list flag of a mode's parameters (config_func).
inline constexpr int kLightHasPresets = 0x400;
// The keyboard model whose matrix screen the program drives.
inline constexpr int kMatrixDeviceType = 102;

// Configuration values of a profile: the live mode's preset and the audio presets' amplitude.
inline constexpr const char* kMatrixPresetKey = "matrixlight_preset_mode";
inline constexpr const char* kMatrixAmplitudeKey = "matrixlight_amplitude";
inline constexpr int kDefaultMatrixPreset = 1;
inline constexpr int kDefaultMatrixAmplitude = 50;

// The eight default rows of the zone, in insertion order.
std::vector<LightData> DefaultMatrixRows(int profile);
// Inserts the default rows when the profile has no row of the zone and makes mode 0 active.
// True when the profile has rows of the zone afterwards.
bool EnsureMatrixRows(DataStore& store, int profile);

// 16-bit RGB565 of a colour (0x00BBGGRR): red >> 3 in bits 11..15, green >> 2 in bits 5..10,
// blue >> 3 in bits 0..4.
constexpr uint16_t Rgb565(uint32_t color) {
    const uint32_t red = color & 0xFF;
    const uint32_t green = (color >> 8) & 0xFF;
    const uint32_t blue = (color >> 16) & 0xFF;
    return static_cast<uint16_t>((red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3));
}

MatrixColorTable CustomColorTable(const MatrixFrame& colors);
MatrixFrame ColorsOfTable(const MatrixColorTable& table);
MatrixFrameBytes LiveFrame(const MatrixFrame& colors);

// The matrix zone's group from a row: mode, brightness, speed byte = maxSpeed - speed (on
// bytes), colourful, colour index and the colour.
void PatchMatrixGroup(ParameterBlock& block, const LightData& row, int maxSpeed);

}  // namespace zanvor
