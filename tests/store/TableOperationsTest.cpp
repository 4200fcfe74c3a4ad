#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreFixture.h"
#include "support/Rows.h"

namespace zanvor::test {
namespace {

using Table = std::vector<std::vector<std::string>>;

KeyMacroData Key(int profile, int layer, int code, int type, int value, int value2 = 0,
                 const std::string& desc = "") {
    KeyMacroData key;
    key.profile = profile;
    key.fn_layer = layer;
    key.key_code = code;
    key.layout_value = code;
    key.layout_desc = "layout " + std::to_string(code);
    key.macro_type = type;
    key.macro_value = value;
    key.macro_value2 = value2;
    key.macro_desc = desc;
    return key;
}

LightData Light(int profile, int type, int mode, int status = 0) {
    LightData light;
    light.profile = profile;
    light.name = "mode " + std::to_string(mode);
    light.type = type;
    light.mode = mode;
    light.brightness = 4;
    light.speed = 3;
    light.status = status;
    return light;
}

// --- Key assignments --------------------------------------------------------------------------

using KeyTableTest = StoreTest;

TEST_F(KeyTableTest, BulkInsertListsAndCounts) {
    store.InsertKeys({Key(1, 0, 4, 1, 4, 0, "A"), Key(1, 0, 5, 1, 5, 0, "B"),
                      Key(1, 1, 4, 3, 0xE9, 0, "Vol+"), Key(2, 0, 4, 1, 4)});
    EXPECT_EQ(store.CountKeys(1), 3);
    EXPECT_EQ(store.CountKeys(3), 0);

    std::vector<KeyMacroData> list(7);
    EXPECT_EQ(store.ListLayerKeys(1, 0, list), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].key_code, 4);
    EXPECT_EQ(list[1].macro_desc, "B");
    EXPECT_EQ(list[1].layout_desc, "layout 5");
    EXPECT_EQ(store.ListProfileKeys(1, list), 3);
    EXPECT_EQ(store.ListAllKeys(list), 4);
    EXPECT_EQ(store.ListLayerKeys(1, 3, list), 0);
    EXPECT_TRUE(list.empty());

    KeyMacroData key;
    ASSERT_TRUE(store.GetKey(1, 1, 4, key));
    EXPECT_EQ(key.key_id, 3);
    EXPECT_EQ(key.macro_type, 3);
    EXPECT_EQ(key.macro_value, 0xE9);
    EXPECT_EQ(key.macro_desc, "Vol+");
    key.macro_desc = "untouched";
    EXPECT_FALSE(store.GetKey(1, 2, 4, key));
    EXPECT_EQ(key.macro_desc, "untouched");

