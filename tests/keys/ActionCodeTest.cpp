// Action codes: encoding key rows for the keyboard and reading the keyboard's tables back.

#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "KeyTextFixture.h"
#include "keys/ActionCode.h"
#include "keys/FunctionLists.h"
#include "keys/KeyCodes.h"
#include "platform/Paths.h"
#include "store/DataStore.h"

namespace zanvor {
namespace {

using test::KeyTextTest;

std::string Hex(const ActionCode& code) {
    char text[16];
    std::snprintf(text, sizeof text, "%02X %02X %02X", code[0], code[1], code[2]);
    return text;
}

KeyMacroData Row(int type, int value, int value2 = 0, int value3 = 0) {
    KeyMacroData row;
    row.macro_type = type;
    row.macro_value = value;
    row.macro_value2 = value2;
    row.macro_value3 = value3;
    return row;
}

// Three macros in list order; their ids are not their positions.
std::vector<MacroData> Macros() {
    std::vector<MacroData> macros(3);
    macros[0].macro_id = 7;
    macros[0].name = "M1";
    macros[1].macro_id = 9;
    macros[1].name = "New Macro 2";
    macros[2].macro_id = 12;
    macros[2].name = "Boss fight";
    return macros;
}

ActionCode Encode(const KeyMacroData& row, const std::vector<MacroData>& macros = Macros()) {
    ActionCode code = {0x00, 0x00, 0x00};
    EncodeAction(row, code, macros);
    return code;
}

// A row that already holds a function and a caption, to see what decoding replaces.
KeyMacroData Decode(const ActionCode& code, const std::vector<MacroData>& macros = Macros()) {
    KeyMacroData row = Row(99, 99, 99, 99);
    row.macro_desc = "previous";
    DecodeAction(code, row, macros);
    return row;
}

enum class Direction { Encode, Decode };

struct Case {
    const char* what;
    Direction direction;
    ActionCode code;
    int type, value, value2, value3;
    const char* caption;  // expected caption after decoding
};

void ExpectCases(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.direction == Direction::Encode) {
            EXPECT_EQ(Hex(Encode(Row(c.type, c.value, c.value2, c.value3))), Hex(c.code));
        } else {
            const KeyMacroData row = Decode(c.code);
            EXPECT_EQ(row.macro_type, c.type);
            EXPECT_EQ(row.macro_value, c.value);
            EXPECT_EQ(row.macro_value2, c.value2);
            EXPECT_EQ(row.macro_value3, c.value3);
            EXPECT_EQ(row.macro_desc, c.caption);
        }
    }
}

constexpr auto kEnc = Direction::Encode;
constexpr auto kDec = Direction::Decode;

TEST(ActionCode, DocumentedExamples) {
    ExpectCases({
        {"lone left Shift", kEnc, {0x10, 0x02, 0x00}, 2, 0xE1, 0, 0, ""},
        {"A with left Ctrl and left Shift", kEnc, {0x10, 0x03, 0x04}, 2, 0x04, 0x03, 0, ""},
        {"macro played once", kEnc, {0x60, 0x02, 0x00}, 3, 12, 0, 1, ""},
        {"macro played 5 times", kEnc, {0x61, 0x02, 0x05}, 3, 12, 0, 5, ""},
        {"macro play type 2 wins over count", kEnc, {0x60, 0x02, 0x02}, 3, 12, 2, 5, ""},
        {"Win+D reads back as a key", kDec, {0x10, 0x08, 0x07}, 2, 0x07, 0x08, 0, "D"},
        {"AC Back", kDec, {0x30, 0x24, 0x02}, 6, 119, 0, 0, ">-<"},
        {"internal 41 keeps caption", kDec, {0x50, 0x29, 0x00}, 12, 41, 0, 0, "previous"},
        {"special value", kDec, {0x05, 0x02, 0x7F}, 8, 0x7F, 0, 0, "Special"},
        {"empty entry", kDec, {0x00, 0x00, 0x00}, 0, 0, 0, 0, "previous"},
    });
}

