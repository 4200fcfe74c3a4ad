#include <sqlite3.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "StoreFixture.h"
#include "store/Schema.h"

namespace zanvor::test {
namespace {

struct ExpectedTable {
    const char* name;
    std::vector<std::pair<std::string, std::string>> columns;  // name, type; first is the key
    const char* index;                                         // nullptr: none
    const char* indexColumn = nullptr;                         // nullptr: the key column
};

// The file format every stored database has.
const std::vector<ExpectedTable> kExpectedSchema = {
    {"t_config_data",
     {{"config_id", "INTEGER"}, {"profile", "INTEGER"}, {"key", "TEXT"}, {"value", "TEXT"}},
     nullptr},
    {"t_profile_data",
     {{"profile", "INTEGER"},
      {"name", "TEXT"},
      {"status", "INTEGER"},
      {"app", "TEXT"},
      {"icon_image", "TEXT"},
      {"bkg_image", "TEXT"},
      {"type", "INTEGER"}},
     "profileindex"},
    {"t_key_macro_data",
     {{"key_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"fn_layer", "INTEGER"},
      {"key_code", "INTEGER"},
      {"layout_value", "INTEGER"},
      {"layout_desc", "TEXT"},
      {"macro_type", "INTEGER"},
      {"macro_value", "INTEGER"},
      {"macro_value2", "INTEGER"},
      {"macro_value3", "INTEGER"},
      {"macro_desc", "TEXT"}},
     "keyindex"},
    {"t_key_otherdata",
     {{"macro_value", "INTEGER"}, {"macro_desc", "TEXT"}, {"param", "TEXT"}, {"type", "INTEGER"}},
     "otheridindex"},
    {"t_magnetic_key_data",
     {{"macro_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"fn_layer", "INTEGER"},
      {"macro_type", "INTEGER"},
      {"key1_value", "INTEGER"},
      {"key2_value", "INTEGER"},
      {"key1_name", "TEXT"},
      {"key2_name", "TEXT"},
      {"reserved", "INTEGER"}},
     "magnetic_keyindex"},
    {"t_key_item_data",
     {{"keyitem_id", "INTEGER"},
      {"macro_id", "INTEGER"},
      {"trigger_state1", "INTEGER"},
      {"trigger_state2", "INTEGER"},
      {"trigger_state3", "INTEGER"},
      {"trigger_state4", "INTEGER"},
      {"key_value", "INTEGER"},
      {"key_name", "TEXT"}},
     "key_itemindex",
     "macro_id"},
    {"t_macro_data",
     {{"macro_id", "INTEGER"},
      {"name", "TEXT"},
      {"play_type", "INTEGER"},
      {"play_times", "INTEGER"},
      {"delay_type", "INTEGER"},
      {"delay_time", "INTEGER"}},
     "macroidindex"},
    {"t_macrorecord",
     {{"record_id", "INTEGER"},
      {"macro_id", "INTEGER"},
      {"type", "INTEGER"},
      {"record_index", "INTEGER"},
      {"desc", "TEXT"},
      {"value", "INTEGER"},
      {"delay_time", "INTEGER"}},
     "macrorecordindex"},
    {"t_light_data",
     {{"light_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"name", "TEXT"},
      {"type", "INTEGER"},
      {"mode", "INTEGER"},
      {"brightness", "INTEGER"},
      {"speed", "INTEGER"},
      {"direction", "INTEGER"},
      {"colorful", "INTEGER"},
      {"colorindex", "INTEGER"},
      {"color_value", "INTEGER"},
      {"config_func", "INTEGER"},
      {"reserved", "INTEGER"},
      {"status", "INTEGER"}},
     "lightindex"},
    {"t_userlight_data",
     {{"userlight_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"name", "TEXT"},
      {"speed", "INTEGER"},
      {"brightness", "INTEGER"},
      {"status", "INTEGER"}},
     "userlightindex"},
    {"t_userlightrgb_data",
     {{"userlightrgb_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"userlight_id", "INTEGER"},
      {"key_code", "INTEGER"},
      {"key_rgb", "INTEGER"}},
     "userlightrgbindex"},
    {"t_customlight_data",
     {{"customlight_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"name", "TEXT"},
      {"speed", "INTEGER"},
      {"brightness", "INTEGER"},
      {"status", "INTEGER"}},
     "customlightindex"},
    {"t_customrgb_data",
     {{"customrgb_id", "INTEGER"},
      {"customlight_id", "INTEGER"},
      {"keycode", "INTEGER"},
      {"rgbvalue", "INTEGER"},
      {"light_mode", "INTEGER"},
      {"colortype", "INTEGER"},
      {"light_type", "INTEGER"}},
     "customrgbindex"},
    {"t_musiclayer_data",
     {{"layer_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"name", "TEXT"},
      {"deviceindex", "INTEGER"},
      {"foremode", "INTEGER"},
      {"fore_amplitude", "INTEGER"},
      {"backmode", "INTEGER"},
      {"backb_right", "INTEGER"},
      {"light_right", "INTEGER"},
      {"sel", "INTEGER"}},
     "musiclayerindex"},
    {"t_auroralayer_data",
     {{"layer_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"name", "TEXT"},
      {"layer_mode", "INTEGER"},
      {"layer_scale", "INTEGER"},
      {"colorful", "INTEGER"},
      {"colorvalue", "INTEGER"},
      {"rect_x", "INTEGER"},
      {"rect_y", "INTEGER"},
      {"rect_width", "INTEGER"},
      {"rect_height", "INTEGER"}},
     "auroralayerindex"},
    {"t_ledlayer_data",
     {{"led_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"type", "INTEGER"},
      {"name", "TEXT"},
      {"frame_size", "INTEGER"},
      {"file_dir", "TEXT"},
      {"first_file", "TEXT"}},
     nullptr},
    {"t_ledframe_data",
     {{"frame_id", "INTEGER"},
      {"led_id", "INTEGER"},
      {"name", "TEXT"},
      {"delay_time", "INTEGER"},
      {"frame_index", "INTEGER"},
      {"file_name", "TEXT"}},
     nullptr},
    {"t_tftscreen_data",
     {{"tft_id", "INTEGER"},
      {"profile", "INTEGER"},
      {"frame_size", "INTEGER"},
      {"file_name", "TEXT"}},
     nullptr},
};

using DatabaseLifecycleTest = StoreTest;

TEST_F(DatabaseLifecycleTest, NewDatabaseHasTheWholeSchemaInOrder) {
    EXPECT_TRUE(store.IsOpen());
    EXPECT_EQ(store.Path(), dataFolder() + "db/TestBoard_data.db");

    // sqlite_master lists objects in creation order: each table, then its index.
    std::vector<std::vector<std::string>> expectedObjects;
    int indexes = 0;
    for (const ExpectedTable& table : kExpectedSchema) {
        expectedObjects.push_back({"table", table.name, table.name});
        if (table.index != nullptr) {
            expectedObjects.push_back({"index", table.index, table.name});
            ++indexes;
        }
    }
    ASSERT_EQ(kExpectedSchema.size(), 18u);
    ASSERT_EQ(indexes, 14);
    EXPECT_EQ(Rows("SELECT type, name, tbl_name FROM sqlite_master WHERE name NOT LIKE "
                   "'sqlite_%' ORDER BY rowid"),
              expectedObjects);

    for (const ExpectedTable& table : kExpectedSchema) {
        SCOPED_TRACE(table.name);
        std::vector<std::vector<std::string>> expectedColumns;
        for (size_t i = 0; i < table.columns.size(); ++i) {
            expectedColumns.push_back(
                {table.columns[i].first, table.columns[i].second, i == 0 ? "1" : "0"});
        }
        EXPECT_EQ(Rows(std::string("SELECT name, type, pk FROM pragma_table_info('") + table.name +
                       "') ORDER BY cid"),
                  expectedColumns);
        // AUTOINCREMENT on the key: SQLite keeps a counter per table in sqlite_sequence.
        EXPECT_NE(Rows(std::string("SELECT sql FROM sqlite_master WHERE name = '") + table.name +
                       "'")[0][0]
                      .find("INTEGER PRIMARY KEY AUTOINCREMENT"),
                  std::string::npos);
        if (table.index != nullptr) {
            EXPECT_EQ(
                Rows(std::string("SELECT name FROM pragma_index_info('") + table.index + "')"),
                (std::vector<std::vector<std::string>>{
                    {table.indexColumn != nullptr ? table.indexColumn : table.columns[0].first}}));
        }
    }
}

TEST_F(DatabaseLifecycleTest, SchemaStatementsAreCompleteAndIdempotent) {
    int tables = 0;
    int indexes = 0;
    for (const SchemaStatement& statement : kSchemaStatements) {
        ASSERT_NE(statement.sql, nullptr);
        const std::string sql = statement.sql;
        tables += sql.rfind("CREATE TABLE IF NOT EXISTS ", 0) == 0;
        indexes += sql.rfind("CREATE INDEX IF NOT EXISTS ", 0) == 0;
    }
    // The database has 18 tables and 14 indexes (the full list is checked above).
    EXPECT_EQ(tables, 18);
    EXPECT_EQ(indexes, 14);
    EXPECT_EQ(kSchemaStatements.size(), 32u);
}

TEST_F(DatabaseLifecycleTest, ReopeningKeepsDataAndCreatesNothing) {
    const int macro = store.InsertMacro("kept");
    ASSERT_GT(macro, 0);
    const auto schemaBefore = Rows("SELECT type, name, sql FROM sqlite_master ORDER BY rowid");

    store.CloseDatabase();
    EXPECT_FALSE(store.IsOpen());
    ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), kModel));
    EXPECT_TRUE(store.OpenDeviceDatabase(dataFolder(), kModel)) << "already open: still true";

    MacroData read;
    EXPECT_TRUE(store.GetMacro(macro, read));
    EXPECT_EQ(read.name, "kept");
    EXPECT_EQ(Rows("SELECT type, name, sql FROM sqlite_master ORDER BY rowid"), schemaBefore);
}

TEST_F(DatabaseLifecycleTest, EachModelHasItsOwnFileAndSwitchingFollowsTheModel) {
    ASSERT_GT(store.InsertMacro("first board"), 0);
    // Opening another model while one is open switches to the other file.
    ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), "Other"));
    EXPECT_EQ(store.Path(), dataFolder() + "db/Other_data.db");
    std::vector<MacroData> macros;
    EXPECT_EQ(store.ListMacros(macros), 0);
    ASSERT_GT(store.InsertMacro("second board"), 0);

    store.CloseDatabase();
    ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), kModel));
    ASSERT_EQ(store.ListMacros(macros), 1);
    EXPECT_EQ(macros[0].name, "first board");
}

TEST_F(DatabaseLifecycleTest, RowIdsAreNotReusedAfterDeletingTheLastRow) {
    const int first = store.InsertMacro("a");
    const int second = store.InsertMacro("b");
    ASSERT_EQ(second, first + 1);
    ASSERT_TRUE(store.DeleteMacro(second));
    EXPECT_EQ(store.InsertMacro("c"), second + 1);

    // Also across a reopen.
    ASSERT_TRUE(store.DeleteMacro(second + 1));
    store.CloseDatabase();
    ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), kModel));
    EXPECT_EQ(store.InsertMacro("d"), second + 2);
}

