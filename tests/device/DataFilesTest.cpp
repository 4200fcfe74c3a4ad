// Every installed data file of the device catalogue is parsed and checked for the rules the
// program relies on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "device/DeviceCatalogue.h"
#include "device/KeyLayout.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

const std::string kData = std::string(ZANVOR_SOURCE_DIR) + "/data/";

DeviceCatalogue Catalogue() {
    DeviceCatalogue catalogue;
    EXPECT_TRUE(ReadCatalogueFile(kData, catalogue));
    return catalogue;
}

bool IsPng(const std::string& path) {
    return test::ReadFile(path).rfind("\x89PNG\r\n\x1a\n", 0) == 0;
}

TEST(DataFilesTest, ConfigNamesTheApplicationLanguagesAndHttpsLinks) {
    DeviceCatalogue catalogue = Catalogue();
    EXPECT_EQ(catalogue.software.name, "Zanvor HUB");
    EXPECT_FALSE(catalogue.software.version.empty());
    EXPECT_EQ(catalogue.languages,
              (std::vector<int>{1033, 1045, 1031, 1036, 3082, 1046, 1049, 2052, 1041}));
    EXPECT_FALSE(catalogue.software.website.empty());
    for (const std::string& url :
         {catalogue.software.website, catalogue.software.feedback, catalogue.software.faqs,
          catalogue.software.store, catalogue.software.upgrade}) {
        EXPECT_EQ(url.rfind("https://", 0), 0u) << url;
    }
    // The version text is appended directly to the update address.
    EXPECT_EQ(catalogue.software.upgrade.back(), '/');
}

TEST(DataFilesTest, ModelsAndConnectionsAreComplete) {
    DeviceCatalogue catalogue = Catalogue();
    std::set<int> types;
    for (const KeyboardEntry& keyboard : catalogue.keyboards) {
        SCOPED_TRACE(keyboard.name);
        EXPECT_FALSE(keyboard.name.empty());
        EXPECT_GE(keyboard.deviceType, 100);
        EXPECT_TRUE(types.insert(keyboard.deviceType).second) << "type listed twice";
        EXPECT_TRUE(IsPng(keyboard.imgConnected)) << keyboard.imgConnected;
        EXPECT_TRUE(IsPng(keyboard.imgDisconnected)) << keyboard.imgDisconnected;
        EXPECT_TRUE(std::filesystem::exists(LayoutFilePath(kData, keyboard.layoutName)));
    }
    // The product line: wireless 101, light bar 102, encoder display 103, a keys-only model.
    EXPECT_TRUE(types.count(101) && types.count(102) && types.count(103));
    EXPECT_TRUE(std::any_of(types.begin(), types.end(),
                            [](int type) { return type >= 150 && type <= 180; }));

    std::set<std::pair<int, int>> ids;
    std::map<int, std::set<int>> modes;
    for (const ConnectionEntry& entry : catalogue.connections) {
        SCOPED_TRACE(entry.hidInterface);
        EXPECT_EQ(entry.vendorId, 0x36B0);
        EXPECT_TRUE(ids.insert({entry.vendorId, entry.productId}).second) << "PID reused";
        EXPECT_TRUE(modes[entry.deviceType].insert(entry.mode).second) << "mode repeated";
        EXPECT_FALSE(entry.desc.empty());
        // The pattern is the upper-case bus:vendor:product segment of the sysfs path.
        char expected[32];
        std::snprintf(expected, sizeof expected, "/0003:%04X:%04X.", entry.vendorId,
                      entry.productId);
        EXPECT_EQ(entry.hidInterface, expected);
        EXPECT_EQ(UpperCasePath(entry.hidInterface), entry.hidInterface);
    }
    EXPECT_EQ(modes[101], (std::set<int>{kModeCable, kModeReceiver}));
    for (int type : types) {
        EXPECT_TRUE(modes[type].count(kModeCable)) << type;
    }
}

