#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "LightFixture.h"
#include "lighting/LightParameters.h"
#include "support/Rows.h"
#include "ui/InstalledLanguages.h"
#include "ui/LanguageFile.h"

namespace zanvor::test {
namespace {

class LightRowsTest : public IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        ASSERT_TRUE(CreateFolders(DataFolder() + "db"));
        ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), "rows"));
    }
    void TearDown() override {
        store.CloseDatabase();
        IsolatedHomeTest::TearDown();
    }
    DataStore store;
};

TEST_F(LightRowsTest, ANewProfileGets41RowsWithMode1ActiveInTheShownZones) {
    ASSERT_TRUE(EnsureDefaultLightRows(store, 4, 101));
    EXPECT_EQ(store.CountLightRows(4), 41);
    EXPECT_EQ(store.GetActiveLightMode(4, kLightMain), 1);
    EXPECT_EQ(store.GetActiveLightMode(4, kLightZone1), 1);
    EXPECT_EQ(store.GetActiveLightMode(4, kLightZone2), 1);
    EXPECT_EQ(store.GetActiveLightMode(4, kLightHidden), 0);
    std::vector<LightData> hidden;
    ASSERT_EQ(store.ListLightRows(4, kLightHidden, hidden), 5);
    for (const LightData& row : hidden) {
        EXPECT_EQ(row.status, 0);
    }

    // The rows of one mode as stored: defaults, name and flags.
    LightData wave;
    ASSERT_TRUE(store.GetLightRow(4, kLightMain, 3, wave));
    EXPECT_EQ(wave.name, "123");
    EXPECT_EQ(wave.brightness, 200);
    EXPECT_EQ(wave.speed, 3);
    EXPECT_EQ(wave.colorful, 1);
    EXPECT_EQ(wave.color_value, 0x0000FF);
    EXPECT_EQ(wave.config_func, 0x033);

    // A second call (the rows exist) adds nothing and keeps the user's choice.
    store.SetActiveLightMode(4, kLightMain, 7);
    EnsureDefaultLightRows(store, 4, 101);
    EXPECT_EQ(store.CountLightRows(4), 41);
    EXPECT_EQ(store.GetActiveLightMode(4, kLightMain), 7);
}

TEST_F(LightRowsTest, ParameterFlagsFollowTheModeTable) {
    struct Case {
        int deviceType;
        int type;
        int mode;
        int flags;
    };
    const Case cases[] = {
        {101, 0, 0, 0x000},  {101, 0, 2, 0x003},    {101, 0, 4, 0x031},    {101, 0, 12, 0x003},
        {101, 0, 20, 0x033}, {101, 0, 0x80, 0x111}, {101, 0, 0x84, 0x111}, {101, 1, 0, 0x033},
        {101, 1, 4, 0x031},  {101, 2, 4, 0x031},    {103, 2, 4, 0x011},    {103, 10, 4, 0x031},
    };
    test::ForEachRow(cases, [&](const Case& c) {
        const std::vector<LightData> rows = DefaultLightRows(1, c.deviceType);
        const auto it = std::find_if(rows.begin(), rows.end(), [&](const LightData& row) {
            return row.type == c.type && row.mode == c.mode;
        });
        ASSERT_NE(it, rows.end()) << c.type << "/" << c.mode;
        EXPECT_EQ(it->config_func, c.flags) << c.deviceType << " " << c.type << "/" << c.mode;
    });
}

TEST(LightTextsTest, EveryModeSetDirectionAndSwatchNameIsInEveryLanguage) {
    std::set<int> ids;
    for (const LightData& row : DefaultLightRows(1, 101)) {
        ids.insert(std::stoi(row.name));
    }
    for (int mode = kCustomModeFirst; mode <= kCustomModeLast; ++mode) {
        ids.insert(CustomSetNameId(mode));
    }
    for (int id : {170, 171, 172, 173, 1630, 1631, 1632, 1633}) {
        ids.insert(id);
    }
    for (size_t i = 0; i < kLightSwatches.size(); ++i) {
        ids.insert(1640 + static_cast<int>(i));
    }
    const std::string folder = std::string(ZANVOR_SOURCE_DIR) + "/data/";
    const auto languages = FindInstalledLanguages(folder);
    ASSERT_GE(languages.size(), 9u);
    for (const InstalledLanguage& language : languages) {
        const std::string name = std::to_string(language.lcid) + ".lan";
        LanguageFile file;
        ASSERT_TRUE(LanguageFile::Load(folder + "language/" + name, file));
        for (int id : ids) {
            EXPECT_TRUE(file.Has("KB.DIALOG", std::to_string(id))) << name << " lacks " << id;
        }
    }
}

