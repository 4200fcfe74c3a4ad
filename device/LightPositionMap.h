#pragma once

#include <array>
#include <map>

namespace zanvor {

// Where each key's LED sits in the keyboard's per-key colour tables. The keyboard reports its
// LED positions when it connects (command 0x32); the map is rebuilt from that answer at every
// connection and is empty before the first one. LED positions are not key indices: a keyboard
// numbers its LEDs in its own order.
struct LightPositionMap {
    // Highest LED position the keyboard can report (0xFF means "no LED").
    static constexpr int kLedCount = 255;

    // Key code → LED position, for writing colour tables. Also holds the side lights of models
    // with light bars, whose positions may lie beyond the 128 positions a table carries.
    std::map<int, int> codeToLed;
    // LED position → key code, for reading colour tables; 0 where no key has that LED.
    std::array<int, kLedCount> ledToCode{};
    // True once a keyboard answered with its positions.
    bool read = false;

    // The LED of a key code, -1 when it has none.
    int LedOf(int code) const {
        const auto it = codeToLed.find(code);
        return it == codeToLed.end() ? -1 : it->second;
    }
    // The key code at an LED position, 0 when none.
    int CodeAt(int led) const { return led >= 0 && led < kLedCount ? ledToCode[led] : 0; }
    void Clear() {
        codeToLed.clear();
        ledToCode.fill(0);
        read = false;
    }
};

}  // namespace zanvor