TEST_F(DatabaseLifecycleTest, DeleteRemovesTheFileWithItsWalAndShm) {
    ASSERT_GT(store.InsertMacro("written"), 0);
    ASSERT_TRUE(Exists(dbPath() + "-wal"));
    ASSERT_TRUE(Exists(dbPath() + "-shm"));

    // Deleting the open model's file closes the connection first.
    EXPECT_TRUE(store.DeleteDeviceDatabase(dataFolder(), kModel));
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(store.InsertMacro("lost"), 0) << "no connection may write into a deleted file";
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
        EXPECT_FALSE(Exists(dbPath() + suffix)) << suffix;
    }

    // Reset: opening again creates an empty database.
    ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), kModel));
    std::vector<MacroData> macros;
    EXPECT_EQ(store.ListMacros(macros), 0);
    EXPECT_EQ(CountRows("sqlite_master"), 18 + 14 + 1) << "the schema plus sqlite_sequence";
}

TEST_F(DatabaseLifecycleTest, DeletingAnotherModelLeavesTheOpenOneAlone) {
    ASSERT_TRUE(CreateFolders(dataFolder() + "db"));
    WriteFile(DataStore::DatabasePath(dataFolder(), "Other"), "x");
    EXPECT_TRUE(store.DeleteDeviceDatabase(dataFolder(), "Other"));
    EXPECT_FALSE(Exists(DataStore::DatabasePath(dataFolder(), "Other")));
    EXPECT_TRUE(store.IsOpen());
    EXPECT_GT(store.InsertMacro("still works"), 0);
    EXPECT_TRUE(store.DeleteDeviceDatabase(dataFolder(), "NeverExisted"));
}

