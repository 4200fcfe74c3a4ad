#include <gtest/gtest.h>

#include <map>

#include "device/KeyLayout.h"
#include "lighting/LightRows.h"
#include "serve/SdkDescription.h"

namespace zanvor::test {
namespace {

KeyboardFacts Nova(const std::string& layoutName = "nova75w", int deviceType = 101) {
    KeyboardFacts facts;
    facts.modelName = "Zanvor Nova 75 Wireless";
    facts.deviceType = deviceType;
    facts.info.firmwareText = "1a3";
    facts.info.mainMaxBrightness = 255;
    facts.info.mainMaxSpeed = 5;
    EXPECT_TRUE(ReadLayoutFile(
        std::string(ZANVOR_SOURCE_DIR) + "/data/layouts/" + layoutName + ".xml", facts.layout));
    facts.mainRows = DefaultLightRows(1, deviceType);
    facts.activeMainMode = 3;
    facts.text = [](int id) { return "text " + std::to_string(id); };
    return facts;
}

TEST(SdkDescriptionTest, KeysFormAMatrixZoneLaidOutLikeTheLayoutGrid) {
    const KeyboardFacts facts = Nova();
    const SdkController c = DescribeKeyboard(facts);
    EXPECT_EQ(c.type, kSdkDeviceKeyboard);
    EXPECT_EQ(c.name, "Zanvor Nova 75 Wireless");
    EXPECT_EQ(c.vendor, "Zanvor");
    EXPECT_EQ(c.version, "1a3");

    ASSERT_FALSE(c.zones.empty());
    const SdkZone& keys = c.zones[0];
    EXPECT_EQ(keys.type, kSdkZoneMatrix);
    ASSERT_TRUE(keys.matrix);
    EXPECT_EQ(keys.matrix->height, 6u);
    EXPECT_EQ(keys.matrix->width, 15u);
    ASSERT_EQ(keys.matrix->cells.size(), 6u * 15u);

    // Every key but the knob is an LED named like the key, found at its own grid cell; every
    // other cell is empty.
    std::map<size_t, size_t> cellOfLed;
    size_t placed = 0;
    for (size_t cell = 0; cell < keys.matrix->cells.size(); ++cell) {
        const uint32_t led = keys.matrix->cells[cell];
        if (led != kSdkNoLed) {
            ASSERT_LT(led, keys.ledsCount);
            cellOfLed[led] = cell;
            ++placed;
        }
    }
    size_t led = 0;
    for (const LayoutKey& key : facts.layout.keys) {
        if (key.code == 0xFF) {
            continue;
        }
        ASSERT_LT(led, c.leds.size());
        EXPECT_EQ(c.leds[led].name, key.name);
        EXPECT_EQ(c.leds[led].value, static_cast<uint32_t>(key.code));
        ASSERT_TRUE(cellOfLed.count(led)) << key.name;
        EXPECT_EQ(cellOfLed[led], static_cast<size_t>(key.row * 15 + key.column)) << key.name;
        ++led;
    }
    EXPECT_EQ(keys.ledsCount, led);
    EXPECT_EQ(placed, led);
    for (const SdkLed& l : c.leds) {
        EXPECT_NE(l.name, "Knob");
    }
    EXPECT_EQ(c.colors.size(), c.leds.size());
}

TEST(SdkDescriptionTest, EachLightBarIsALinearZoneOfItsOwnLights) {
    struct Case {
        const char* layout;
        int deviceType;
        std::vector<std::tuple<std::string, uint32_t, uint32_t>> bars;  // name, first, last code
    };
    const Case cases[] = {
        {"nova75w",
         101,
         {{"Left light bar", 300, 308},
          {"Top light bar", 310, 331},
          {"Right light bar", 332, 340}}},
        {"pulse_tkl", 102, {{"Light bar", 300, 326}}},
        {"vista96", 103, {}},
    };
    for (const Case& test : cases) {
        const SdkController c = DescribeKeyboard(Nova(test.layout, test.deviceType));
        ASSERT_EQ(c.zones.size(), 1 + test.bars.size()) << test.layout;
        size_t start = c.zones[0].ledsCount;
        for (size_t i = 0; i < test.bars.size(); ++i) {
            const auto& [name, first, last] = test.bars[i];
            const SdkZone& zone = c.zones[1 + i];
            EXPECT_EQ(zone.name, name);
            EXPECT_EQ(zone.type, kSdkZoneLinear);
            EXPECT_FALSE(zone.matrix);
            ASSERT_EQ(zone.ledsCount, last - first + 1) << name;
            EXPECT_EQ(c.ZoneStart(1 + i), start);
            for (uint32_t k = 0; k < zone.ledsCount; ++k) {
                EXPECT_EQ(c.leds[start + k].value, first + k) << name;
            }
            start += zone.ledsCount;
        }
        EXPECT_EQ(start, c.leds.size());
    }
}

TEST(SdkDescriptionTest, ModesAreDirectThenTheBuiltInModesWithTheirRangesAndParameters) {
    KeyboardFacts facts = Nova();
    // A stored colour and a single-colour choice must show; a speed outside the keyboard's range
    // is shown within it.
    for (LightData& row : facts.mainRows) {
        if (row.mode == 4) {
            row.colorful = 0;
            row.color_value = 0x00FF8000;
        }
        if (row.mode == 1) {
            row.speed = 9;
        }
    }
    const SdkController c = DescribeKeyboard(facts);
    ASSERT_EQ(c.modes.size(), 1u + 21u);  // Direct, modes 0..20; no custom sets
    EXPECT_EQ(c.modes[0].name, "Direct");
    EXPECT_EQ(c.modes[0].flags, kSdkModeHasPerLedColor);
    EXPECT_EQ(c.modes[0].colorMode, uint32_t{kSdkColorPerLed});
    for (size_t i = 1; i < c.modes.size(); ++i) {
        EXPECT_EQ(c.modes[i].value, static_cast<int32_t>(i - 1));
        EXPECT_EQ(c.modes[i].name, "text " + std::to_string(120 + i - 1));
        EXPECT_EQ(KeyboardModeOf(c, i), static_cast<int>(i - 1));
    }
    EXPECT_EQ(KeyboardModeOf(c, 0), -1);
    EXPECT_EQ(KeyboardModeOf(c, c.modes.size()), -1);

    const SdkMode& off = c.modes[1];  // mode 0: no parameters
    EXPECT_EQ(off.flags, 0u);
    EXPECT_EQ(off.colorMode, uint32_t{kSdkColorNone});

    const SdkMode& full = c.modes[2];  // mode 1, flags 0x033
    EXPECT_EQ(full.flags, kSdkModeHasSpeed | kSdkModeHasBrightness | kSdkModeHasModeSpecificColor |
                              kSdkModeHasRandomColor);
    EXPECT_EQ(full.speedMin, 1u);
    EXPECT_EQ(full.speedMax, 5u);
    EXPECT_EQ(full.speed, 5u);
    EXPECT_EQ(full.brightnessMin, 0u);
    EXPECT_EQ(full.brightnessMax, 255u);
    EXPECT_EQ(full.brightness, 200u);
    EXPECT_EQ(full.colorsMin, 1u);
    EXPECT_EQ(full.colorsMax, 1u);
    EXPECT_EQ(full.colorMode, uint32_t{kSdkColorRandom});  // colourful by default
    EXPECT_EQ(full.colors, std::vector<uint32_t>{0x0000FF});

    const SdkMode& plain = c.modes[3];  // mode 2, flags 0x003: no colour
    EXPECT_EQ(plain.flags, kSdkModeHasSpeed | kSdkModeHasBrightness);
    EXPECT_TRUE(plain.colors.empty());
    EXPECT_EQ(plain.colorsMax, 0u);

    const SdkMode& noSpeed = c.modes[5];  // mode 4, flags 0x031
    EXPECT_EQ(noSpeed.flags & kSdkModeHasSpeed, 0u);
    EXPECT_EQ(noSpeed.colorMode, uint32_t{kSdkColorModeSpecific});
    EXPECT_EQ(noSpeed.colors, std::vector<uint32_t>{0x00FF8000});

    EXPECT_EQ(c.activeMode, 4);  // the keyboard's mode 3
    facts.lightingEnabled = false;
    EXPECT_EQ(DescribeKeyboard(facts).activeMode, 1);  // lighting off is mode 0
    facts.lightingEnabled = true;
    facts.activeMainMode = 0x80;  // a custom set: not a mode clients can pick
    EXPECT_EQ(DescribeKeyboard(facts).activeMode, 0);
}

TEST(SdkDescriptionTest, AKeyboardNotReadYetStillDescribesItself) {
    KeyboardFacts facts = Nova();
    facts.info = DeviceInfo{};
    facts.text = nullptr;
    const SdkController c = DescribeKeyboard(facts);
    const SdkMode& full = c.modes[2];
    EXPECT_EQ(full.name, "Mode 1");
    EXPECT_LE(full.speedMin, full.speedMax);
    EXPECT_LE(full.speed, full.speedMax);
    EXPECT_GE(full.speed, full.speedMin);
    EXPECT_LE(full.brightness, full.brightnessMax);
    // Whatever it holds, the description encodes to a block whose size field is its length.
    for (uint32_t version : {0u, 4u}) {
        const std::vector<uint8_t> block = EncodeSdkController(c, version);
        SdkReader in(block);
        EXPECT_EQ(in.U32(), block.size());
    }
}

}  // namespace
}  // namespace zanvor::test
