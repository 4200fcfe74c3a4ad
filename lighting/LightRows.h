#pragma once

// The light modes of every zone as rows of t_light_data, one per (profile, type, mode): the
// default rows of a profile, what their parameter flags mean and the custom per-key sets.

#include <cstdint>
#include <vector>

#include "store/Records.h"

namespace zanvor {

class DataStore;

// Light types (zones).
inline constexpr int kLightMain = 0;     // the per-key backlight
inline constexpr int kLightZone1 = 1;    // first extra zone
inline constexpr int kLightZone2 = 2;    // second extra zone
inline constexpr int kLightHidden = 10;  // rows created with the defaults, never shown or sent
inline constexpr int kLightMatrix = 16;  // the matrix screen zone

// Parameter flags of a mode (config_func): the controls its parameter panel shows.
inline constexpr int kLightHasBrightness = 0x001;
inline constexpr int kLightHasSpeed = 0x002;
inline constexpr int kLightHasDirectionA = 0x004;   // choices direction 1 and 0
inline constexpr int kLightHasDirectionB = 0x008;   // choices direction 2 and 3
inline constexpr int kLightHasPalette = 0x010;      // colour wheel, swatches, R/G/B fields
inline constexpr int kLightHasColorButton = 0x020;  // colour button and the colourful box
inline constexpr int kLightPerKey = 0x100;          // painted key by key

// The five custom per-key sets are modes 0x80..0x84 of the main zone; the mode list shows one
// entry (0x80) for all of them. Any mode from 0x80 up counts as custom.
inline constexpr int kCustomModeFirst = 0x80;
inline constexpr int kCustomSetCount = 5;
inline constexpr int kCustomModeLast = kCustomModeFirst + kCustomSetCount - 1;
constexpr bool IsCustomMode(int mode) {
    return mode >= kCustomModeFirst;
}
constexpr bool IsCustomSet(int mode) {
    return mode >= kCustomModeFirst && mode <= kCustomModeLast;
}
// Commands reading and writing the 384-byte colour table of a custom set (0x80: 0x22, 0x23).
constexpr uint8_t CustomSetReadCommand(int mode) {
    return static_cast<uint8_t>(0x22 + 2 * (mode - kCustomModeFirst));
}
constexpr uint8_t CustomSetWriteCommand(int mode) {
    return static_cast<uint8_t>(0x23 + 2 * (mode - kCustomModeFirst));
}
// Text ids of the custom sets' names (180..184) and of the mode list's custom entry.
constexpr int CustomSetNameId(int mode) {
    return 180 + (mode - kCustomModeFirst);
}

// Values every default row starts with.
inline constexpr int kDefaultBrightness = 200;
inline constexpr int kDefaultSpeed = 3;
inline constexpr int kDefaultColor = 0x0000FF;  // red (0x00BBGGRR)
// The keyboard model whose zone 2 mode 4 has no colour button or colourful box.
inline constexpr int kPlainZone2DeviceType = 103;

// The 41 default rows of a profile, in insertion order (type 0 first, modes ascending).
std::vector<LightData> DefaultLightRows(int profile, int deviceType);

// Inserts the default rows when the profile has none and makes mode 1 active for types 0, 1
// and 2 (type 10 gets no active mode). True when the profile has rows afterwards.
bool EnsureDefaultLightRows(DataStore& store, int profile, int deviceType);

// Colours are 0x00BBGGRR: red in the low byte.
constexpr uint8_t RedOf(uint32_t color) {
    return color & 0xFF;
}
constexpr uint8_t GreenOf(uint32_t color) {
    return (color >> 8) & 0xFF;
}
constexpr uint8_t BlueOf(uint32_t color) {
    return (color >> 16) & 0xFF;
}
constexpr uint32_t MakeColor(int red, int green, int blue) {
    return static_cast<uint32_t>(red & 0xFF) | static_cast<uint32_t>(green & 0xFF) << 8 |
           static_cast<uint32_t>(blue & 0xFF) << 16;
}

}  // namespace zanvor