    // An empty bulk write still runs (an empty transaction) and changes nothing.
    store.InsertKeys({});
    EXPECT_EQ(CountRows("t_key_macro_data"), 4);
}

TEST_F(KeyTableTest, UpdatesChangeOnlyTheMacroColumnsOfTheAddressedKey) {
    store.InsertKeys(
        {Key(1, 0, 4, 1, 4, 0, "A"), Key(1, 1, 4, 1, 4, 0, "A"), Key(2, 0, 4, 1, 4, 0, "A")});
    KeyMacroData change = Key(1, 0, 4, 5, 2, 3, "macro 2");
    change.macro_value3 = 9;
    change.layout_value = 77;        // not an updated column
    change.layout_desc = "ignored";  // nor this
    store.UpdateKey(change);
    store.UpdateKey(Key(1, 0, 99, 5, 5));  // no such key: nothing happens

    EXPECT_EQ(Rows("SELECT * FROM t_key_macro_data ORDER BY key_id"),
              (Table{{"1", "1", "0", "4", "4", "layout 4", "5", "2", "3", "9", "macro 2"},
                     {"2", "1", "1", "4", "4", "layout 4", "1", "4", "0", "0", "A"},
                     {"3", "2", "0", "4", "4", "layout 4", "1", "4", "0", "0", "A"}}));

    store.UpdateKeys({Key(1, 1, 4, 2, 90, 0, "Left"), Key(2, 0, 4, 2, 91, 0, "Right")});
    EXPECT_EQ(Rows("SELECT macro_type, macro_value, macro_desc FROM t_key_macro_data "
                   "ORDER BY key_id"),
              (Table{{"5", "2", "macro 2"}, {"2", "90", "Left"}, {"2", "91", "Right"}}));
}

TEST_F(KeyTableTest, ReplaceKeyCases) {
    const struct {
        const char* what;
        KeyMacroData key;
        bool inserts;
        Table remaining;  // key_code, macro_value of profile 1 layer 0, by key_id
    } cases[] = {
        {"key code 0 touches nothing", Key(1, 0, 0, 1, 7), false, {{"4", "4"}, {"5", "5"}}},
        {"replaces the row", Key(1, 0, 4, 1, 30), true, {{"5", "5"}, {"4", "30"}}},
        {"only the second value set still inserts",
         Key(1, 0, 4, 1, 0, 2),
         true,
         {{"5", "5"}, {"4", "0"}}},
        {"both values 0 deletes and inserts nothing", Key(1, 0, 4, 0, 0, 0), false, {{"5", "5"}}},
        {"a key without a row gets one",
         Key(1, 0, 6, 1, 6),
         true,
         {{"4", "4"}, {"5", "5"}, {"6", "6"}}},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.what);
        store.CloseDatabase();
        ASSERT_TRUE(store.DeleteDeviceDatabase(dataFolder(), kModel));
        ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), kModel));
        store.InsertKeys({Key(1, 0, 4, 1, 4), Key(1, 0, 5, 1, 5), Key(1, 1, 4, 1, 4)});

        const int id = store.ReplaceKey(c.key);
        if (c.inserts) {
            EXPECT_EQ(id, 4) << "a fresh id after the three rows";
        } else {
            EXPECT_EQ(id, 0);
        }
        EXPECT_EQ(Rows("SELECT key_code, macro_value FROM t_key_macro_data WHERE profile = 1 "
                       "AND fn_layer = 0 ORDER BY key_id"),
                  c.remaining);
        EXPECT_EQ(store.CountKeys(1), static_cast<int>(c.remaining.size()) + 1)
            << "layer 1 is never touched";
    });
}

// Databases of earlier versions hold the Fn key (and the calculator key) of the base layer as a
// plain key of its own usage, a dead key on the keyboard: those rows, and only those, get the
// key's factory function back ("keep the keyboard's entry", named as the layout names the key).
TEST_F(KeyTableTest, DeadKeyRowsGetTheKeysFactoryFunctionBack) {
    store.InsertKeys({Key(1, 0, 0xF0, 2, 0xF0, 0, "Fn"), Key(1, 1, 0xF0, 2, 0xF0, 0, "Fn"),
                      Key(1, 0, 0x04, 2, 0x04, 0, "A"), Key(2, 0, 0xF0, 2, 0xF0, 1, "LCtrl+Fn"),
                      Key(2, 0, 0xD2, 2, 0xD2, 0, "Calc"), Key(2, 0, 0xF0, 3, 0xF0, 0, "M")});
    const int codes[] = {0xF0, 0xD1, 0xD2};
    const std::string query =
        "SELECT profile, fn_layer, key_code, macro_type, macro_value, macro_value2, macro_desc "
        "FROM t_key_macro_data ORDER BY key_id";
    const Table repaired = {{"1", "0", "240", "0", "0", "0", "layout 240"},
                            {"1", "1", "240", "2", "240", "0", "Fn"},
                            {"1", "0", "4", "2", "4", "0", "A"},
                            {"2", "0", "240", "2", "240", "1", "LCtrl+Fn"},
                            {"2", "0", "210", "0", "0", "0", "layout 210"},
                            {"2", "0", "240", "3", "240", "0", "M"}};
    ASSERT_TRUE(store.RestoreDeadKeyRows(codes));
    EXPECT_EQ(Rows(query), repaired);
    ASSERT_TRUE(store.RestoreDeadKeyRows(codes)) << "nothing left to repair";
    EXPECT_EQ(Rows(query), repaired);
}

// --- Macros -----------------------------------------------------------------------------------

using MacroTableTest = StoreTest;

