#pragma once

// The reference model of the randomised simulation: what the keyboard and the database must
// hold after the operations a user performed, worked out from the keyboard's factory tables and
// the operations alone, never from the program's own pages.
//
// Every expectation is a set of allowed values: one value while everything went well, two (the
// state before and after) for a change that failed part-way, since a failed change may leave
// either the whole change or none of it. Observing the keyboard narrows a set to what it holds.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace zanvor::sim {

inline constexpr int kLayers = 4;
inline constexpr int kEntries = 128;
inline constexpr int kSets = 5;

using Entry = uint32_t;   // three bytes of a key-table entry, b0 << 16 | b1 << 8 | b2
using Colour = uint32_t;  // 0xRRGGBB
using EntrySet = std::set<Entry>;

inline Entry MakeEntry(uint8_t b0, uint8_t b1, uint8_t b2) {
    return static_cast<Entry>(b0) << 16 | static_cast<Entry>(b1) << 8 | b2;
}

// The key tables of one profile (or of the keyboard): allowed entries per layer and index.
struct Tables {
    std::array<std::array<EntrySet, kEntries>, kLayers> entries;

    void Merge(const Tables& other) {
        for (int l = 0; l < kLayers; ++l) {
            for (int i = 0; i < kEntries; ++i) {
                entries[l][i].insert(other.entries[l][i].begin(), other.entries[l][i].end());
            }
        }
    }
};

// The colours of one custom set at the LEDs that keys own (LED → colour).
using SetColours = std::map<int, Colour>;

struct ProfileModel {
    int id = 0;
    std::string name;  // "" when the program chose it (imports)
    Tables keys;
    // Colours stored for each custom set; each alternative is "none stored" or the colours.
    std::array<std::vector<std::optional<SetColours>>, kSets> stored;
    // The main zone's active mode as far as custom sets go: the set, or -1 for a built-in mode.
    std::set<int> mainCustom{-1};
};

// The keyboard as the model expects it.
struct KeyboardExpectation {
    Tables keys;
    // Allowed colours per custom set and LED.
    std::array<std::map<int, std::set<Colour>>, kSets> sets;
    // The main zone's mode as far as custom sets go: the set shown, or -1 a built-in mode.
    std::set<int> mainCustom{-1};
};

}  // namespace zanvor::sim
