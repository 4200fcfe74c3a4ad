#pragma once

// The built-in light effects of the virtual keyboard's main zone, drawn into the colour table
// its live colour read returns, so the program's live mirror shows what a real keyboard would.

#include <array>
#include <cstdint>
#include <vector>

namespace zanvor {

// Where an LED sits on the keyboard, scaled to 0..1 across the keys.
struct LedSpot {
    int led = 0;  // 0..127
    double x = 0;
    double y = 0;
};

// The main zone's group of the parameter block (bytes 1..9) as the effect reads it.
struct LightGroup {
    uint8_t mode = 0;
    uint8_t brightness = 0;
    uint8_t speedByte = 0;  // 0 is the fastest
    bool colorful = false;
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

// What a mode draws: off, one colour, a breathing colour, the colour cycling through the
// spectrum, a band moving across the keys.
enum class LightEffect { kOff, kStatic, kBreathing, kSpectrum, kWave };
LightEffect EffectOfMode(uint8_t mode);

// Draws the effect of `group` at `seconds` into `out` (LED p at bytes 3p..3p+2), scaled by the
// brightness against the zone's maximum. LEDs without a spot stay dark.
void DrawLightEffect(const LightGroup& group, uint8_t maxBrightness,
                     const std::vector<LedSpot>& spots, double seconds,
                     std::array<uint8_t, 384>& out);

}  // namespace zanvor
