#pragma once

// The light position map read when a keyboard connects: the keyboard's answer to command 0x32
// gives, for each key-table index, the LED position of that key.

#include <cstddef>
#include <cstdint>
#include <span>

#include "device/LightPositionMap.h"
#include "keys/KeyTables.h"

namespace zanvor {

class DeviceManager;
class SessionState;

inline constexpr uint8_t kCommandLightPositions = 0x32;
inline constexpr size_t kLightPositionTableBytes = 128;
// Table byte of a key index that has no LED.
inline constexpr uint8_t kNoLed = 0xFF;

// Builds the map from the keyboard's table (byte i = LED of key index i) and the key index map
// (index → key code): a key index without a key or with LED 0xFF gets no entry. Models with
// side light bars add their bars' LEDs for writing only (type 101: codes 300-308 → 87-95,
// 310-331 → 96-117, 332-340 → 120-128; type 102: 300-326 → 80-106). Bytes past the table's
// end count as 0xFF.
LightPositionMap BuildLightPositionMap(std::span<const uint8_t> table, const KeyIndexMaps& keys,
                                       int deviceType);

// Connection read step (worker, inside the caller's begin/end): reads the keyboard's table and
// stores the map in the session. The session's map is emptied first, so a failed read leaves
// none. False when the transfer fails.
bool ReadLightPositionMap(DeviceManager& devices, const KeyTables& tables, SessionState& session);

}  // namespace zanvor