TEST_F(KeyTextTest, EncodesEveryFunctionType) {
    ExpectCases({
        {"fixed", kEnc, {0x05, 0x03, 0x00}, 1, 77, 0, 0, ""},
        {"key without modifiers", kEnc, {0x10, 0x00, 0x2C}, 2, 0x2C, 0, 0, ""},
        {"no key at all", kEnc, {0x10, 0x00, 0x00}, 2, 0, 0, 0, ""},
        {"modifiers only", kEnc, {0x10, 0x05, 0x00}, 2, 0, 0x05, 0, ""},
        {"right GUI alone", kEnc, {0x10, 0x80, 0x00}, 2, 0xE7, 0, 0, ""},
        {"macro by id, not by position", kEnc, {0x60, 0x00, 0x00}, 3, 7, 0, 0, ""},
        {"macro play type 1", kEnc, {0x60, 0x01, 0x01}, 3, 9, 1, 0, ""},
        {"macro not in the list", kEnc, {0x00, 0x00, 0x00}, 3, 8, 0, 5, ""},
        {"mouse left", kEnc, {0x40, 0x00, 0x01}, 5, 90, 0, 0, ""},
        {"mouse middle", kEnc, {0x40, 0x00, 0x04}, 5, 91, 0, 0, ""},
        {"mouse right", kEnc, {0x40, 0x00, 0x02}, 5, 92, 0, 0, ""},
        {"mouse forward", kEnc, {0x40, 0x00, 0x10}, 5, 94, 0, 0, ""},
        {"mouse back", kEnc, {0x40, 0x00, 0x08}, 5, 95, 0, 0, ""},
        {"mouse left argument 5", kEnc, {0x40, 0x05, 0x01}, 5, 96, 0, 0, ""},
        {"mouse left argument 6", kEnc, {0x40, 0x06, 0x01}, 5, 97, 0, 0, ""},
        {"play/pause", kEnc, {0x30, 0xCD, 0x00}, 6, 100, 0, 0, ""},
        {"consumer control configuration", kEnc, {0x30, 0x83, 0x01}, 6, 110, 0, 0, ""},
        {"AC Search", kEnc, {0x30, 0x21, 0x02}, 6, 122, 0, 0, ""},
        {"brightness up is read-only", kEnc, {0x30, 0x00, 0x00}, 6, 111, 0, 0, ""},
        {"media code without usage", kEnc, {0x30, 0x00, 0x00}, 6, 107, 0, 0, ""},
        {"Win+D", kEnc, {0x10, 0x08, 0x07}, 7, 150, 0, 0, ""},
        {"Ctrl+N", kEnc, {0x10, 0x01, 0x11}, 7, 160, 0, 0, ""},
        {"shortcut 161", kEnc, {0x02, 0x02, 0x00}, 7, 161, 0, 0, ""},
        {"shortcut 162", kEnc, {0x02, 0x01, 0x00}, 7, 162, 0, 0, ""},
        {"shortcut 163", kEnc, {0x10, 0x00, 0x00}, 7, 163, 0, 0, ""},
        {"unknown shortcut", kEnc, {0x00, 0x00, 0x00}, 7, 149, 0, 0, ""},
        {"special 8, low byte", kEnc, {0x05, 0x02, 0x7F}, 8, 0x17F, 0, 0, ""},
        {"special 11", kEnc, {0x05, 0x02, 0x10}, 11, 0x10, 0, 0, ""},
        {"BL-MOD", kEnc, {0x50, 0x0A, 0x00}, 12, 10, 0, 0, ""},
        {"type 4 does not exist", kEnc, {0x00, 0x00, 0x00}, 4, 1, 0, 0, ""},
        {"type 13 does not exist", kEnc, {0x00, 0x00, 0x00}, 13, 1, 0, 0, ""},
    });
}

TEST(ActionCode, NoFunctionKeepsTheFactoryEntry) {
    ActionCode code = {0x10, 0x00, 0x29};
    EncodeAction(Row(0, 0x04, 3, 3), code, {});
    EXPECT_EQ(Hex(code), "10 00 29");
    // Every other type overwrites all three bytes, also when the result is empty.
    EncodeAction(Row(7, 149), code, {});
    EXPECT_EQ(Hex(code), "00 00 00");
}

