#pragma once

#include <cstdint>
#include <optional>

#include "store/Records.h"

namespace zanvor {

// Settings of a light mode given from outside the page (the command line); those left empty
// keep the stored value.
struct LightModeSettings {
    std::optional<int> brightness;
    std::optional<int> speed;
    std::optional<uint32_t> color;  // 0x00BBGGRR
    std::optional<bool> colorful;
    std::optional<int> direction;
};

// Puts the given settings into a mode's row. A colour given is a single colour, as a pick on
// the page is, unless colourful is given too.
inline void ApplyLightModeSettings(const LightModeSettings& settings, LightData& row) {
    if (settings.brightness) {
        row.brightness = *settings.brightness;
    }
    if (settings.speed) {
        row.speed = *settings.speed;
    }
    if (settings.color) {
        row.color_value = static_cast<int>(*settings.color & 0xFFFFFF);
        row.colorful = 0;
    }
    if (settings.colorful) {
        row.colorful = *settings.colorful ? 1 : 0;
    }
    if (settings.direction) {
        row.direction = *settings.direction;
    }
}

}  // namespace zanvor
