#include "lighting/LightRows.h"

#include <string>

#include "store/DataStore.h"

namespace zanvor {

namespace {

LightData Row(int profile, int type, int mode, int nameId, int configFunc) {
    LightData row;
    row.profile = profile;
    row.name = std::to_string(nameId);
    row.type = type;
    row.mode = mode;
    row.brightness = kDefaultBrightness;
    row.speed = kDefaultSpeed;
    row.direction = 0;
    row.colorful = 1;
    row.colorindex = 0;
    row.color_value = kDefaultColor;
    row.config_func = configFunc;
    return row;
}

// Parameter flags of the main zone's built-in modes 0..20.
constexpr int kMainModeFlags[21] = {0x000, 0x033, 0x003, 0x033, 0x031, 0x033, 0x003,
                                    0x033, 0x033, 0x033, 0x033, 0x033, 0x003, 0x033,
                                    0x033, 0x033, 0x033, 0x033, 0x033, 0x033, 0x033};
// Parameter flags of the extra zones' modes 0..4.
constexpr int kZoneModeFlags[5] = {0x033, 0x033, 0x003, 0x033, 0x031};

}  // namespace

std::vector<LightData> DefaultLightRows(int profile, int deviceType) {
    std::vector<LightData> rows;
    for (int mode = 0; mode <= 20; ++mode) {
        rows.push_back(Row(profile, kLightMain, mode, 120 + mode, kMainModeFlags[mode]));
    }
    for (int mode = kCustomModeFirst; mode <= kCustomModeLast; ++mode) {
        rows.push_back(Row(profile, kLightMain, mode, 141, 0x111));
    }
    for (int mode = 0; mode <= 4; ++mode) {
        rows.push_back(Row(profile, kLightZone1, mode, 150 + mode, kZoneModeFlags[mode]));
    }
    for (int mode = 0; mode <= 4; ++mode) {
        int flags = kZoneModeFlags[mode];
        if (mode == 4 && deviceType == kPlainZone2DeviceType) {
            flags = 0x011;
        }
        rows.push_back(Row(profile, kLightZone2, mode, 160 + mode, flags));
    }
    for (int mode = 0; mode <= 4; ++mode) {
        rows.push_back(Row(profile, kLightHidden, mode, 160 + mode, kZoneModeFlags[mode]));
    }
    return rows;
}

bool EnsureDefaultLightRows(DataStore& store, int profile, int deviceType) {
    if (store.CountLightRows(profile) >= 1) {
        return true;
    }
    for (const LightData& row : DefaultLightRows(profile, deviceType)) {
        store.InsertLightRow(row);
    }
    for (const int type : {kLightMain, kLightZone1, kLightZone2}) {
        store.SetActiveLightMode(profile, type, 1);
    }
    return store.CountLightRows(profile) >= 1;
}

}  // namespace zanvor
