#include <gtest/gtest.h>

#include <algorithm>

#include "device/KeyLayout.h"
#include "support/TestHome.h"
#include "ui/AuroraEffect.h"
#include "ui/KeyboardCtrl.h"

namespace zanvor {
namespace {

// Five keys: row_col in both widths, positions outside the matrix, a code above one byte, a
// key with no row_col and the fn-layer flag in its accepted and ignored spellings.
constexpr const char* kLayout = R"(<?xml version="1.0" encoding="UTF-8"?>
<device.info>
  <Keyboard bk_color="2A2622" xpos="228" ypos="200" width="400" height="200" image="kb.png"
            row_count="6" col_count="15">
    <KeyItems>
      <key code="0x04" name="A" desc="Letter A" key_index="30" light_index="31" icon="a.png"
           fnlayer_disable="0" rect_left="10" rect_top="20" rect_width="50" rect_height="48"
           row_col="2,7"/>
      <key code="0xF0" name="Fn" desc="Function layer key" key_index="77" light_index="80"
           fnlayer_disable="1" rect_left="70" rect_top="20" rect_width="50" rect_height="48"
           row_col="2,13"/>
      <key code="0x1E" name="1" key_index="1" light_index="2" fnlayer_disable="true"
           rect_left="130" rect_top="20" rect_width="50" rect_height="48" row_col="9,3"/>
      <key code="0x1E5" name="Wide" key_index="5" light_index="6" row_col="1,40"/>
      <key code="0x29" name="Esc" key_index="0" light_index="0" row_col="3,31"/>
      <key code="0x2C" name="Space" key_index="60" light_index="60"/>
    </KeyItems>
  </Keyboard>
</device.info>)";

KeyLayout Parsed(const char* xml = kLayout) {
    KeyLayout layout;
    EXPECT_TRUE(ParseLayout(xml, layout));
    return layout;
}

TEST(LayoutTest, RowColText) {
    struct Case {
        const char* text;
        bool ok;
        int row;
        int column;
    };
    const Case cases[] = {
        {"2,7", true, 2, 7},    {"2,13", true, 2, 13},   {"0,0", true, 0, 0},
        {"5,31", true, 5, 31},  {"7, 9", false, -1, -1},  // last two characters " 9"
        {"2,", false, -1, -1},  {"", false, -1, -1},     {"x,3", false, -1, -1},
        {"2,x", false, -1, -1}, {"1,40", true, 1, 40},  // read; too wide for the matrix
    };
    for (const Case& c : cases) {
        int row = 99;
        int column = 99;
        EXPECT_EQ(ParseRowCol(c.text, row, column), c.ok) << c.text;
        EXPECT_EQ(row, c.row) << c.text;
        EXPECT_EQ(column, c.column) << c.text;
    }
}

TEST(LayoutTest, ParsesKeyboardBlockAndKeysInFileOrder) {
    KeyLayout layout = Parsed();
    EXPECT_EQ(layout.keyboard.bkColor, 0x2A2622u);
    EXPECT_EQ(layout.keyboard.xpos, 228);
    EXPECT_EQ(layout.keyboard.ypos, 200);
    EXPECT_EQ(layout.keyboard.width, 400);
    EXPECT_EQ(layout.keyboard.height, 200);
    EXPECT_EQ(layout.keyboard.image, "kb.png");
    EXPECT_EQ(layout.keyboard.rowCount, 6);
    EXPECT_EQ(layout.keyboard.colCount, 15);

    ASSERT_EQ(layout.keys.size(), 6u);
    const LayoutKey& a = layout.keys[0];
    EXPECT_EQ(a.code, 0x04);
    EXPECT_EQ(a.name, "A");
    EXPECT_EQ(a.desc, "Letter A");
    EXPECT_EQ(a.keyIndex, 30);
    EXPECT_EQ(a.lightIndex, 31);
    EXPECT_EQ(a.icon, "a.png");
    EXPECT_FALSE(a.fnLayerDisable);
    EXPECT_EQ(a.rectLeft, 10);
    EXPECT_EQ(a.rectTop, 20);
    EXPECT_EQ(a.rectWidth, 50);
    EXPECT_EQ(a.rectHeight, 48);
    EXPECT_EQ(a.row, 2);
    EXPECT_EQ(a.column, 7);
    EXPECT_TRUE(layout.keys[1].fnLayerDisable);
    EXPECT_FALSE(layout.keys[2].fnLayerDisable);  // only "1" disables
    EXPECT_EQ(layout.keys[2].desc, "");
    EXPECT_EQ(layout.keys[5].row, -1);  // no row_col
}

TEST(LayoutTest, BuildsKeyMapsAndMatrix) {
    KeyMaps maps;
    BuildKeyMaps(Parsed(), 160, maps);

    EXPECT_EQ(maps.rowCount, 6);
    EXPECT_EQ(maps.colCount, 15);
    EXPECT_EQ(maps.codeToKeyIndex.size(), 6u);
    EXPECT_EQ(maps.codeToKeyIndex.at(0x04), 30);
    EXPECT_EQ(maps.codeToKeyIndex.at(0xF0), 77);
    EXPECT_EQ(maps.codeToLightIndex.at(0x04), 31);
    EXPECT_EQ(maps.lightIndexToCode.at(31), 0x04);
    EXPECT_EQ(maps.lightIndexToCode.at(80), 0xF0);
    EXPECT_EQ(maps.fnDisabled, (std::set<int>{0xF0}));

    // Only the cells of keys inside 8 x 32 are written, with the low byte of the code.
    KeyMatrix expected;
    for (auto& row : expected) {
        row.fill(0xFF);
    }
    expected[2][7] = 0x04;
    expected[2][13] = 0xF0;
    expected[3][31] = 0x29;
    EXPECT_EQ(maps.matrix, expected);
}

TEST(LayoutTest, SideLightItemsOfType101OverlapAtTheRightBar) {
    std::vector<SideLightItem> items = SideLightItems(101);
    ASSERT_EQ(items.size(), 9u + 24u + 9u);
    auto count = [&items](SideBar bar) {
        return std::count_if(items.begin(), items.end(),
                             [bar](const SideLightItem& item) { return item.bar == bar; });
    };
    EXPECT_EQ(count(SideBar::Left), 9);
    EXPECT_EQ(count(SideBar::Top), 24);
    EXPECT_EQ(count(SideBar::Right), 9);

    KeyMaps maps;
    BuildKeyMaps(Parsed(), 101, maps);
    const std::pair<int, int> codeToLight[] = {
        {300, 87}, {308, 95}, {310, 96}, {331, 117}, {332, 120}, {333, 121}, {334, 122}, {340, 128},
    };
    for (auto [code, light] : codeToLight) {
        EXPECT_EQ(maps.codeToLightIndex.at(code), light) << code;
    }
    EXPECT_EQ(maps.codeToLightIndex.count(309), 0u);
    // No code maps to light indexes 118 and 119.
    for (const auto& [code, light] : maps.codeToLightIndex) {
        EXPECT_NE(light, 118);
        EXPECT_NE(light, 119);
    }
    // Side lights stay out of the layout's light -> code map and the key index map.
    EXPECT_EQ(maps.lightIndexToCode.count(87), 0u);
    EXPECT_EQ(maps.codeToKeyIndex.count(300), 0u);
}

TEST(LayoutTest, SideLightItemsOfType102ShareOneLightIndex) {
    std::vector<SideLightItem> items = SideLightItems(102);
    ASSERT_EQ(items.size(), 27u);
    EXPECT_EQ(items.front().code, 300);
    EXPECT_EQ(items.back().code, 326);
    EXPECT_EQ(items.back().position, 26);

    KeyMaps maps;
    BuildKeyMaps(Parsed(), 102, maps);
    for (int code = 300; code <= 326; ++code) {
        EXPECT_EQ(maps.codeToLightIndex.at(code), 80) << code;
    }
    // The layout key on light index 80 keeps its reverse entry.
    EXPECT_EQ(maps.lightIndexToCode.at(80), 0xF0);

    for (int type : {100, 103, 160, 0}) {
        EXPECT_TRUE(SideLightItems(type).empty()) << type;
    }
}

TEST(LayoutTest, FailedLoadLeavesPreviousMapsAndLayout) {
    test::TempDir dir;
    const std::string good = dir.path() + "good.xml";
    test::WriteFile(good, kLayout);
    KeyMaps maps;
    KeyLayout layout;
    ASSERT_TRUE(LoadKeyMaps(good, 102, maps, layout));
    const KeyMaps before = maps;
    ASSERT_EQ(layout.keys.size(), 6u);

    struct Case {
        const char* name;
        const char* content;  // nullptr: no file
    };
    const Case cases[] = {
        {"missing.xml", nullptr},
        {"truncated.xml", "<device.info><Keyboard width='10'><KeyItems><key code='0x05'"},
        {"wrong-root.xml", "<layout><Keyboard/></layout>"},
        {"no-keyboard.xml", "<device.info><KeyItems><key code='0x05'/></KeyItems></device.info>"},
        {"empty.xml", ""},
    };
    for (const Case& c : cases) {
        const std::string path = dir.path() + c.name;
        if (c.content != nullptr) {
            test::WriteFile(path, c.content);
        }
        EXPECT_FALSE(LoadKeyMaps(path, 101, maps, layout)) << c.name;
        EXPECT_EQ(maps.codeToKeyIndex, before.codeToKeyIndex) << c.name;
        EXPECT_EQ(maps.codeToLightIndex, before.codeToLightIndex) << c.name;
        EXPECT_EQ(maps.lightIndexToCode, before.lightIndexToCode) << c.name;
        EXPECT_EQ(maps.fnDisabled, before.fnDisabled) << c.name;
        EXPECT_EQ(maps.matrix, before.matrix) << c.name;
        EXPECT_EQ(maps.rowCount, before.rowCount) << c.name;
        EXPECT_EQ(layout.keys.size(), 6u) << c.name;
    }
}

TEST(LayoutTest, EmptyKeyListClearsThePreviousKeys) {
    test::TempDir dir;
    test::WriteFile(dir.path() + "a.xml", kLayout);
    test::WriteFile(dir.path() + "b.xml",
                    "<device.info><Keyboard row_count='5' col_count='14'/></device.info>");
    KeyMaps maps;
    KeyLayout layout;
    ASSERT_TRUE(LoadKeyMaps(dir.path() + "a.xml", 160, maps, layout));
    ASSERT_TRUE(LoadKeyMaps(dir.path() + "b.xml", 160, maps, layout));
    EXPECT_TRUE(maps.codeToKeyIndex.empty());
    EXPECT_TRUE(maps.fnDisabled.empty());
    EXPECT_EQ(maps.matrix[2][7], 0xFF);
    EXPECT_EQ(maps.rowCount, 5);
    EXPECT_TRUE(layout.keys.empty());
}

TEST(LayoutTest, LayoutFilePathIsBelowTheApplicationFolder) {
    EXPECT_EQ(LayoutFilePath("/opt/zanvor/", "nova75w"), "/opt/zanvor/layouts/nova75w.xml");
}

TEST(LayoutTest, ApplyLayoutReplacesTheControlsItems) {
    KeyboardCtrl keyboard;
    AuroraEffect effect;
    keyboard.AddKeyItem("Old", "", 0x99, {}, "", 0);
    effect.AddKeyItem("Old", 0x99, {}, 0, 0);
    keyboard.ClickKey(0x99);

    const KeyLayout layout = Parsed();
    ApplyLayoutToControls(layout, 101, keyboard, effect);

    EXPECT_EQ(keyboard.GetRect(), (Rect{228, 200, 628, 400}));
    EXPECT_EQ(effect.GetRect(), (Rect{228, 200, 628, 400}));
    EXPECT_EQ(keyboard.GetKeyboardImage(), "keyboard/kb.png");
    EXPECT_EQ(effect.GetKeyboardImage(), "keyboard/kb.png");
    EXPECT_EQ(keyboard.GetWidth(), 400);
    EXPECT_EQ(effect.GetHeight(), 200);
    EXPECT_EQ(keyboard.GetKeyboardColor(), 0x2A2622u);
    EXPECT_EQ(keyboard.GetLightModeColor(), kLightModeColor);
    EXPECT_EQ(keyboard.GetSelectKey(), 0);

    std::vector<KeyItem> keys = keyboard.GetKeyItems();
    ASSERT_EQ(keys.size(), 6u);
    EXPECT_EQ(keys[0].code, 0x04);
    EXPECT_EQ(keys[0].caption, "A");
    EXPECT_EQ(keys[0].description, "Letter A");
    EXPECT_EQ(keys[0].icon, "a.png");
    EXPECT_EQ(keys[0].rect, (Rect{10, 20, 60, 68}));
    for (const KeyItem& key : keys) {
        EXPECT_EQ(key.color, kDefaultKeyColor);
    }

    // The effect control: the keys with their matrix place, then the 42 side lights.
    std::vector<AuroraItem> items = effect.GetKeyItems();
    ASSERT_EQ(items.size(), 6u + 42u);
    EXPECT_EQ(items[1].code, 0xF0);
    EXPECT_EQ(items[1].row, 2);
    EXPECT_EQ(items[1].column, 13);
    EXPECT_EQ(items[1].kind, AuroraItemKind::Key);
    int topBarItemsFor332 = 0;
    for (size_t i = 6; i < items.size(); ++i) {
        EXPECT_NE(items[i].kind, AuroraItemKind::Key);
        const Rect& r = items[i].rect;
        EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 400 && r.bottom <= 200 &&
                    r.Width() > 0 && r.Height() > 0)
            << items[i].code;
        topBarItemsFor332 += items[i].code == 332 ? 1 : 0;
    }
    EXPECT_EQ(topBarItemsFor332, 2);  // once on the top bar, once on the right bar

    // A model without side lights gets the keys only.
    ApplyLayoutToControls(layout, 160, keyboard, effect);
    EXPECT_EQ(effect.ItemCount(), 6u);
    EXPECT_EQ(keyboard.ItemCount(), 6u);
}

}  // namespace
}  // namespace zanvor