TEST_F(MacroTableTest, NewMacroDefaultsRenameAndUpdate) {
    const int id = store.InsertMacro("Combo ✓");
    ASSERT_GT(id, 0);
    MacroData macro;
    ASSERT_TRUE(store.GetMacro(id, macro));
    EXPECT_EQ(macro.macro_id, id);
    EXPECT_EQ(macro.name, "Combo ✓");
    EXPECT_EQ(macro.play_type, 0);
    EXPECT_EQ(macro.play_times, 1);
    EXPECT_EQ(macro.delay_type, 1);
    EXPECT_EQ(macro.delay_time, 0);

    EXPECT_TRUE(store.RenameMacro(id, "Renamed"));
    macro = {id, "Updated", 2, 5, 0, 30};
    EXPECT_TRUE(store.UpdateMacro(macro));
    EXPECT_EQ(Rows("SELECT * FROM t_macro_data"), (Table{{"1", "Updated", "2", "5", "0", "30"}}));

    const int second = store.InsertMacro("Second");
    std::vector<MacroData> list;
    ASSERT_EQ(store.ListMacros(list), 2);
    EXPECT_EQ(list[0].macro_id, id);
    EXPECT_EQ(list[1].macro_id, second);
}

TEST_F(MacroTableTest, StepsAreSortedCountedAndDeletedWithTheirMacro) {
    const int a = store.InsertMacro("a");
    const int b = store.InsertMacro("b");
    auto step = [](int macro, int index, int value, const std::string& desc) {
        MacroRecordData s;
        s.macro_id = macro;
        s.type = 1;
        s.record_index = index;
        s.value = value;
        s.delay_time = 10 * index;
        s.desc = desc;
        return s;
    };
    store.InsertMacroSteps({step(a, 2, 0x41, "A up"), step(a, 0, 0x41, "A down"),
                            step(b, 0, 0x42, "B down"), step(a, 1, 0x10, "Shift")});
    // The table keeps desc before value and delay_time.
    EXPECT_EQ(Rows("SELECT desc, value, delay_time FROM t_macrorecord WHERE record_id = 1"),
              (Table{{"A up", "65", "20"}}));

    std::vector<MacroRecordData> steps;
    ASSERT_EQ(store.ListMacroSteps(a, steps), 3);
    EXPECT_EQ(steps[0].record_index, 0);
    EXPECT_EQ(steps[0].desc, "A down");
    EXPECT_EQ(steps[1].desc, "Shift");
    EXPECT_EQ(steps[1].value, 0x10);
    EXPECT_EQ(steps[2].desc, "A up");
    EXPECT_EQ(steps[2].delay_time, 20);
    EXPECT_EQ(steps[2].record_id, 1);
    EXPECT_EQ(store.CountMacroSteps(a), 3);
    EXPECT_EQ(store.CountMacroSteps(b), 1);
    EXPECT_EQ(store.CountAllMacroSteps(), 4);

    ASSERT_TRUE(store.DeleteMacro(a));
    MacroData gone;
    EXPECT_FALSE(store.GetMacro(a, gone));
    EXPECT_EQ(store.CountMacroSteps(a), 0);
    EXPECT_EQ(store.CountMacroSteps(b), 1) << "other macros keep their steps";

    ASSERT_TRUE(store.DeleteMacroSteps(b));
    EXPECT_EQ(store.CountAllMacroSteps(), 0);
    EXPECT_EQ(CountRows("t_macro_data"), 1) << "deleting steps keeps the macro";
}

TEST_F(MacroTableTest, ReplacingStepsIsAllOrNothing) {
    const int macro = store.InsertMacro("m");
    auto step = [](int type, int index, const std::string& desc) {
        MacroRecordData s;
        s.type = type;
        s.record_index = index;
        s.value = 0x41;
        s.delay_time = 10;
        s.desc = desc;
        return s;
    };
    ASSERT_TRUE(store.ReplaceMacroSteps(macro, {step(2, 0, "old down"), step(3, 1, "old up")}));
    ASSERT_TRUE(store.ReplaceMacroSteps(macro, {step(1, 0, "50 ms")}));
    EXPECT_EQ(Rows("SELECT macro_id, type, record_index, desc FROM t_macrorecord"),
              (Table{{std::to_string(macro), "1", "0", "50 ms"}}));

    // A second connection makes one insert fail: the steps before the call stay complete.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other,
                           "CREATE TRIGGER refuse BEFORE INSERT ON t_macrorecord "
                           "WHEN NEW.desc = 'bad' BEGIN SELECT RAISE(ABORT, 'refused'); END;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(other);
    EXPECT_FALSE(store.ReplaceMacroSteps(macro, {step(2, 0, "good"), step(3, 1, "bad")}));
    EXPECT_EQ(Rows("SELECT desc FROM t_macrorecord"), (Table{{"50 ms"}}));
    // The connection is usable afterwards (no transaction left open).
    EXPECT_TRUE(store.ReplaceMacroSteps(macro, {}));
    EXPECT_EQ(store.CountMacroSteps(macro), 0);
}

