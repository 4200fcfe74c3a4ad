#pragma once

// Arithmetic on 0x00BBGGRR colours for the pictures that compute their own light effects.

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace zanvor::colour {

inline int Red(uint32_t c) {
    return static_cast<int>(c & 0xFF);
}
inline int Green(uint32_t c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
inline int Blue(uint32_t c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
// Channels outside 0..255 are clamped.
inline uint32_t Rgb(int r, int g, int b) {
    auto clamp = [](int v) { return static_cast<uint32_t>(std::clamp(v, 0, 255)); };
    return clamp(r) | clamp(g) << 8 | clamp(b) << 16;
}
inline uint32_t Scale(uint32_t c, double f) {
    return Rgb(static_cast<int>(Red(c) * f), static_cast<int>(Green(c) * f),
               static_cast<int>(Blue(c) * f));
}
inline uint32_t Add(uint32_t a, uint32_t b) {
    return Rgb(Red(a) + Red(b), Green(a) + Green(b), Blue(a) + Blue(b));
}
inline uint32_t Mix(uint32_t a, uint32_t b, double t) {
    return Add(Scale(a, 1 - t), Scale(b, t));
}
// A fully saturated colour of a hue in degrees (any value, taken modulo 360).
inline uint32_t Hue(double degrees) {
    const double h = std::fmod(std::fmod(degrees, 360.0) + 360.0, 360.0) / 60.0;
    const int sector = static_cast<int>(h);
    const int rise = static_cast<int>((h - sector) * 255);
    switch (sector) {
        case 0:
            return Rgb(255, rise, 0);
        case 1:
            return Rgb(255 - rise, 255, 0);
        case 2:
            return Rgb(0, 255, rise);
        case 3:
            return Rgb(0, 255 - rise, 255);
        case 4:
            return Rgb(rise, 0, 255);
        default:
            return Rgb(255, 0, 255 - rise);
    }
}
// A number 0..1 that changes with its arguments but not between calls.
inline double Hash(uint32_t a, uint32_t b) {
    uint32_t x = a * 0x9E3779B1u ^ (b + 0x7F4A7C15u) * 0x85EBCA77u;
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    return (x & 0xFFFF) / 65535.0;
}

}  // namespace zanvor::colour
