#include "lighting/LightPositionMap.h"

#include <algorithm>
#include <array>

#include "device/DeviceManager.h"
#include "device/SessionState.h"

namespace zanvor {

namespace {

// A run of side-light codes and the LED of its first code.
struct SideLightRun {
    int firstCode;
    int lastCode;
    int firstLed;
};

constexpr std::array<SideLightRun, 3> kSideLights101 = {
    {{300, 308, 87}, {310, 331, 96}, {332, 340, 120}}};
constexpr std::array<SideLightRun, 1> kSideLights102 = {{{300, 326, 80}}};

void AddRuns(std::span<const SideLightRun> runs, LightPositionMap& map) {
    for (const SideLightRun& run : runs) {
        for (int code = run.firstCode; code <= run.lastCode; ++code) {
            map.codeToLed[code] = run.firstLed + (code - run.firstCode);
        }
    }
}

}  // namespace

LightPositionMap BuildLightPositionMap(std::span<const uint8_t> table, const KeyIndexMaps& keys,
                                       int deviceType) {
    LightPositionMap map;
    const size_t count = std::min(table.size(), keys.indexToUsage.size());
    for (size_t index = 0; index < count; ++index) {
        const uint8_t led = table[index];
        const int code = keys.indexToUsage[index];
        if (led == kNoLed || code <= 0) {
            continue;
        }
        map.codeToLed[code] = led;
        map.ledToCode[led] = code;
    }
    // The side lights are addressed for writing only; reading never maps an LED back to them.
    if (deviceType == 101) {
        AddRuns(kSideLights101, map);
    } else if (deviceType == 102) {
        AddRuns(kSideLights102, map);
    }
    map.read = true;
    return map;
}

bool ReadLightPositionMap(DeviceManager& devices, const KeyTables& tables, SessionState& session) {
    session.SetLightMap(LightPositionMap{});
    std::array<uint8_t, kLightPositionTableBytes> table{};
    if (!devices.WriteBlock(kCommandLightPositions, table)) {
        return false;
    }
    session.SetLightMap(
        BuildLightPositionMap(table, tables.IndexMaps(), session.currentDeviceType.load()));
    return true;
}

}  // namespace zanvor
