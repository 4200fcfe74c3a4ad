#include "sim/LightEffects.h"

#include <algorithm>
#include <cmath>

namespace zanvor {

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

// Fully saturated colour of a hue in turns (0..1).
Rgb Hue(double turns) {
    const double h = (turns - std::floor(turns)) * 6.0;
    const double f = h - std::floor(h);
    switch (static_cast<int>(h)) {
        case 0:
            return {255, 255 * f, 0};
        case 1:
            return {255 * (1 - f), 255, 0};
        case 2:
            return {0, 255, 255 * f};
        case 3:
            return {0, 255 * (1 - f), 255};
        case 4:
            return {255 * f, 0, 255};
        default:
            return {255, 0, 255 * (1 - f)};
    }
}

// Seconds of one round of the effect: slower as the speed byte grows.
double Period(uint8_t speedByte) {
    return 1.2 + 0.9 * speedByte;
}

}  // namespace

LightEffect EffectOfMode(uint8_t mode) {
    switch (mode) {
        case 0:
            return LightEffect::kOff;
        case 1:
        case 16:
        case 17:
        case 18:
            return LightEffect::kBreathing;
        case 2:
        case 12:
            return LightEffect::kSpectrum;
        case 3:
        case 5:
        case 6:
        case 9:
        case 10:
        case 11:
        case 13:
        case 14:
        case 19:
            return LightEffect::kWave;
        default:
            return LightEffect::kStatic;
    }
}

void DrawLightEffect(const LightGroup& group, uint8_t maxBrightness,
                     const std::vector<LedSpot>& spots, double seconds,
                     std::array<uint8_t, 384>& out) {
    out.fill(0);
    const LightEffect effect = EffectOfMode(group.mode);
    if (effect == LightEffect::kOff) {
        return;
    }
    const double level =
        maxBrightness == 0 ? 1.0 : std::min(1.0, double(group.brightness) / maxBrightness);
    const double phase = seconds / Period(group.speedByte);
    const Rgb own{double(group.red), double(group.green), double(group.blue)};
    for (const LedSpot& spot : spots) {
        if (spot.led < 0 || spot.led >= 128) {
            continue;
        }
        Rgb color = own;
        double intensity = 1.0;
        switch (effect) {
            case LightEffect::kStatic:
                if (group.colorful) {
                    color = Hue(spot.x);
                }
                break;
            case LightEffect::kBreathing:
                intensity = 0.5 - 0.5 * std::cos(2 * kPi * phase);
                if (group.colorful) {
                    color = Hue(std::floor(phase) * 0.17);
                }
                break;
            case LightEffect::kSpectrum:
                color = Hue(phase * 0.5);
                break;
            case LightEffect::kWave:
                if (group.colorful) {
                    color = Hue(spot.x - phase);
                } else {
                    intensity = 0.5 + 0.5 * std::sin(2 * kPi * (spot.x - phase));
                }
                break;
            case LightEffect::kOff:
                break;
        }
        const auto channel = [&](double value) {
            return static_cast<uint8_t>(std::clamp(value * intensity * level, 0.0, 255.0));
        };
        const size_t at = 3 * static_cast<size_t>(spot.led);
        out[at] = channel(color.r);
        out[at + 1] = channel(color.g);
        out[at + 2] = channel(color.b);
    }
}

}  // namespace zanvor
