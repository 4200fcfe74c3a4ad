// Captions of key functions are made in the language shown, not kept from the one a function
// was assigned in.

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KeyTextFixture.h"
#include "keys/KeyCodes.h"
#include "keys/KeyFunctionCaption.h"

namespace zanvor {
namespace {

using test::KeyTextTest;

KeyMacroData Row(int type, int value, const std::string& stored) {
    KeyMacroData row;
    row.macro_type = type;
    row.macro_value = value;
    row.macro_desc = stored;
    return row;
}

TEST_F(KeyTextTest, FunctionCaptionsFollowTheActiveLanguage) {
    std::vector<MacroData> macros(1);
    macros[0].macro_id = 7;
    macros[0].name = "New Macro 2";
    struct Case {
        KeyMacroData row;
        const char* shown;
    };
    // Stored while English was active ("#<id>"), shown in Polish ("pl#<id>").
    const std::vector<Case> cases = {
        {Row(kFunctionMouse, 90, "#220"), "pl#220"},
        {Row(kFunctionMedia, 104, "#268"), "pl#268"},
        {Row(kFunctionMedia, 112, "#279"), "pl#279"},  // read back only
        {Row(kFunctionMedia, 119, ">-<"), ">-<"},      // the read-back short name
        {Row(kFunctionMedia, 119, "#274"), "pl#274"},
        {Row(kFunctionShortcut, 154, "#255"), "pl#255"},
        {Row(kFunctionInternal, 10, "#2210"), "pl#2210"},
        {Row(kFunctionInternal, 10, "BL-MOD"), "BL-MOD"},
        {Row(kFunctionFixed, 0, "#213"), "pl#213"},
        {Row(kFunctionMacro, 7, "Old name"), "pl#351 2"},  // the macro's name as it is now
        {Row(kFunctionMacro, 8, "Gone"), "Gone"},
        {Row(kFunctionKey, 0x04, "A"), "A"},
        {Row(kFunctionSpecial, 3, "Special"), "Special"},
        {Row(kFunctionNone, 0, "Esc"), "Esc"},
        {Row(kFunctionMedia, 999, "kept"), "kept"},  // no such function
    };
    SetActiveLanguageId(1045);
    for (const Case& c : cases) {
        EXPECT_EQ(KeyFunctionCaption(c.row, macros), c.shown)
            << "type " << c.row.macro_type << " code " << c.row.macro_value;
    }
}

}  // namespace
}  // namespace zanvor