// --- Light settings and per-key colours -------------------------------------------------------

using LightTableTest = StoreTest;

TEST_F(LightTableTest, ActiveModeIsExactlyOneRowOfItsProfileAndType) {
    for (int profile : {1, 2}) {
        for (int type : {0, 1}) {
            for (int mode : {1, 5, 9}) {
                ASSERT_GT(store.InsertLightRow(Light(profile, type, mode, mode == 1)), 0);
            }
        }
    }
    EXPECT_EQ(store.CountLightRows(1), 6);
    EXPECT_EQ(store.GetActiveLightMode(1, 0), 1);

    ASSERT_TRUE(store.SetActiveLightMode(1, 0, 5));
    EXPECT_EQ(Rows("SELECT profile, type, mode FROM t_light_data WHERE status = 1 "
                   "ORDER BY light_id"),
              (Table{{"1", "0", "5"}, {"1", "1", "1"}, {"2", "0", "1"}, {"2", "1", "1"}}));
    EXPECT_EQ(store.GetActiveLightMode(1, 0), 5);

    // Activating a mode without a row leaves the type without an active mode.
    EXPECT_TRUE(store.SetActiveLightMode(1, 1, 42));
    EXPECT_EQ(store.GetActiveLightMode(1, 1), 0);
    EXPECT_EQ(store.GetActiveLightMode(3, 0), 0);
}

TEST_F(LightTableTest, UpdateChangesSettingsButNeverNameOrStatus) {
    store.InsertLightRow(Light(1, 0, 5, 1));
    store.InsertLightRow(Light(1, 1, 5, 0));
    LightData change = Light(1, 99, 99, 0);  // type and mode come from the arguments
    change.name = "renamed?";
    change.brightness = 1;
    change.speed = 2;
    change.direction = 3;
    change.colorful = 1;
    change.colorindex = 6;
    change.color_value = 0x00FF8000;
    change.config_func = 8;
    change.reserved = 9;
    EXPECT_TRUE(store.UpdateLightRow(0, 5, change));

    LightData row;
    ASSERT_TRUE(store.GetLightRow(1, 0, 5, row));
    EXPECT_EQ(row.name, "mode 5");
    EXPECT_EQ(row.status, 1);
    EXPECT_EQ(row.type, 0);
    EXPECT_EQ(row.brightness, 1);
    EXPECT_EQ(row.speed, 2);
    EXPECT_EQ(row.direction, 3);
    EXPECT_EQ(row.colorful, 1);
    EXPECT_EQ(row.colorindex, 6);
    EXPECT_EQ(row.color_value, 0x00FF8000);
    EXPECT_EQ(row.config_func, 8);
    EXPECT_EQ(row.reserved, 9);
    ASSERT_TRUE(store.GetLightRow(1, 1, 5, row));
    EXPECT_EQ(row.brightness, 4) << "the other type is untouched";

    std::vector<LightData> rows;
    EXPECT_EQ(store.ListLightRows(1, 0, rows), 1);
    EXPECT_FALSE(store.GetLightRow(1, 0, 6, row));
}

TEST_F(LightTableTest, PerKeyColourSetsAreReplacedAsAWhole) {
    EXPECT_EQ(store.InsertUserLightColors({}), 0);
    EXPECT_EQ(CountRows("t_userlightrgb_data"), 0);

    std::vector<UserLightRgbData> set;
    for (int code : {4, 5, 6}) {
        set.push_back({0, 1, 2, code, 0x0000FF + code});
    }
    EXPECT_EQ(store.InsertUserLightColors(set), 3);
    EXPECT_EQ(store.InsertUserLightColors({{0, 1, 3, 4, 1}, {0, 2, 2, 4, 1}}), 2);

    std::vector<UserLightRgbData> read;
    ASSERT_EQ(store.ListUserLightColors(1, 2, read), 3);
    EXPECT_EQ(read[2].key_code, 6);
    EXPECT_EQ(read[2].key_rgb, 0x0000FF + 6);
    EXPECT_EQ(read[2].userlight_id, 2);

    ASSERT_TRUE(store.DeleteUserLightColors(1, 2));
    EXPECT_EQ(store.ListUserLightColors(1, 2, read), 0);
    EXPECT_EQ(CountRows("t_userlightrgb_data"), 2) << "other sets and profiles stay";
}