TEST_F(DatabaseLifecycleTest, UnreadableFilesAreNotOpened) {
    store.CloseDatabase();
    const std::string garbagePath = DataStore::DatabasePath(dataFolder(), "Garbage");
    const std::string garbage = "this is not an SQLite database, not even close to one";
    WriteFile(garbagePath, garbage);
    EXPECT_FALSE(store.OpenDeviceDatabase(dataFolder(), "Garbage"));
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(ReadFile(garbagePath), garbage) << "the file is left untouched";

    // Another program's SQLite file: refused without being written to (the switch to WAL
    // rewrote its header and counted a change before the schema was found wanting).
    const std::string foreignPath = DataStore::DatabasePath(dataFolder(), "Foreign");
    sqlite3* foreign = nullptr;
    ASSERT_EQ(sqlite3_open(foreignPath.c_str(), &foreign), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(foreign, "CREATE TABLE notes (text); INSERT INTO notes VALUES ('x');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(foreign);
    const std::string before = ReadFile(foreignPath);
    EXPECT_FALSE(store.OpenDeviceDatabase(dataFolder(), "Foreign"));
    EXPECT_FALSE(store.IsOpen());
    EXPECT_EQ(store.OpenFailure(), StoreFailure::kDamaged);
    EXPECT_EQ(ReadFile(foreignPath), before) << "not one byte changed";
    EXPECT_FALSE(Exists(foreignPath + "-wal"));

    // No "db" folder: the store creates no folders and reports the failure.
    TempDir bare;
    EXPECT_FALSE(store.OpenDeviceDatabase(bare.path(), kModel));
    EXPECT_FALSE(store.IsOpen());
    EXPECT_FALSE(Exists(bare.path() + "db"));
}

TEST_F(DatabaseLifecycleTest, IncompleteNewDatabaseIsNotKept) {
    // A folder in the way of the write-ahead log makes every schema statement fail.
    const std::string path = DataStore::DatabasePath(dataFolder(), "Blocked");
    ASSERT_TRUE(CreateFolders(path + "-wal"));
    EXPECT_FALSE(store.OpenDeviceDatabase(dataFolder(), "Blocked"));
    EXPECT_FALSE(store.IsOpen());
    EXPECT_FALSE(Exists(path)) << "a half-built file would pass for a database next time";

    std::filesystem::remove(path + "-wal");
    ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), "Blocked"));
    EXPECT_EQ(QueryRows(path, "SELECT count(*) FROM sqlite_master WHERE type = 'table'"),
              (std::vector<std::vector<std::string>>{{"19"}}))
        << "18 tables and sqlite_sequence";
}

