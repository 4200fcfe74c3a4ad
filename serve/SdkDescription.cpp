#include "serve/SdkDescription.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "lighting/LightRows.h"

namespace zanvor {

namespace {

constexpr int kKnobCode = 0xFF;
// The main zone's built-in modes; the custom per-key sets above them are stored sets, not
// effects of the keyboard.
constexpr int kBuiltInModeLast = 20;

const char* BarName(SideBar bar) {
    switch (bar) {
        case SideBar::Left:
            return "Left light bar";
        case SideBar::Top:
            return "Top light bar";
        case SideBar::Right:
            return "Right light bar";
        case SideBar::MatrixBar:
            break;
    }
    return "Light bar";
}

SdkMode DirectMode() {
    SdkMode mode;
    mode.name = "Direct";
    mode.value = kSdkDirectModeValue;
    mode.flags = kSdkModeHasPerLedColor;
    mode.colorMode = kSdkColorPerLed;
    return mode;
}

SdkMode BuiltInMode(const LightData& row, const DeviceInfo& info, const std::string& name) {
    SdkMode mode;
    mode.name = name;
    mode.value = row.mode;
    const int flags = row.config_func;
    if (flags & kLightHasSpeed) {
        mode.flags |= kSdkModeHasSpeed;
        mode.speedMin = 1;
        mode.speedMax = static_cast<uint32_t>(std::max(info.mainMaxSpeed, 1));
        mode.speed =
            static_cast<uint32_t>(std::clamp(row.speed, 1, std::max(info.mainMaxSpeed, 1)));
    }
    if (flags & kLightHasBrightness) {
        mode.flags |= kSdkModeHasBrightness;
        mode.brightnessMax = static_cast<uint32_t>(std::max(info.mainMaxBrightness, 0));
        mode.brightness = static_cast<uint32_t>(
            std::clamp(row.brightness, 0, std::max(info.mainMaxBrightness, 0)));
    }
    if (flags & kLightHasDirectionA) {
        mode.flags |= kSdkModeHasDirectionLR;
        mode.direction =
            row.direction == kSdkDirectionRight ? kSdkDirectionRight : kSdkDirectionLeft;
    } else if (flags & kLightHasDirectionB) {
        mode.flags |= kSdkModeHasDirectionUD;
        mode.direction = row.direction == kSdkDirectionUp ? kSdkDirectionUp : kSdkDirectionDown;
    }
    if (flags & kLightHasColorButton) {
        // One colour of the user's, or the keyboard's own colours (the colourful box).
        mode.flags |= kSdkModeHasModeSpecificColor | kSdkModeHasRandomColor;
        mode.colorsMin = 1;
        mode.colorsMax = 1;
        mode.colors = {static_cast<uint32_t>(row.color_value) & 0xFFFFFF};
        mode.colorMode = row.colorful == 1 ? kSdkColorRandom : kSdkColorModeSpecific;
    }
    return mode;
}

}  // namespace

SdkController DescribeKeyboard(const KeyboardFacts& facts) {
    SdkController c;
    c.type = kSdkDeviceKeyboard;
    c.name = facts.modelName;
    c.vendor = "Zanvor";
    c.description = facts.modelName + " keyboard";
    c.version = facts.info.firmwareText;
    c.serial = "";
    c.location = facts.connectionMode == 1 ? "2.4 GHz receiver" : "USB cable";

    // Keys: every layout key but the knob, in file order, placed in the layout's grid.
    SdkZone keys;
    keys.name = "Keys";
    keys.type = kSdkZoneMatrix;
    const int rows = std::clamp(facts.layout.keyboard.rowCount, 0, kMatrixRows);
    const int columns = std::clamp(facts.layout.keyboard.colCount, 0, kMatrixColumns);
    SdkMatrixMap map;
    map.height = static_cast<uint32_t>(rows);
    map.width = static_cast<uint32_t>(columns);
    map.cells.assign(static_cast<size_t>(rows * columns), kSdkNoLed);
    for (const LayoutKey& key : facts.layout.keys) {
        if (key.code == kKnobCode) {
            continue;
        }
        const uint32_t index = static_cast<uint32_t>(c.leds.size());
        c.leds.push_back({key.name, static_cast<uint32_t>(key.code)});
        if (key.row >= 0 && key.row < rows && key.column >= 0 && key.column < columns) {
            map.cells[static_cast<size_t>(key.row * columns + key.column)] = index;
        }
    }
    keys.ledsCount = static_cast<uint32_t>(c.leds.size());
    if (rows > 0 && columns > 0) {
        keys.matrix = std::move(map);
    }
    c.zones.push_back(std::move(keys));

    // Light bars: a light shared by two bars belongs to the later one, where the keyboard
    // places it.
    const std::vector<SideLightItem> items = SideLightItems(facts.deviceType);
    std::map<int, SideBar> barOf;
    for (const SideLightItem& item : items) {
        barOf[item.code] = item.bar;
    }
    std::vector<SideBar> order;
    for (const SideLightItem& item : items) {
        if (std::find(order.begin(), order.end(), item.bar) == order.end()) {
            order.push_back(item.bar);
        }
    }
    for (const SideBar bar : order) {
        SdkZone zone;
        zone.name = BarName(bar);
        zone.type = kSdkZoneLinear;
        for (const SideLightItem& item : items) {
            if (item.bar == bar && barOf[item.code] == bar) {
                ++zone.ledsCount;
                c.leds.push_back({zone.name + " " + std::to_string(zone.ledsCount),
                                  static_cast<uint32_t>(item.code)});
            }
        }
        if (zone.ledsCount > 0) {
            c.zones.push_back(std::move(zone));
        }
    }
    c.colors.assign(c.leds.size(), 0);

    // Modes: Direct, then the built-in modes in ascending order.
    c.modes.push_back(DirectMode());
    std::vector<LightData> rows0;
    for (const LightData& row : facts.mainRows) {
        if (row.type == kLightMain && row.mode >= 0 && row.mode <= kBuiltInModeLast) {
            rows0.push_back(row);
        }
    }
    std::sort(rows0.begin(), rows0.end(),
              [](const LightData& a, const LightData& b) { return a.mode < b.mode; });
    std::set<int> seen;
    for (const LightData& row : rows0) {
        if (!seen.insert(row.mode).second) {
            continue;
        }
        const int textId = std::atoi(row.name.c_str());
        std::string name = facts.text ? facts.text(textId) : std::string();
        if (name.empty()) {
            name = "Mode " + std::to_string(row.mode);
        }
        c.modes.push_back(BuiltInMode(row, facts.info, name));
    }
    // The active mode: the keyboard's main mode (mode 0 while lighting is off), else Direct.
    const int active = facts.lightingEnabled ? facts.activeMainMode : 0;
    c.activeMode = static_cast<int32_t>(kSdkDirectMode);
    for (size_t i = 1; i < c.modes.size(); ++i) {
        if (c.modes[i].value == active) {
            c.activeMode = static_cast<int32_t>(i);
        }
    }
    return c;
}

int KeyboardModeOf(const SdkController& controller, size_t modeIndex) {
    if (modeIndex == kSdkDirectMode || modeIndex >= controller.modes.size()) {
        return -1;
    }
    return controller.modes[modeIndex].value;
}

}  // namespace zanvor
