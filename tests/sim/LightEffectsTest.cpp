#include <gtest/gtest.h>

#include "sim/LightEffects.h"

namespace zanvor {
namespace {

using Table = std::array<uint8_t, 384>;

// Three LEDs across the keyboard: left, middle, right.
const std::vector<LedSpot> kSpots = {{0, 0.0, 0.5}, {7, 0.3, 0.5}, {20, 1.0, 0.5}};

LightGroup Group(uint8_t mode, bool colorful = false) {
    LightGroup group;
    group.mode = mode;
    group.brightness = 255;
    group.speedByte = 0;
    group.colorful = colorful;
    group.red = 100;
    group.green = 200;
    group.blue = 250;
    return group;
}

Table Draw(const LightGroup& group, double seconds, uint8_t maxBrightness = 255) {
    Table out;
    DrawLightEffect(group, maxBrightness, kSpots, seconds, out);
    return out;
}

std::array<uint8_t, 3> At(const Table& table, int led) {
    return {table[3 * led], table[3 * led + 1], table[3 * led + 2]};
}

TEST(LightEffectsTest, StaticAndOffShowTheirColourScaledByBrightness) {
    const Table lit = Draw(Group(4), 3.7);
    for (const LedSpot& spot : kSpots) {
        EXPECT_EQ(At(lit, spot.led), (std::array<uint8_t, 3>{100, 200, 250}));
    }
    EXPECT_EQ(At(lit, 1), (std::array<uint8_t, 3>{0, 0, 0})) << "an LED no key uses";
    LightGroup half = Group(4);
    half.brightness = 50;
    EXPECT_EQ(At(Draw(half, 0, 100), 7), (std::array<uint8_t, 3>{50, 100, 125}));
    EXPECT_EQ(Draw(Group(0), 1.0), Table{});
}

TEST(LightEffectsTest, BreathingRisesAndFallsOverItsPeriod) {
    const LightGroup breathing = Group(1);
    const int dark = At(Draw(breathing, 0.0), 7)[1];
    const int bright = At(Draw(breathing, 0.6), 7)[1];  // half of the fastest period, 1.2 s
    EXPECT_EQ(dark, 0);
    EXPECT_EQ(bright, 200);
    // The same moment on every key.
    EXPECT_EQ(At(Draw(breathing, 0.3), 0), At(Draw(breathing, 0.3), 20));
    // A slower speed stretches the period.
    LightGroup slow = breathing;
    slow.speedByte = 4;
    EXPECT_LT(At(Draw(slow, 0.6), 7)[1], bright);
}

TEST(LightEffectsTest, AWaveMovesAcrossTheKeys) {
    const LightGroup wave = Group(3);
    const Table now = Draw(wave, 0.0);
    EXPECT_NE(At(now, 0), At(now, 7)) << "keys across the board differ at one moment";
    // A quarter period later the same key shows another part of the wave.
    const Table later = Draw(wave, 0.3);
    EXPECT_NE(At(now, 0), At(later, 0));
    // Multi-colour: a rainbow across the keys.
    const Table rainbow = Draw(Group(3, true), 0.0);
    EXPECT_NE(At(rainbow, 0), At(rainbow, 7));
    EXPECT_NE(At(rainbow, 7), At(rainbow, 20));
}

}  // namespace
}  // namespace zanvor