TEST_F(DatabaseLifecycleTest, ClosedStoreFailsSoftly) {
    // Fill something first so "empty" results really come from the closed connection.
    const int profile = store.InsertProfile({0, "P", "", "", "", 0, 0});
    ASSERT_GT(profile, 0);
    store.InsertDefaultConfig(profile);
    store.CloseDatabase();
    store.CloseDatabase();  // twice is harmless

    std::string text = "stale";
    EXPECT_FALSE(store.GetConfigValue(profile, "mac_mode", text));
    EXPECT_EQ(text, "");
    EXPECT_FALSE(store.UpdateConfigValue(profile, "mac_mode", "1"));
    EXPECT_EQ(store.GetConfigInt(profile, "sleep_time"), 0);
    text = "stale";
    EXPECT_FALSE(store.GetProfileName(profile, text));
    EXPECT_EQ(text, "");
    EXPECT_EQ(store.InsertProfile({0, "Q", "", "", "", 0, 0}), 0);
    EXPECT_FALSE(store.DeleteProfile(profile));
    EXPECT_FALSE(store.SetActiveProfile(profile));
    EXPECT_EQ(store.GetActiveProfile(), 0);

    // Reads leave an output record as it was and empty a caller's list.
    MacroData macro;
    macro.name = "untouched";
    EXPECT_FALSE(store.GetMacro(1, macro));
    EXPECT_EQ(macro.name, "untouched");
    std::vector<ProfileData> profiles(3);
    EXPECT_EQ(store.LoadProfiles(profiles), 0);
    EXPECT_TRUE(profiles.empty());
    std::vector<KeyMacroData> keys(2);
    EXPECT_EQ(store.ListAllKeys(keys), 0);
    EXPECT_TRUE(keys.empty());

    // Counts and modes read 0, inserts return 0, updates and deletes return false.
    EXPECT_EQ(store.CountKeys(profile), 0);
    EXPECT_EQ(store.CountAllMacroSteps(), 0);
    EXPECT_EQ(store.GetActiveLightMode(profile, 0), 0);
    EXPECT_EQ(store.InsertMacro("m"), 0);
    EXPECT_EQ(store.InsertLedLayer("anim"), 0);
    EXPECT_EQ(store.InsertScreenFile(3, "f"), 0);
    EXPECT_EQ(store.ReplaceKey({0, 1, 0, 4, 0, "", 1, 4, 0, 0, "A"}), 0);
    EXPECT_FALSE(store.RenameMacro(1, "x"));
    EXPECT_FALSE(store.DeleteMacro(1));
    EXPECT_FALSE(store.SetActiveLightMode(1, 0, 1));
    EXPECT_FALSE(store.DeleteLedLayer(1));
    store.InsertKeys({KeyMacroData{}});
    store.ClearLedLibrary();

    // Nothing was written meanwhile.
    EXPECT_EQ(CountRows("t_profile_data"), 1);
    EXPECT_EQ(CountRows("t_macro_data"), 0);
    EXPECT_EQ(CountRows("t_key_macro_data"), 0);
}

