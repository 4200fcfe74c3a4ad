#include "lighting/LightParameters.h"

#include <string>
#include <utility>

#include "lighting/LightRows.h"
#include "store/DataStore.h"

namespace zanvor {

size_t LightGroupOffset(int type) {
    switch (type) {
        case kLightMain:
            return 1;
        case kLightZone2:
            return 11;
        case kLightZone1:
            return 20;
        case kLightMatrix:
            return 29;
        default:
            return 0;
    }
}

int MaxBrightnessOf(const DeviceInfo& info, int type) {
    switch (type) {
        case kLightMain:
            return info.mainMaxBrightness;
        case kLightZone1:
            return info.zone1MaxBrightness;
        default:
            return info.zone2MaxBrightness;
    }
}

int MaxSpeedOf(const DeviceInfo& info, int type) {
    switch (type) {
        case kLightMain:
            return info.mainMaxSpeed;
        case kLightZone1:
            return info.zone1MaxSpeed;
        default:
            return info.zone2MaxSpeed;
    }
}

void PutLightGroup(ParameterBlock& block, size_t offset, uint8_t mode, const LightData& row,
                   int maxSpeed) {
    const auto color = static_cast<uint32_t>(row.color_value);
    block[offset] = 0x00;
    block[offset + 1] = mode;
    block[offset + 2] = static_cast<uint8_t>(row.brightness);
    block[offset + 3] = static_cast<uint8_t>(maxSpeed - row.speed);
    block[offset + 4] = static_cast<uint8_t>(row.colorful);
    block[offset + 5] = static_cast<uint8_t>(row.colorindex);
    block[offset + 6] = RedOf(color);
    block[offset + 7] = GreenOf(color);
    block[offset + 8] = BlueOf(color);
}

bool PatchLightMode(ParameterBlock& block, int type, int mode, const LightData& row,
                    const DeviceInfo& info) {
    if (type != kLightMain && type != kLightZone1 && type != kLightZone2) {
        return false;
    }
    const uint8_t modeByte =
        type == kLightMain && IsCustomMode(mode) ? kCustomModeByte : static_cast<uint8_t>(row.mode);
    PutLightGroup(block, LightGroupOffset(type), modeByte, row, MaxSpeedOf(info, type));
    return true;
}

void PatchCustomLightMode(ParameterBlock& block, int mode, const LightData& row,
                          const DeviceInfo& info) {
    PutLightGroup(block, LightGroupOffset(kLightMain), kCustomModeByte, row, info.mainMaxSpeed);
    block[kCustomSetIndexByte] = static_cast<uint8_t>(mode - kCustomModeFirst);
}

DeviceLightModes ReadDeviceLightModes(const ParameterBlock& block) {
    DeviceLightModes modes;
    modes.main = block[2] >= kFirstUnknownModeByte ? kCustomModeFirst : block[2];
    // The set the keyboard shows, when it names one of the five.
    if (block[2] == kCustomModeByte && block[kCustomSetIndexByte] < kCustomSetCount) {
        modes.main = kCustomModeFirst + block[kCustomSetIndexByte];
    }
    modes.zone1 = block[21];
    modes.zone2 = block[12];
    return modes;
}

void AdoptDeviceLightModes(DataStore& store, int profile, const ParameterBlock& block) {
    const DeviceLightModes modes = ReadDeviceLightModes(block);
    // While the profile's lighting is off the keyboard shows mode 0: the marks keep the modes
    // that switching the lighting on brings back.
    std::string enabled;
    store.GetConfigValue(profile, "enable_light", enabled);
    const bool off = enabled != "1";
    for (const auto& [type, mode] :
         {std::pair{kLightMain, modes.main}, std::pair{kLightZone1, modes.zone1},
          std::pair{kLightZone2, modes.zone2}}) {
        if (!(off && mode == 0)) {
            store.SetActiveLightMode(profile, type, mode);
        }
    }
}

}  // namespace zanvor
