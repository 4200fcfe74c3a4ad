#pragma once

// The light bytes of the keyboard's 64-byte parameter block. Each zone has a group of nine
// bytes: 0x00, mode, brightness, speed byte, colourful, colour index, red, green, blue.
//
//   byte 1..9    main zone (mode 0xFD while a custom per-key set is shown)
//   byte 10      custom set index 0..4
//   byte 11..19  zone 2
//   byte 20..28  zone 1
//   byte 29..37  matrix screen zone

#include <cstddef>
#include <cstdint>

#include "device/SessionState.h"
#include "store/Records.h"

namespace zanvor {

class DataStore;

// Mode byte of the main zone while a custom set is shown, and the byte holding the set.
inline constexpr uint8_t kCustomModeByte = 0xFD;
inline constexpr size_t kCustomSetIndexByte = 10;
// A main-zone mode byte from this value up counts as a custom set when it is adopted.
inline constexpr uint8_t kFirstUnknownModeByte = 0x1E;

// Offset of a light type's group in the block; 0 for types without one.
size_t LightGroupOffset(int type);
// The zone's maxima from the device information (the main zone's for type 0, zone 1's for
// type 1, zone 2's for any other type).
int MaxBrightnessOf(const DeviceInfo& info, int type);
int MaxSpeedOf(const DeviceInfo& info, int type);

// Fills the group at `offset` from a row: the mode byte given, brightness, speed byte =
// maxSpeed - speed (on bytes, so it wraps as the keyboard expects), colourful, colour index
// and the colour's red, green and blue.
void PutLightGroup(ParameterBlock& block, size_t offset, uint8_t mode, const LightData& row,
                   int maxSpeed);

// A built-in mode of one zone: patches only that zone's group (the main zone's mode byte is
// 0xFD for a custom mode) and leaves every other byte as read. False for a type without a
// group; the block is then unchanged.
bool PatchLightMode(ParameterBlock& block, int type, int mode, const LightData& row,
                    const DeviceInfo& info);
// A custom set of the main zone: the main group with mode byte 0xFD and byte 10 = the set's
// index (mode - 0x80).
void PatchCustomLightMode(ParameterBlock& block, int mode, const LightData& row,
                          const DeviceInfo& info);

// The active modes the keyboard reports in its block: main (byte 2; 0xFD as the custom set of
// byte 10, other values from 0x1E up as the first custom set), zone 1 (byte 21) and zone 2
// (byte 12).
struct DeviceLightModes {
    int main = 0;
    int zone1 = 0;
    int zone2 = 0;
};
DeviceLightModes ReadDeviceLightModes(const ParameterBlock& block);

// Makes the keyboard's modes the profile's active modes. A mode without a row leaves its type
// without an active mode; mode 0 of a profile whose lighting is off leaves the marks alone.
void AdoptDeviceLightModes(DataStore& store, int profile, const ParameterBlock& block);

}  // namespace zanvor