TEST_F(KeyTextTest, DecodesEveryKind) {
    ExpectCases({
        {"key", kDec, {0x10, 0x00, 0x04}, 2, 0x04, 0, 0, "A"},
        {"no key", kDec, {0x10, 0x00, 0x00}, 2, 0, 0, 0, ""},
        {"lone left Ctrl", kDec, {0x10, 0x01, 0x00}, 2, 0xE0, 0, 0, "Ctrl"},
        {"lone right GUI has no caption", kDec, {0x10, 0x80, 0x00}, 2, 0xE7, 0, 0, ""},
        {"shortcut 161", kDec, {0x02, 0x02, 0x00}, 7, 161, 0, 0, "#257"},
        {"shortcut 162", kDec, {0x02, 0x01, 0x00}, 7, 162, 0, 0, "#258"},
        {"shortcut 163 whatever byte 2", kDec, {0x02, 0x03, 0x44}, 7, 163, 0, 0, "#259"},
        {"unknown shortcut", kDec, {0x02, 0x07, 0x00}, 7, 0, 0, 0, "previous"},
        {"play/pause", kDec, {0x30, 0xCD, 0x00}, 6, 100, 0, 0, "#264"},
        {"brightness up", kDec, {0x30, 0x6F, 0x00}, 6, 111, 0, 0, "#278"},
        {"brightness down", kDec, {0x30, 0x70, 0x00}, 6, 112, 0, 0, "#279"},
        {"browser: read-back caption", kDec, {0x30, 0x94, 0x01}, 6, 113, 0, 0, "#280"},
        {"email: read-back caption", kDec, {0x30, 0x8A, 0x01}, 6, 115, 0, 0, "#282"},
        {"unknown consumer usage", kDec, {0x30, 0x99, 0x01}, 6, 0, 0, 0, "previous"},
        {"mouse left", kDec, {0x40, 0x00, 0x01}, 5, 90, 0, 0, "#220"},
        {"mouse left argument 5", kDec, {0x40, 0x05, 0x01}, 5, 96, 0, 0, "#225"},
        {"mouse left argument 6", kDec, {0x40, 0x06, 0x01}, 5, 97, 0, 0, "#226"},
        {"mouse left argument 7 unknown", kDec, {0x40, 0x07, 0x01}, 5, 0, 0, 0, "previous"},
        {"mouse right, argument ignored", kDec, {0x40, 0x07, 0x02}, 5, 92, 0, 0, "#223"},
        {"mouse middle", kDec, {0x40, 0x00, 0x04}, 5, 91, 0, 0, "#222"},
        {"mouse forward", kDec, {0x40, 0x00, 0x10}, 5, 94, 0, 0, "#227"},
        {"mouse back", kDec, {0x40, 0x00, 0x08}, 5, 95, 0, 0, "#228"},
        {"two buttons", kDec, {0x40, 0x00, 0x03}, 5, 0, 0, 0, "previous"},
        {"Fn reads back as Fn1", kDec, {0x50, 0x02, 0x00}, 12, 2, 0, 0, "Fn1"},
        {"WASD", kDec, {0x50, 0x33, 0x00}, 12, 51, 0, 0, "WASD"},
        {"internal with byte 2", kDec, {0x50, 0x0A, 0x01}, 12, 10, 0, 0, "previous"},
        {"unknown internal", kDec, {0x50, 0x63, 0x00}, 12, 99, 0, 0, "previous"},
        {"fixed", kDec, {0x05, 0x03, 0x00}, 1, 0, 0, 0, "#213"},
        {"other system sub", kDec, {0x05, 0x01, 0x09}, 0, 0, 0, 0, "previous"},
        {"macro with play type", kDec, {0x60, 0x01, 0x02}, 3, 9, 2, 0, "#351 2"},
        {"macro with count", kDec, {0x61, 0x02, 0x05}, 3, 12, 0, 5, "Boss fight"},
        {"macro beyond the list", kDec, {0x60, 0x03, 0x00}, 3, 0, 0, 0, "previous"},
        {"unknown kind", kDec, {0x77, 0x01, 0x02}, 0, 0, 0, 0, "previous"},
    });
}

TEST(ActionCode, MacroNumbersAndCountsFitTheirBytes) {
    std::vector<MacroData> many(300);
    for (size_t i = 0; i < many.size(); ++i) {
        many[i].macro_id = static_cast<int>(i) + 1000;
    }
    EXPECT_EQ(Hex(Encode(Row(3, 1255, 0, 0), many)), "60 FF 00");
    // Position 256 cannot be sent; playing macro 0 instead would be wrong.
    EXPECT_EQ(Hex(Encode(Row(3, 1256, 0, 0), many)), "00 00 00");
    EXPECT_EQ(Hex(Encode(Row(3, 1000, 0, 300), many)), "61 00 FF");
    EXPECT_EQ(Hex(Encode(Row(3, 7, 0, 0), {})), "00 00 00");
}

// A table read from the keyboard and written back unchanged must give the keyboard the same
// entries: decoding and encoding again is stable for every function of the lists.
TEST_F(KeyTextTest, FunctionListsSurviveReadBack) {
    auto check = [](const std::vector<KeyFunction>& list) {
        for (const KeyFunction& function : list) {
            SCOPED_TRACE(std::to_string(function.type) + "/" + std::to_string(function.code));
            const ActionCode sent = Encode(Row(function.type, function.code));
            const KeyMacroData read = Decode(sent);
            EXPECT_EQ(Hex(Encode(read)), Hex(sent));
            // Shortcuts are stored as keys with modifiers and read back as such.
            if (function.type != 7) {
                EXPECT_EQ(read.macro_type, function.type);
                EXPECT_EQ(read.macro_value, function.code);
            }
        }
    };
    check(BuildKeyFunctionList());
    check(BuildKnobFunctionList());
}