TEST(LightParametersTest, AWriteChangesOnlyTheZonesGroupWithTheSpeedInverted) {
    DeviceInfo info;
    info.mainMaxSpeed = 5;
    info.zone1MaxSpeed = 4;
    info.zone2MaxSpeed = 6;
    LightData row;
    row.mode = 3;
    row.brightness = 0x80;
    row.speed = 1;
    row.colorful = 0;
    row.colorindex = 2;
    row.color_value = 0x302010;  // red 0x10, green 0x20, blue 0x30
    struct Case {
        int type;
        int mode;
        int speed;
        size_t first;  // first byte of the group, 0: none
        Bytes group;
    };
    const Case cases[] = {
        {0, 3, 1, 1, {0x00, 0x03, 0x80, 0x04, 0x00, 0x02, 0x10, 0x20, 0x30}},
        {0, 3, 5, 1, {0x00, 0x03, 0x80, 0x00, 0x00, 0x02, 0x10, 0x20, 0x30}},
        {0, 0x81, 1, 1, {0x00, 0xFD, 0x80, 0x04, 0x00, 0x02, 0x10, 0x20, 0x30}},
        {1, 3, 1, 20, {0x00, 0x03, 0x80, 0x03, 0x00, 0x02, 0x10, 0x20, 0x30}},
        {2, 3, 1, 11, {0x00, 0x03, 0x80, 0x05, 0x00, 0x02, 0x10, 0x20, 0x30}},
        // A speed above the zone's maximum wraps on the byte, as the keyboard expects.
        {2, 3, 7, 11, {0x00, 0x03, 0x80, 0xFF, 0x00, 0x02, 0x10, 0x20, 0x30}},
        {10, 3, 1, 0, {}},
    };
    for (const Case& c : cases) {
        ParameterBlock block;
        for (size_t i = 0; i < block.size(); ++i) {
            block[i] = static_cast<uint8_t>(0xA0 + i);
        }
        const ParameterBlock before = block;
        row.speed = c.speed;
        EXPECT_EQ(PatchLightMode(block, c.type, c.mode, row, info), c.first != 0);
        for (size_t i = 0; i < block.size(); ++i) {
            const bool inGroup = c.first != 0 && i >= c.first && i < c.first + 9;
            const uint8_t expected = inGroup ? c.group[i - c.first] : before[i];
            EXPECT_EQ(block[i], expected) << "type " << c.type << " byte " << i;
        }
    }
}

TEST(LightParametersTest, ACustomSetIsMode0xFDWithItsIndexAndIsAdoptedAsThatSet) {
    DeviceInfo info;
    info.mainMaxSpeed = 5;
    LightData row;
    row.brightness = 200;
    row.speed = 3;
    row.colorful = 1;
    ParameterBlock block{};
    PatchCustomLightMode(block, 0x82, row, info);
    EXPECT_EQ(Bytes(block.begin(), block.begin() + 11),
              (Bytes{0x00, 0x00, 0xFD, 0xC8, 0x02, 0x01, 0x00, 0x00, 0x00, 0x00, 0x02}));

    struct Case {
        uint8_t mainByte;
        uint8_t setIndex;
        int adopted;
    };
    const Case cases[] = {{0xFD, 0, 0x80}, {0xFD, 2, 0x82}, {0xFD, 7, 0x80},
                          {0x1E, 2, 0x80}, {0x1D, 0, 0x1D}, {0, 0, 0}};
    for (const Case& c : cases) {
        block[2] = c.mainByte;
        block[10] = c.setIndex;
        block[21] = 4;
        block[12] = 2;
        const DeviceLightModes modes = ReadDeviceLightModes(block);
        EXPECT_EQ(modes.main, c.adopted) << int(c.mainByte) << "/" << int(c.setIndex);
        EXPECT_EQ(modes.zone1, 4);
        EXPECT_EQ(modes.zone2, 2);
    }
}

}  // namespace
}  // namespace zanvor::test