TEST_F(LightTableTest, MusicLayerUpdateKeepsProfileAndName) {
    const int profile = store.InsertProfile({0, "P", "", "", "", 0, 0});
    MusicLayerData layer;
    layer.profile = 77;  // not an updated column
    layer.name = "ignored";
    layer.deviceindex = 2;
    layer.foremode = 1;
    layer.fore_amplitude = 150;
    layer.backmode = 3;
    layer.backb_right = 40;
    layer.light_right = 60;
    EXPECT_TRUE(store.UpdateMusicLayer(profile, layer));
    EXPECT_EQ(Rows("SELECT * FROM t_musiclayer_data"),
              (Table{{"1", "1", "Profile", "2", "1", "150", "3", "40", "60", "0"}}));
    MusicLayerData untouched;
    untouched.name = "kept";
    EXPECT_FALSE(store.GetMusicLayer(5, untouched));
    EXPECT_EQ(untouched.name, "kept");
    EXPECT_EQ(untouched.light_right, 100);
}

// --- Screen animation library -----------------------------------------------------------------

using LibraryTableTest = StoreTest;

TEST_F(LibraryTableTest, AnimationsBelongToTheLibraryNotToAProfile) {
    const int id = store.InsertLedLayer("anim_1");
    ASSERT_GT(id, 0);
    EXPECT_EQ(Rows("SELECT * FROM t_ledlayer_data"),
              (Table{{"1", "1", "0", "anim_1", "0", "anim_1", "anim_1"}}));
    EXPECT_TRUE(store.SetLedLayerFrameCount(id, 12));
    EXPECT_TRUE(store.SetLedLayerFirstFile(id, "0001.png"));
    LedLayerData layer;
    ASSERT_TRUE(store.GetLedLayer(id, layer));
    EXPECT_EQ(layer.frame_size, 12);
    EXPECT_EQ(layer.first_file, "0001.png");
    EXPECT_EQ(layer.file_dir, "anim_1");

    // Screen files are library rows as well.
    ASSERT_GT(store.InsertScreenFile(3, "screen.bin"), 0);
    std::vector<LedLayerData> layers;
    EXPECT_EQ(store.ListLedLayers(layers), 1);
    std::vector<TftScreenData> screens;
    ASSERT_EQ(store.ListScreenFiles(screens), 1);
    EXPECT_EQ(screens[0].profile, 1);
    EXPECT_EQ(screens[0].frame_size, 3);
    EXPECT_EQ(screens[0].file_name, "screen.bin");
}

TEST_F(LibraryTableTest, FramesAreSortedAndGoWithTheirAnimation) {
    const int a = store.InsertLedLayer("a");
    const int b = store.InsertLedLayer("b");
    std::vector<LedFrameData> frames;
    for (int index : {2, 0, 1}) {
        frames.push_back(
            {0, a, "f" + std::to_string(index), 40, index, std::to_string(index) + ".png"});
    }
    frames.push_back({0, b, "only", 100, 0, "b.png"});
    EXPECT_EQ(store.InsertLedFrames(frames), 4);

    std::vector<LedFrameData> read;
    ASSERT_EQ(store.ListLedFrames(a, read), 3);
    EXPECT_EQ(read[0].name, "f0");
    EXPECT_EQ(read[1].name, "f1");
    EXPECT_EQ(read[2].file_name, "2.png");
    EXPECT_EQ(read[2].delay_time, 40);
    EXPECT_EQ(store.CountLedFrames(a), 3);

    EXPECT_TRUE(store.DeleteLedLayer(a));
    LedLayerData layer;
    EXPECT_FALSE(store.GetLedLayer(a, layer));
    EXPECT_EQ(store.CountLedFrames(a), 0);
    EXPECT_EQ(store.CountLedFrames(b), 1);

    // Frames left behind by an animation row that is already gone are still removed.
    store.InsertLedFrames({{0, 42, "orphan", 1, 0, "o.png"}});
    EXPECT_TRUE(store.DeleteLedLayer(42));
    EXPECT_EQ(store.CountLedFrames(42), 0);

    store.InsertScreenFile(1, "kept.bin");
    store.ClearLedLibrary();
    EXPECT_EQ(CountRows("t_ledlayer_data"), 0);
    EXPECT_EQ(CountRows("t_ledframe_data"), 0);
    EXPECT_EQ(CountRows("t_tftscreen_data"), 1) << "screen files are not part of the clear";
}

}  // namespace
}  // namespace zanvor::test
