#pragma once

// What the lighting SDK protocol tells a client about one device (a "controller"): its texts,
// modes, zones, LEDs and colours, and how that description is written for protocol versions
// 0 to 4. Colours are 0x00BBGGRR, as everywhere in the program.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "serve/SdkPacket.h"

namespace zanvor {

inline constexpr int32_t kSdkDeviceKeyboard = 5;

enum SdkZoneType : int32_t { kSdkZoneSingle = 0, kSdkZoneLinear = 1, kSdkZoneMatrix = 2 };
// A matrix cell where no LED sits.
inline constexpr uint32_t kSdkNoLed = 0xFFFFFFFF;

// Mode flags.
inline constexpr uint32_t kSdkModeHasSpeed = 1u << 0;
inline constexpr uint32_t kSdkModeHasDirectionLR = 1u << 1;
inline constexpr uint32_t kSdkModeHasDirectionUD = 1u << 2;
inline constexpr uint32_t kSdkModeHasDirectionHV = 1u << 3;
inline constexpr uint32_t kSdkModeHasBrightness = 1u << 4;
inline constexpr uint32_t kSdkModeHasPerLedColor = 1u << 5;
inline constexpr uint32_t kSdkModeHasModeSpecificColor = 1u << 6;
inline constexpr uint32_t kSdkModeHasRandomColor = 1u << 7;

// Colour modes.
enum SdkColorMode : uint32_t {
    kSdkColorNone = 0,
    kSdkColorPerLed = 1,
    kSdkColorModeSpecific = 2,
    kSdkColorRandom = 3,
};

// Directions; the same numbers as the direction stored in a light row.
enum SdkDirection : uint32_t {
    kSdkDirectionLeft = 0,
    kSdkDirectionRight = 1,
    kSdkDirectionUp = 2,
    kSdkDirectionDown = 3,
};

struct SdkMode {
    std::string name;
    int32_t value = 0;  // the keyboard's own mode number; clients send it back unchanged
    uint32_t flags = 0;
    uint32_t speedMin = 0;
    uint32_t speedMax = 0;
    uint32_t brightnessMin = 0;  // protocol 3 and up
    uint32_t brightnessMax = 0;
    uint32_t colorsMin = 0;
    uint32_t colorsMax = 0;
    uint32_t speed = 0;
    uint32_t brightness = 0;
    uint32_t direction = 0;
    uint32_t colorMode = kSdkColorNone;
    std::vector<uint32_t> colors;

    bool operator==(const SdkMode&) const = default;
};

struct SdkMatrixMap {
    uint32_t height = 0;
    uint32_t width = 0;
    std::vector<uint32_t> cells;  // row by row; LED index within the zone or kSdkNoLed
};

struct SdkZone {
    std::string name;
    int32_t type = kSdkZoneLinear;
    uint32_t ledsCount = 0;  // fixed: also the minimum and the maximum
    std::optional<SdkMatrixMap> matrix;
};

struct SdkLed {
    std::string name;
    uint32_t value = 0;  // the key code (usage) or light bar code of the LED
};

struct SdkController {
    int32_t type = kSdkDeviceKeyboard;
    std::string name;
    std::string vendor;  // protocol 1 and up
    std::string description;
    std::string version;
    std::string serial;
    std::string location;
    int32_t activeMode = 0;
    std::vector<SdkMode> modes;
    std::vector<SdkZone> zones;  // their LEDs follow each other in `leds`, zone by zone
    std::vector<SdkLed> leds;
    std::vector<uint32_t> colors;  // one per LED

    // The index of the first LED of a zone; nothing for a zone that does not exist.
    std::optional<size_t> ZoneStart(size_t zone) const;
};

// The controller data block (the answer to a controller data request), data size first, for a
// protocol version 0..4 (higher versions are written as 4).
std::vector<uint8_t> EncodeSdkController(const SdkController& controller, uint32_t version);

// One mode as the protocol writes it (also the body of a mode update).
void WriteSdkMode(SdkWriter& out, const SdkMode& mode, uint32_t version);
// Reads one mode; false when the data runs out or a count is impossible.
bool ReadSdkMode(SdkReader& in, SdkMode& mode, uint32_t version);

}  // namespace zanvor
