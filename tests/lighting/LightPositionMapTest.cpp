#include <gtest/gtest.h>

#include "LightFixture.h"
#include "lighting/LightPositionMap.h"

namespace zanvor::test {
namespace {

TEST(LightPositionMapTest, KeysTakeTheirLedFromTheTableAndSkipUnlitOrUnknownIndexes) {
    KeyIndexMaps keys;
    keys.indexToUsage[0] = 0x29;
    keys.indexToUsage[1] = 0x04;  // LED 0xFF: no LED
    keys.indexToUsage[2] = 0x05;
    keys.indexToUsage[4] = 0x06;                // index 3 stands for no key
    const Bytes table = {10, 0xFF, 3, 7, 200};  // bytes past the end count as 0xFF

    const LightPositionMap map = BuildLightPositionMap(table, keys, 103);

    EXPECT_TRUE(map.read);
    EXPECT_EQ(map.codeToLed, (std::map<int, int>{{0x29, 10}, {0x05, 3}, {0x06, 200}}));
    EXPECT_EQ(map.CodeAt(10), 0x29);
    EXPECT_EQ(map.CodeAt(3), 0x05);
    EXPECT_EQ(map.CodeAt(200), 0x06);
    EXPECT_EQ(map.CodeAt(7), 0) << "an LED whose key index has no key";
    EXPECT_EQ(map.CodeAt(1), 0);
    EXPECT_EQ(map.LedOf(0x04), -1);
    EXPECT_EQ(map.LedOf(300), -1) << "type 103 has no side lights";
}

TEST(LightPositionMapTest, SideLightsOfTheLightBarModelsAreAddedForWritingOnly) {
    struct Case {
        int deviceType;
        int code;
        int led;  // -1: none
    };
    const Case cases[] = {
        {101, 300, 87},  {101, 308, 95},  {101, 309, -1}, {101, 310, 96}, {101, 331, 117},
        {101, 332, 120}, {101, 340, 128}, {101, 341, -1}, {102, 300, 80}, {102, 326, 106},
        {102, 327, -1},  {102, 299, -1},  {160, 300, -1},
    };
    for (const Case& c : cases) {
        const LightPositionMap map = BuildLightPositionMap({}, KeyIndexMaps{}, c.deviceType);
        EXPECT_EQ(map.LedOf(c.code), c.led) << c.deviceType << " code " << c.code;
        if (c.led >= 0) {
            EXPECT_EQ(map.CodeAt(c.led), 0) << "reading never maps back to a side light";
        }
    }
}

class LightPositionReadTest : public LightDeviceTest {};

TEST_F(LightPositionReadTest, EveryLitKeyGetsTheLedTheKeyboardReportsNotItsKeyIndex) {
    for (const int deviceType : {102, 103}) {
        SCOPED_TRACE(deviceType);
        StartDevice(deviceType);

        ASSERT_TRUE(ReadLightPositionMap(*manager, tables, session));

        // Command 0x32 over 128 zero bytes, in chunks of 56.
        const std::vector<Received> writes = Writes();
        ASSERT_EQ(writes.size(), 3u);
        for (size_t i = 0; i < writes.size(); ++i) {
            EXPECT_EQ(writes[i].command, 0x32);
            EXPECT_EQ(writes[i].offset, static_cast<int>(56 * i));
            EXPECT_EQ(writes[i].data, Bytes(i < 2 ? 56 : 16, 0));
        }
        const LightPositionMap map = session.LightMap();
        int differing = 0;
        for (const LayoutKey& key : layout.keys) {
            if (key.code == 0xFF) {
                continue;  // the knob has no table entry, so no LED either
            }
            EXPECT_EQ(map.LedOf(key.code), key.lightIndex) << key.name;
            EXPECT_EQ(map.CodeAt(key.lightIndex), key.code) << key.name;
            differing += key.lightIndex != key.keyIndex ? 1 : 0;
        }
        // The model's LEDs are numbered in their own order, so a confusion of the two shows.
        EXPECT_GT(differing, 5);
        TearDown();
        SetUp();
    }
}

TEST_F(LightPositionReadTest, AFailedReadLeavesNoMapOfAnEarlierConnection) {
    StartDevice(103);
    ASSERT_TRUE(ReadLightPositionMap(*manager, tables, session));
    ASSERT_FALSE(session.LightMap().codeToLed.empty());

    sim->RefuseCommand(0x32, true);
    EXPECT_FALSE(ReadLightPositionMap(*manager, tables, session));
    EXPECT_FALSE(session.LightMap().read);
    EXPECT_TRUE(session.LightMap().codeToLed.empty());
}

}  // namespace
}  // namespace zanvor::test