TEST(DataFilesTest, EveryLayoutIsConsistent) {
    DeviceCatalogue catalogue = Catalogue();
    ASSERT_FALSE(catalogue.keyboards.empty());
    for (const KeyboardEntry& keyboard : catalogue.keyboards) {
        SCOPED_TRACE(keyboard.layoutName);
        const int type = keyboard.deviceType;
        KeyLayout layout;
        KeyMaps maps;
        ASSERT_TRUE(LoadKeyMaps(LayoutFilePath(kData, keyboard.layoutName), type, maps, layout));

        const LayoutKeyboard& board = layout.keyboard;
        EXPECT_FALSE(board.image.empty());
        EXPECT_GT(board.width, 0);
        EXPECT_GT(board.height, 0);
        EXPECT_GE(board.xpos, 0);
        EXPECT_LE(board.xpos + board.width, 1400);  // inside the main window
        EXPECT_LE(board.ypos + board.height, 788);
        EXPECT_TRUE(board.rowCount > 0 && board.rowCount <= kMatrixRows);
        EXPECT_TRUE(board.colCount > 0 && board.colCount <= kMatrixColumns);
        ASSERT_GE(layout.keys.size(), 60u);

        std::set<int> codes;
        std::set<int> keyIndexes;
        std::set<int> lightIndexes;
        std::set<std::pair<int, int>> cells;
        for (const LayoutKey& key : layout.keys) {
            SCOPED_TRACE(key.name);
            EXPECT_TRUE(codes.insert(key.code).second) << "code repeated";
            EXPECT_TRUE(keyIndexes.insert(key.keyIndex).second) << "key_index repeated";
            EXPECT_TRUE(lightIndexes.insert(key.lightIndex).second) << "light_index repeated";
            EXPECT_TRUE(key.keyIndex >= 0 && key.keyIndex < 128);
            EXPECT_TRUE(key.lightIndex >= 0 && key.lightIndex < 128);
            if (type == 101) {
                EXPECT_LT(key.lightIndex, 87);  // 87 and up: the side bars
            }
            if (type == 102) {
                EXPECT_TRUE(key.lightIndex < 80 || key.lightIndex > 106);  // the light bar
            }
            EXPECT_FALSE(key.name.empty());
            EXPECT_FALSE(key.desc.empty());
            EXPECT_TRUE(key.code > 0 && key.code <= 0xFF);
            EXPECT_TRUE(key.row >= 0 && key.row < board.rowCount) << key.rowCol;
            EXPECT_TRUE(key.column >= 0 && key.column < board.colCount) << key.rowCol;
            EXPECT_TRUE(cells.insert({key.row, key.column}).second) << "matrix cell repeated";
            EXPECT_TRUE(key.rectWidth > 0 && key.rectHeight > 0);
            EXPECT_TRUE(key.rectLeft >= 0 && key.rectTop >= 0 &&
                        key.rectLeft + key.rectWidth <= board.width &&
                        key.rectTop + key.rectHeight <= board.height);
        }
        EXPECT_EQ(maps.fnDisabled, (std::set<int>{0xF0}));    // the Fn key
        EXPECT_EQ(codes.count(0xFF), type == 101 ? 1u : 0u);  // the knob
        // The fixed side lights add their codes without disturbing the keys': type 101 codes
        // 300-308 and 310-340, type 102 codes 300-326.
        const size_t sideCodes = type == 101 ? 9 + 31 : type == 102 ? 27 : 0;
        EXPECT_EQ(maps.codeToLightIndex.size(), codes.size() + sideCodes) << type;
    }
}

TEST(DataFilesTest, EncoderPositionOfType103IsItsHomeKey) {
    // The settings page draws the knob of type 103 over item 14 (usage 0x4A when off).
    DeviceCatalogue catalogue = Catalogue();
    const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, 103);
    ASSERT_NE(keyboard, nullptr);
    KeyLayout layout;
    ASSERT_TRUE(ReadLayoutFile(LayoutFilePath(kData, keyboard->layoutName), layout));
    ASSERT_GT(layout.keys.size(), 14u);
    EXPECT_EQ(layout.keys[14].code, 0x4A);
}

}  // namespace
}  // namespace zanvor