TEST(ActionCode, CombinationsSurviveReadBack) {
    // Several modifiers without a key, a modifier key with extra modifiers, and macros played
    // a number of times: each must reach the keyboard unchanged after a read-back.
    const KeyMacroData rows[] = {
        Row(2, 0, 0x03), Row(2, 0, 0x81),    Row(2, 0xE1, 0x01), Row(2, 0x2B, 0x04),
        Row(3, 9, 0, 5), Row(3, 12, 0, 255), Row(3, 7, 3, 0),    Row(3, 7, 0, 1),
    };
    for (const KeyMacroData& row : rows) {
        const ActionCode sent = Encode(row);
        SCOPED_TRACE(Hex(sent));
        EXPECT_EQ(Hex(Encode(Decode(sent))), Hex(sent));
    }
    const KeyMacroData chord = Decode({0x10, 0x03, 0x00});
    EXPECT_EQ(chord.macro_value2, 0x03);
    EXPECT_EQ(chord.macro_desc, "LCtrl+ LShift");
    // A modifier key together with other modifiers is sent as one mask, never as byte 2.
    EXPECT_EQ(Hex(Encode(Row(2, 0xE1, 0x01))), "10 03 00");
    const KeyMacroData counted = Decode({0x61, 0x01, 0x05});
    EXPECT_EQ(counted.macro_value2, 0);
    EXPECT_EQ(counted.macro_value3, 5);
}

// Without a macro list the conversions read the data store's list, in list order.
TEST_F(KeyTextTest, MacrosComeFromTheDataStore) {
    DataStore& store = DataStore::Instance();
    struct Closer {
        DataStore& store;
        ~Closer() { store.CloseDatabase(); }
    } closer{store};
    ASSERT_TRUE(CreateFolders(home() + "db/"));
    ASSERT_TRUE(store.OpenDeviceDatabase(home(), "test"));
    const int first = store.InsertMacro("New Macro 1");
    const int second = store.InsertMacro("Long press");
    ASSERT_GT(second, first);

    ActionCode code = {0xAA, 0xAA, 0xAA};
    EncodeAction(Row(3, second, 0, 4), code);
    EXPECT_EQ(Hex(code), "61 01 04");
    KeyMacroData row;
    DecodeAction(ActionCode{0x60, 0x00, 0x00}, row);
    EXPECT_EQ(row.macro_value, first);
    EXPECT_EQ(row.macro_desc, "#351 1");
    // Other functions need no database.
    store.CloseDatabase();
    EncodeAction(Row(12, 10), code);
    EXPECT_EQ(Hex(code), "50 0A 00");
    EncodeAction(Row(3, second, 0, 4), code);
    EXPECT_EQ(Hex(code), "00 00 00");
}

// Taking a keyboard's entry into a row only when the row writes that entry again: a function
// the lists cannot name is kept on the keyboard (as "keep the factory entry" when it is the
// factory entry; otherwise the profile's row stays), never replaced by an empty one.
TEST(ActionCode, EntriesAreReadBackOnlyAsRowsThatWriteThemAgain) {
    const ActionCode esc = {0x10, 0x00, 0x29};
    const struct {
        const char* what;
        ActionCode entry;
        ActionCode factory;
        bool taken;
        int type;  // of the row afterwards
    } cases[] = {
        {"a key", {0x10, 0x00, 0x04}, esc, true, 2},
        {"a media key", {0x30, 0xE9, 0x00}, esc, true, 6},
        {"a macro of the list", {0x60, 0x01, 0x00}, esc, true, 3},
        {"an unknown media usage", {0x30, 0x30, 0x25}, esc, false, 2},
        {"an unknown media usage from the factory",
         {0x30, 0x30, 0x25},
         {0x30, 0x30, 0x25},
         true,
         0},
        {"an internal function with an argument", {0x50, 0x24, 0x02}, esc, false, 2},
        {"the same from the factory", {0x50, 0x24, 0x02}, {0x50, 0x24, 0x02}, true, 0},
        {"a switched-off key", {0x00, 0x00, 0x00}, esc, false, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KeyMacroData row = Row(2, 0x29);
        row.layout_desc = "Esc";
        EXPECT_EQ(ReadBackEntry(c.entry, c.factory, row, Macros()), c.taken);
        EXPECT_EQ(row.macro_type, c.type);
        ActionCode written = c.factory;  // a whole-table write starts from the factory table
        EncodeAction(row, written, Macros());
        if (c.taken) {
            EXPECT_EQ(Hex(written), Hex(c.entry));
        } else {
            EXPECT_EQ(Hex(written), Hex(esc)) << "the profile's row stays";
        }
    }
}

}  // namespace
}  // namespace zanvor
