#include "lighting/ColourFill.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <span>

namespace zanvor {

namespace {

uint32_t Rgb(int r, int g, int b) {
    return static_cast<uint32_t>(r) | static_cast<uint32_t>(g) << 8 |
           static_cast<uint32_t>(b) << 16;
}

void FillGradient(std::span<const uint32_t> table, int s, ColourImage& image) {
    const int n = static_cast<int>(table.size());
    for (int y = 1; y < kImageRows; ++y) {
        const int entry = std::clamp(static_cast<int>(n - n * y / 63.0), 0, n - 1);
        std::fill_n(image.begin() + y * kImageColumns, kImageColumns, ScaleColour(table[entry], s));
    }
    // The top row is the level meter, drawn outwards from the middle.
    for (int x = 0; x < kImageColumns; ++x) {
        const int entry =
            x >= 128 ? (x - 128) * n / 128 : std::min(static_cast<int>(n - n * x / 128.0), n - 1);
        PixelAt(image, 0, x) = ScaleColour(table[entry], s);
    }
}

// The hue wheel's angle at every pixel, around column 128, row 32, in whole degrees 0..359.
const std::array<int16_t, kImageRows * kImageColumns>& WheelAngles() {
    static const auto angles = [] {
        std::array<int16_t, kImageRows * kImageColumns> table{};
        for (int y = 0; y < kImageRows; ++y) {
            for (int x = 0; x < kImageColumns; ++x) {
                const double degrees = std::atan2(y - 32, x - 128) * 180.0 / std::numbers::pi;
                table[y * kImageColumns + x] =
                    static_cast<int16_t>(static_cast<int>(degrees + 180) % 360);
            }
        }
        return table;
    }();
    return angles;
}

}  // namespace

uint32_t HsvColour(int hue, int saturation, int value) {
    hue %= 360;
    if (hue < 0) {
        hue += 360;
    }
    const int sector = hue / 60;
    const int r = hue % 60;
    const int low = (256 - saturation) * value / 256;
    const int rising = value * ((r - 60) * saturation + 15360) / 15360;
    const int falling = value * (-r * saturation + 15360) / 15360;
    switch (sector) {
        case 0:
            return Rgb(value, rising, low);
        case 1:
            return Rgb(falling, value, low);
        case 2:
            return Rgb(low, value, rising);
        case 3:
            return Rgb(low, falling, value);
        case 4:
            return Rgb(rising, low, value);
        default:
            return Rgb(value, low, falling);
    }
}

uint32_t ScaleColour(uint32_t colour, int s) {
    const int r = static_cast<int>(colour & 0xFF) * s / 256;
    const int g = static_cast<int>((colour >> 8) & 0xFF) * s / 256;
    const int b = static_cast<int>((colour >> 16) & 0xFF) * s / 256;
    return Rgb(r, g, b);
}

void FillColourField(int type, int brightness, int hue, ColourImage& image) {
    const int s = static_cast<int>(brightness * 2.55);
    static constexpr uint32_t kGreenYellowRed[] = {0x00FF00, 0x00FFFF, 0x0000FF};
    static constexpr uint32_t kRedToBlue[] = {0x0000FF, 0x00FFFF, 0x00FF00,
                                              0xFFFF00, 0xFF0000, 0xFF00FF};
    static constexpr uint32_t kMagentaToRed[] = {0xFF00FF, 0xFF0000, 0xFFFF00,
                                                 0x00FF00, 0x00FFFF, 0x0000FF};
    auto solid = [&image, s](uint32_t colour) { image.fill(ScaleColour(colour, s)); };
    switch (type) {
        case kFillBlack:
            image.fill(0);
            break;
        case kFillGreenYellowRed:
            FillGradient(kGreenYellowRed, s, image);
            break;
        case kFillRedToBlue:
            FillGradient(kRedToBlue, s, image);
            break;
        case kFillMagentaToRed:
            FillGradient(kMagentaToRed, s, image);
            break;
        case kFillHueWheel: {
            // 360 colours at most: work them out once per frame.
            std::array<uint32_t, 360> colours;
            for (int a = 0; a < 360; ++a) {
                colours[a] = HsvColour(a + hue, 255, s);
            }
            const auto& angles = WheelAngles();
            for (size_t i = 0; i < image.size(); ++i) {
                image[i] = colours[angles[i]];
            }
            break;
        }
        case kFillCyclingColour:
            image.fill(HsvColour(hue, 255, s));
            break;
        case kFillWhite:
            solid(0xFFFFFF);
            break;
        case kFillRed:
            solid(0x0000FF);
            break;
        case kFillOrange:
            solid(0x0040FF);
            break;
        case kFillYellow:
            solid(0x00FFFF);
            break;
        case kFillGreen:
            solid(0x00FF00);
            break;
        case kFillBlue:
            solid(0xFF0000);
            break;
        case kFillRainbow:
            for (int x = 0; x < kImageColumns; ++x) {
                const double a = (static_cast<int>(1.4117647 * x - hue) % 360) / 360.0 * 2 * 3.14;
                const uint32_t colour =
                    ScaleColour(Rgb(static_cast<int>((std::sin(a) + 1) * 127),
                                    static_cast<int>((std::sin(a - 2.0933335) + 1) * 127),
                                    static_cast<int>((std::sin(a + 2.0933335) + 1) * 127)),
                                s);
                for (int y = 0; y < kImageRows; ++y) {
                    PixelAt(image, y, x) = colour;
                }
            }
            break;
        default:
            break;
    }
}

}  // namespace zanvor
