#include <gtest/gtest.h>

#include "keys/KeyFunctionText.h"
#include "support/Rows.h"
#include "support/TestHome.h"
#include "ui/LoadText.h"

namespace zanvor {
namespace {

class KeyFunctionTextTest : public test::IsolatedHomeTest {
  protected:
    std::vector<MacroData> Macros() const {
        MacroData first;
        first.macro_id = 7;
        first.name = "New Macro3";
        MacroData second;
        second.macro_id = 9;
        second.name = "Login";
        return {first, second};
    }
};

TEST_F(KeyFunctionTextTest, ValidFormsGiveTheRowFields) {
    struct Case {
        std::string text;
        int type, value, value2, value3;
        std::string desc;
    };
    const std::vector<Case> cases = {
        {"none", 2, 0, 0, 0, ""},
        {" NONE ", 2, 0, 0, 0, ""},
        {"fixed", 1, 0, 0, 0, LoadText("KB.DIALOG", 213)},
        {"key:0x04", 2, 0x04, 0, 0, "A"},
        {"key:Esc", 2, 0x29, 0, 0, "Esc"},
        {"key:esc", 2, 0x29, 0, 0, "Esc"},
        {"key:Del", 2, 0x4C, 0, 0, "Delete"},           // a caption of the function lists
        {"key:Backsapce", 2, 0x2A, 0, 0, "Backspace"},  // the old spelling is still read
        {"key:0x05+LCtrl+LShift", 2, 0x05, 0x03, 0, "LCtrl+ LShift + B"},
        {"key:A+RAlt", 2, 0x04, 0x40, 0, "Alt + A"},
        {"key:0x00+LCtrl", 2, 0x00, 0x01, 0, "LCtrl"},
        {"mouse:90", 5, 90, 0, 0, LoadText("KB.DIALOG", 220)},
        {"media:104", 6, 104, 0, 0, LoadText("KB.DIALOG", 268)},
        {"media:119", 6, 119, 0, 0, LoadText("KB.DIALOG", 274)},  // knob list only
        {"shortcut:155", 7, 155, 0, 0, LoadText("KB.DIALOG", 31)},
        {"fn:10", 12, 10, 0, 0, LoadText("KB.DIALOG", 2210)},
        {"fn:30", 12, 30, 0, 0, "fn:30"},  // a code without a caption
        {"special:0x7F", 8, 0x7F, 0, 0, "Special"},
        {"special:0", 8, 0, 0, 0, "Special"},
        {"macro:7", 3, 7, 0, 0, LoadText("KB.DIALOG", 351) + "3"},
        {"macro:9:0:5", 3, 9, 0, 5, "Login"},
        {"macro:9:2", 3, 9, 2, 0, "Login"},
    };
    test::ForEachRow(cases, [&](const Case& c) {
        KeyMacroData row;
        row.key_code = 0x29;
        std::string error;
        ASSERT_TRUE(ParseKeyFunction(c.text, Macros(), row, error)) << c.text << ": " << error;
        EXPECT_EQ(row.macro_type, c.type) << c.text;
        EXPECT_EQ(row.macro_value, c.value) << c.text;
        EXPECT_EQ(row.macro_value2, c.value2) << c.text;
        EXPECT_EQ(row.macro_value3, c.value3) << c.text;
        EXPECT_EQ(row.macro_desc, c.desc) << c.text;
        EXPECT_EQ(row.key_code, 0x29) << "only the function fields change";
    });
}

TEST_F(KeyFunctionTextTest, InvalidFormsAreRefusedWithTheValidForms) {
    struct Case {
        std::string text;
        std::string reason;  // part of the error
    };
    const std::vector<Case> cases = {
        {"", "unknown function"},
        {"nothing", "unknown function"},
        {"none:1", "unknown function"},
        {"key:", "unknown function"},
        {"key:Nope", "unknown key \"Nope\""},
        {"key:0x100", "unknown key"},
        {"key:A+Hyper", "unknown modifier \"Hyper\""},
        {"key:A+", "unknown modifier"},
        {"mouse:93", "no mouse function 93"},
        {"mouse:98", "from 90 to 97"},
        {"mouse:x", "from 90 to 97"},
        {"media:111", "no media function 111"},  // read back only
        {"media:99", "from 100 to 122"},
        {"shortcut:161", "from 150 to 160"},
        {"fn:0", "from 1 to 53"},
        {"fn:54", "from 1 to 53"},
        {"special:256", "from 0 to 255"},
        {"special:-1", "from 0 to 255"},
        {"macro:8", "no macro with id 8"},
        {"macro:9:4", "play type"},
        {"macro:9:0:0", "play count"},
        {"macro:9:0:256", "play count"},
        {"macro:9:0:1:2", "macro needs an id"},
        {"macro:abc", "macro needs an id"},
    };
    for (const Case& c : cases) {
        KeyMacroData row;
        row.macro_type = 6;
        row.macro_value = 104;
        std::string error;
        EXPECT_FALSE(ParseKeyFunction(c.text, Macros(), row, error)) << c.text;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.text << ": " << error;
        EXPECT_NE(error.find("macro:ID[:PLAYTYPE[:COUNT]]"), std::string::npos) << c.text;
        EXPECT_EQ(row.macro_type, 6) << "the row is left alone";
        EXPECT_EQ(row.macro_value, 104);
    }
}

TEST_F(KeyFunctionTextTest, FormattedRowsParseBackToTheSameFunction) {
    struct Case {
        int type, value, value2, value3;
        std::string text;
    };
    const std::vector<Case> cases = {
        {0, 0, 0, 0, "none"},
        {1, 0, 0, 0, "fixed"},
        {2, 0, 0, 0, "none"},
        {2, 0x04, 0, 0, "key:0x04"},
        {2, 0x05, 0x41, 0, "key:0x05+LCtrl+RAlt"},
        {2, 0x00, 0x03, 0, "key:0x00+LCtrl+LShift"},
        {3, 7, 0, 0, "macro:7"},
        {3, 9, 2, 0, "macro:9:2"},
        {3, 9, 0, 5, "macro:9:0:5"},
        {5, 96, 0, 0, "mouse:96"},
        {6, 122, 0, 0, "media:122"},
        {7, 160, 0, 0, "shortcut:160"},
        {8, 200, 0, 0, "special:200"},
        {11, 3, 0, 0, "special:3"},
        {12, 53, 0, 0, "fn:53"},
        {4, 1, 0, 0, "none"},
    };
    test::ForEachRow(cases, [&](const Case& c) {
        KeyMacroData row;
        row.macro_type = c.type;
        row.macro_value = c.value;
        row.macro_value2 = c.value2;
        row.macro_value3 = c.value3;
        EXPECT_EQ(FormatKeyFunction(row), c.text);
        KeyMacroData back;
        std::string error;
        ASSERT_TRUE(ParseKeyFunction(c.text, Macros(), back, error)) << c.text << ": " << error;
        if (c.type != 0 && c.type != 4 && !(c.type == 2 && c.value == 0 && c.value2 == 0)) {
            EXPECT_EQ(back.macro_type, c.type >= 8 && c.type <= 11 ? 8 : c.type) << c.text;
            EXPECT_EQ(back.macro_value, c.value) << c.text;
            EXPECT_EQ(back.macro_value2, c.value2) << c.text;
            EXPECT_EQ(back.macro_value3, c.value3) << c.text;
        }
    });
}

TEST_F(KeyFunctionTextTest, KeysResolveByUsageOrByAUniqueCaption) {
    std::vector<KeyItem> keys(5);
    keys[0].code = 0x29;
    keys[0].caption = "Esc";
    keys[1].code = 0xE1;
    keys[1].caption = "Shift";
    keys[2].code = 0xE5;
    keys[2].caption = "Shift";
    keys[3].code = 0xFF;
    keys[3].caption = "Knob";
    keys[4].code = 0x04;
    keys[4].caption = "A";

    struct Case {
        std::string text;
        int usage;           // 0: refused
        std::string reason;  // part of the error
    };
    const std::vector<Case> cases = {
        {"Esc", 0x29, ""},
        {"esc", 0x29, ""},
        {"0x29", 0x29, ""},
        {"0XE5", 0xE5, ""},
        {" A ", 0x04, ""},
        {"Shift", 0, "0xE1 0xE5"},
        {"Knob", 0, "no key \"Knob\""},
        {"0xFF", 0, "no key with usage"},
        {"0x05", 0, "no key with usage"},
        {"F13", 0, "no key \"F13\""},
        {"", 0, "no key"},
    };
    for (const Case& c : cases) {
        int usage = -1;
        std::string error;
        const bool ok = ResolveLayoutKey(c.text, keys, usage, error);
        EXPECT_EQ(ok, c.usage != 0) << c.text;
        if (ok) {
            EXPECT_EQ(usage, c.usage) << c.text;
        } else {
            EXPECT_NE(error.find(c.reason), std::string::npos) << c.text << ": " << error;
        }
    }
}

}  // namespace
}  // namespace zanvor
