#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace zanvor {

// Vendor ID of every keyboard of the family.
inline constexpr uint16_t kZanvorVendorId = 0x36B0;

// One key of a virtual keyboard, as its layout file describes it.
struct SimKey {
    int usage = 0;         // the layout's `code`: key usage of the key's factory function
    int key_index = -1;    // entry of the key tables, 0..127
    int light_index = -1;  // LED position, 0..254 (-1: the key has no LED)
    int x = 0;             // centre of the key on the layout's picture, for drawn effects
    int y = 0;
};

// One way the keyboard can be reached (one HID vendor interface).
struct SimConnection {
    int mode = 0;  // 0 cable, 1 2.4 GHz receiver, 2 direct
    uint16_t vendor_id = kZanvorVendorId;
    uint16_t product_id = 0;
    std::string product_string;  // HID product string of the interface
};

// Everything the virtual keyboard needs to know about one model. Plain data: tests build it by
// hand, the catalogue adapter fills it from config.xml and the model's layout file.
struct VirtualKeyboardModel {
    int device_type = 0;
    std::string name;
    std::vector<SimConnection> connections;
    int report_length = 65;  // output and input report length, counting the report ID (65 or 33)
    std::vector<SimKey> keys;

    bool has_knob = false;
    bool has_matrix_screen = false;
    bool has_zone1 = false;
    bool has_zone2 = false;
    bool has_battery = false;

    uint16_t firmware_version = 0x0114;
    uint8_t lighting_protocol_version = 2;
    uint8_t macro_capacity_units = 16;  // macro memory in units of 256 bytes

    uint8_t main_max_brightness = 255;
    uint8_t main_max_speed = 5;
    uint8_t zone1_max_brightness = 255;
    uint8_t zone1_max_speed = 5;
    uint8_t zone2_max_brightness = 255;
    uint8_t zone2_max_speed = 5;
    uint8_t matrix_max_brightness = 100;
    uint8_t matrix_max_speed = 5;

    // Key-table entries of the three knob actions; -1 lets the keyboard pick free entries.
    std::array<int, 3> knob_indices{-1, -1, -1};

    // The connection of the given mode, or nullptr.
    const SimConnection* Connection(int mode) const;
    // The identity the keyboard itself reports (begin command, receiver link frames): the cable
    // connection's IDs, else the first connection's.
    uint16_t KeyboardVendorId() const;
    uint16_t KeyboardProductId() const;
};

// The three-byte factory action code of a key whose factory function is `usage`: a plain key
// is 10 00 usage, a modifier 10 mask 00, Fn 50 02 00, the ">-<" key 30 24 02, the calculator
// key 30 92 01. Returns false for codes that have no table entry (the knob, side lights).
bool FactoryActionCode(int usage, std::array<uint8_t, 3>& code);

// The LED position table of the keyboard (command 0x32): byte i = LED of key index i, 0xFF none.
std::array<uint8_t, 128> FactoryLedMap(const VirtualKeyboardModel& model);

// The key-table entries of the knob actions: the model's, or the three highest entries that no
// key uses. All -1 when the model has no knob.
std::array<int, 3> KnobIndices(const VirtualKeyboardModel& model);

}  // namespace zanvor