TEST(DataStoreInstance, IsOneObjectForEveryThread) {
    DataStore* seen[2] = {nullptr, nullptr};
    std::thread other([&] { seen[0] = &DataStore::Instance(); });
    seen[1] = &DataStore::Instance();
    other.join();
    EXPECT_EQ(seen[0], seen[1]);
}

// Device selection and reset on one thread while the worker keeps querying: every query sees
// either a whole database or none, and a bulk write is never cut by a close or a delete.
TEST_F(DatabaseLifecycleTest, OpenCloseDeleteWhileAnotherThreadQueries) {
    constexpr int kStepsPerMacro = 10;
    std::atomic<bool> stop{false};
    std::atomic<int> writes{0};

    std::thread worker([&] {
        while (!stop.load()) {
            const int macro = store.InsertMacro("busy");
            std::vector<MacroRecordData> steps(kStepsPerMacro);
            for (int i = 0; i < kStepsPerMacro; ++i) {
                steps[i].macro_id = macro;
                steps[i].record_index = i;
                steps[i].desc = "step";
            }
            store.InsertMacroSteps(std::move(steps));
            std::vector<MacroRecordData> read;
            const int count = store.ListMacroSteps(macro, read);
            // A switch between the two writes may file steps under an id another database
            // uses too, but a set of steps is always whole.
            EXPECT_EQ(count % kStepsPerMacro, 0) << count;
            EXPECT_EQ(static_cast<int>(read.size()), count);
            std::string value;
            store.GetConfigValue(1, "sleep_time", value);
            writes.fetch_add(1);
        }
    });

    for (int round = 0; round < 60; ++round) {
        switch (round % 3) {
            case 0:
                store.CloseDatabase();
                break;
            case 1:
                store.DeleteDeviceDatabase(dataFolder(), kModel);
                break;
            default:
                break;
        }
        EXPECT_TRUE(store.OpenDeviceDatabase(dataFolder(), round % 2 ? kModel : "Second"));
        std::this_thread::yield();
    }
    ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), kModel));
    while (writes.load() < 5) {
        std::this_thread::yield();
    }
    stop = true;
    worker.join();
    store.CloseDatabase();

    for (const char* model : {kModel, "Second"}) {
        const std::string path = DataStore::DatabasePath(dataFolder(), model);
        if (!Exists(path)) {
            continue;
        }
        SCOPED_TRACE(model);
        EXPECT_EQ(QueryRows(path, "PRAGMA integrity_check"),
                  (std::vector<std::vector<std::string>>{{"ok"}}));
        for (const auto& row :
             QueryRows(path, "SELECT count(*) FROM t_macrorecord GROUP BY macro_id")) {
            EXPECT_EQ(std::stoi(row[0]) % kStepsPerMacro, 0) << row[0];
        }
    }
}

}  // namespace
}  // namespace zanvor::test
