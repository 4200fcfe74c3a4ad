// Key usages, virtual keys, modifier masks and the captions built from them.

#include <string>

#include <gtest/gtest.h>

#include "KeyTextFixture.h"
#include "keys/ActionCode.h"
#include "keys/KeyCodes.h"

namespace zanvor {
namespace {

using test::KeyTextTest;

TEST(KeyCodes, UsageNames) {
    const struct {
        int usage;
        const char* name;
    } cases[] = {
        {0x04, "A"},
        {0x1D, "Z"},
        {0x1E, "1"},
        {0x26, "9"},
        {0x27, "0"},
        {0x31, "\\"},
        {0x35, "~"},
        {0x39, "CapsLock"},
        {0x3A, "F1"},
        {0x45, "F12"},
        {0x68, "F13"},
        {0x73, "F24"},
        {0x4F, "→"},
        {0x52, "↑"},
        {0x53, "Num Lock"},
        {0x58, "Num Enter"},
        {0x59, "Num 1"},
        {0x61, "Num 9"},
        {0x65, "App"},
        {0xAF, "Fn"},
        {0xD1, ">-<"},
        {0xD2, "Calc"},
        {0xE0, "Ctrl"},
        {0xE3, "Win"},
        {0xE4, "Ctrl"},
        {0xE6, "Alt"},
        // No caption: keypad 0 and dot, the non-US keys, right GUI and the program's own
        // Fn and knob codes.
        {0x32, ""},
        {0x62, ""},
        {0x63, ""},
        {0x64, ""},
        {0xE7, ""},
        {0xF0, ""},
        {0xFF, ""},
        {0x00, ""},
        {-1, ""},
        {0x104, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UsageName(c.usage), c.name) << std::hex << c.usage;
    }
}

TEST(KeyCodes, VirtualKeysToUsages) {
    const struct {
        int virtualKey;
        int usage;
    } cases[] = {
        {'A', 0x04},
        {'Z', 0x1D},
        {'1', 0x1E},
        {'9', 0x26},
        {'0', 0x27},
        {0x70, 0x3A},
        {0x7B, 0x45},
        {0x7C, 0x68},
        {0x87, 0x73},
        {0x60, 0x62},
        {0x61, 0x59},
        {0x69, 0x61},
        {0x6C, 0x58},
        {0x6E, 0x63},
        {0x0D, 0x28},
        {0xE2, 0x64},
        {0xFE, 0xAF},
        {0x5D, 0x65},
        {0xDC, 0x31},
        {0xC0, 0x35},
        {0xA0, 0xE1},
        {0xA1, 0xE5},
        {0xA2, 0xE0},
        {0xA3, 0xE4},
        {0xA4, 0xE2},
        {0xA5, 0xE6},
        {0x5B, 0xE3},
        {0x5C, 0xE7},
        {0x12D, 0xEC},
        {0x12E, 0xEB},
        {0x29A, 0x32},
        {0x88, 0x88},
        {0x8B, 0x8B},
        // Generic modifiers and keys without a usage.
        {0x10, 0},
        {0x11, 0},
        {0x12, 0},
        {0x8C, 0},
        {0xA6, 0},
        {0xB3, 0},
        {0x00, 0},
        {-5, 0},
        {0x29B, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(VirtualKeyToUsage(c.virtualKey), c.usage) << std::hex << c.virtualKey;
    }
}

TEST(KeyCodes, ModifierBitsAndUsages) {
    const struct {
        int value;
        int bit;
    } cases[] = {{0xE0, 0x01}, {0xE1, 0x02}, {0xE6, 0x40}, {0xE7, 0x80},
                 {0xDF, 0xDF}, {0xE8, 0xE8}, {0x04, 0x04}, {0x00, 0x00}};
    for (const auto& c : cases) {
        EXPECT_EQ(ModifierBit(c.value), c.bit) << std::hex << c.value;
    }
    for (int usage = 0xE0; usage <= 0xE7; ++usage) {
        EXPECT_EQ(ModifierUsageOfMask(ModifierBit(usage)), usage);
    }
    EXPECT_EQ(ModifierUsageOfMask(0x03), 0);
    EXPECT_EQ(ModifierUsageOfMask(0x00), 0);
    EXPECT_EQ(ModifierUsageOfMask(0x100), 0);
}

TEST(KeyCodes, CombinationCaptions) {
    const struct {
        int mask;
        const char* key;
        const char* caption;
    } cases[] = {
        {0x00, "A", "A"},
        {0x01, "", "LCtrl"},
        {0x03, "", "LCtrl+ LShift"},
        {0x03, "A", "LCtrl+ LShift + A"},
        {0x40, "Tab", "Alt + Tab"},  // right Alt is shown as "Alt"
        {0x48, "", "LWin+ Alt"},
        {0xFF, "", "LCtrl+ LShift+ LAlt+ LWin+ RCtrl+ RShift+ Alt+ RWin"},
        {0x00, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CombinationCaption(c.mask, c.key), c.caption) << c.mask << " " << c.key;
    }
}

TEST_F(KeyTextTest, MacroDisplayNames) {
    const struct {
        const char* stored;
        const char* shown;
    } cases[] = {
        {"New Macro 3", "#351 3"},
        {"New Macro", "#351"},
        {"新建巨集5", "#3515"},
        {"新建宏7", "#3517"},
        {"New Macr", "New Macr"},
        {"new macro 1", "new macro 1"},
        {"M1", "M1"},
        {"", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MacroDisplayName(c.stored), c.shown) << c.stored;
    }
    SetActiveLanguageId(1045);
    EXPECT_EQ(MacroDisplayName("New Macro 3"), "pl#351 3");
}

}  // namespace
}  // namespace zanvor
