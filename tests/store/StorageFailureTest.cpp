// What the store does when the database file or the disk lets it down: a file that is no
// usable database is reported as such (and can be moved aside), a write that fails anywhere
// in a profile leaves nothing of it, and every failure names its cause.

#include <sqlite3.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "StoreFixture.h"
#include "support/FaultVfs.h"
#include "support/Rows.h"

namespace zanvor::test {
namespace {

namespace fs = std::filesystem;

class StorageFailureTest : public StoreTest {
  protected:
    // Rows of every table a profile has rows in.
    std::map<std::string, int> Counts() const {
        std::map<std::string, int> counts;
        for (const char* table : {"t_profile_data", "t_config_data", "t_musiclayer_data",
                                  "t_customlight_data", "t_key_macro_data"}) {
            counts[table] = CountRows(table);
        }
        return counts;
    }

    static DataStore::ProfileRows KeyRows(DataStore& store) {
        return [&store](int id) {
            std::vector<KeyMacroData> rows(3);
            for (size_t i = 0; i < rows.size(); ++i) {
                rows[i].profile = id;
                rows[i].key_code = static_cast<int>(4 + i);
                rows[i].macro_type = 2;
                rows[i].macro_value = rows[i].key_code;
            }
            return store.InsertKeys(rows);
        };
    }

    // A complete new database of the model, closed again.
    void CreateDatabase(const std::string& model) const {
        DataStore other;
        ASSERT_TRUE(other.OpenDeviceDatabase(dataFolder(), model));
        other.CloseDatabase();
    }

    static ProfileData Named(const std::string& name) {
        ProfileData profile;
        profile.name = name;
        return profile;
    }
};

// Files that are not a usable database are reported as damaged at once, left as they are, and
// can be moved aside for a new database.
TEST_F(StorageFailureTest, AFileThatIsNoUsableDatabaseIsReportedAndCanBeMovedAside) {
    const struct {
        const char* name;
        std::function<void(const std::string& path)> spoil;
    } cases[] = {
        {"garbage", [](const std::string& path) { WriteFile(path, std::string(8192, '\x5A')); }},
        {"an empty file", [](const std::string& path) { WriteFile(path, ""); }},
        {"a folder", [](const std::string& path) { fs::create_directory(path); }},
        {"a missing table",
         [this](const std::string& path) {
             CreateDatabase("Spoilt");
             sqlite3* db = nullptr;
             sqlite3_open(path.c_str(), &db);
             sqlite3_exec(db, "DROP TABLE t_config_data;", nullptr, nullptr, nullptr);
             sqlite3_close(db);
         }},
        {"a torn page",
         [this](const std::string& path) {
             CreateDatabase("Spoilt");
             std::string bytes = ReadFile(path);
             ASSERT_GT(bytes.size(), 3 * 4096u);
             bytes.replace(2 * 4096, 4096, std::string(4096, '\xEE'));
             WriteFile(path, bytes);
         }},
    };
    store.CloseDatabase();
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.name);
        const std::string path = DataStore::DatabasePath(dataFolder(), "Spoilt");
        c.spoil(path);
        const bool folder = fs::is_directory(path);
        const std::string before = folder ? std::string() : ReadFile(path);

        EXPECT_FALSE(store.OpenDeviceDatabase(dataFolder(), "Spoilt"));
        EXPECT_FALSE(store.IsOpen());
        EXPECT_EQ(store.OpenFailure(), StoreFailure::kDamaged);
        EXPECT_NE(store.OpenFailureText().find(path), std::string::npos) << store.OpenFailureText();
        EXPECT_EQ(store.LastFailure(), StoreFailure::kDamaged) << "queries say why they fail";
        if (!folder) {
            EXPECT_TRUE(ReadFile(path) == before) << "the file is left as it was";
        }

        std::string movedTo;
        ASSERT_TRUE(store.MoveDatabaseAside(dataFolder(), "Spoilt", movedTo));
        EXPECT_EQ(movedTo.rfind(path + ".damaged-", 0), 0u) << movedTo;
        EXPECT_TRUE(fs::exists(movedTo));
        if (!folder) {
            EXPECT_TRUE(ReadFile(movedTo) == before) << "the old file is kept whole";
        }
        ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), "Spoilt")) << "a new one is created";
        EXPECT_EQ(store.CountProfiles(), 0);
        store.CloseDatabase();
        fs::remove_all(movedTo);
        ASSERT_TRUE(store.DeleteDeviceDatabase(dataFolder(), "Spoilt"));
    });
}

// A write that fails at any point of a profile's creation (a full disk) leaves none of its
// rows; the failure is named; the store goes on working.
TEST_F(StorageFailureTest, AWriteFailingAnywhereInANewProfileLeavesNothingOfIt) {
    FaultVfs vfs;
    store.CloseDatabase();
    ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), kModel));  // through the fault VFS
    int failures = 0;
    for (int nth = 1; nth < 400; ++nth) {
        const std::map<std::string, int> before = Counts();
        vfs.FailWritesFrom(nth, SQLITE_FULL);
        const DataStore::NewProfile made = store.CreateProfile(Named("P"), 1000, KeyRows(store));
        vfs.FailWritesFrom(0, SQLITE_OK);
        const std::map<std::string, int> after = Counts();
        if (made.status == DataStore::ProfileCreation::kCreated) {
            EXPECT_EQ(after.at("t_profile_data"), before.at("t_profile_data") + 1);
            EXPECT_EQ(after.at("t_config_data"), before.at("t_config_data") + 33);
            EXPECT_EQ(after.at("t_key_macro_data"), before.at("t_key_macro_data") + 3);
            break;  // the fault came after the last write: every position was tried
        }
        ++failures;
        EXPECT_EQ(after, before) << "write " << nth;
        EXPECT_EQ(store.LastFailure(), StoreFailure::kDiskFull) << "write " << nth;
        EXPECT_NE(store.LastFailureText().find("full"), std::string::npos);
        // The same connection takes the next profile whole.
        ASSERT_EQ(store.CreateProfile(Named("Q"), 1000, KeyRows(store)).status,
                  DataStore::ProfileCreation::kCreated)
            << "after a failure at write " << nth;
    }
    EXPECT_GT(failures, 1);
    EXPECT_TRUE(store.IncompleteProfiles().empty());
    EXPECT_EQ(Rows("PRAGMA integrity_check"), (std::vector<std::vector<std::string>>{{"ok"}}));
}

// Another program holding the write lock past the busy timeout: the write fails as "locked",
// nothing is half-written, and it goes through once the lock is released.
TEST_F(StorageFailureTest, ALockHeldByAnotherProgramIsNamedAndNothingIsHalfWritten) {
    store.SetBusyTimeout(50);
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    const std::map<std::string, int> before = Counts();

    EXPECT_EQ(store.CreateProfile(Named("P"), 10, KeyRows(store)).status,
              DataStore::ProfileCreation::kFailed);
    EXPECT_EQ(store.LastFailure(), StoreFailure::kLocked);
    EXPECT_NE(store.LastFailureText().find("locked"), std::string::npos);
    EXPECT_FALSE(store.UpdateConfigValue(1, "sleep_time", "5"));
    EXPECT_EQ(store.LastFailure(), StoreFailure::kLocked);

    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    EXPECT_EQ(Counts(), before);
    EXPECT_EQ(store.CreateProfile(Named("P"), 10, KeyRows(store)).status,
              DataStore::ProfileCreation::kCreated);
}

// Several programs adding at once never pass the limit: it is counted under the write lock.
TEST_F(StorageFailureTest, ConcurrentAddsNeverPassTheProfileLimit) {
    constexpr int kWriters = 4;
    std::vector<std::unique_ptr<DataStore>> stores;
    for (int i = 0; i < kWriters; ++i) {
        stores.push_back(std::make_unique<DataStore>());
        ASSERT_TRUE(stores.back()->OpenDeviceDatabase(dataFolder(), kModel));
    }
    std::atomic<int> created{0};
    std::vector<std::thread> writers;
    for (int i = 0; i < kWriters; ++i) {
        writers.emplace_back([&, i] {
            for (int n = 0; n < 6; ++n) {
                DataStore& mine = *stores[static_cast<size_t>(i)];
                if (mine.CreateProfile(Named("W"), 10, KeyRows(mine)).status ==
                    DataStore::ProfileCreation::kCreated) {
                    ++created;
                }
            }
        });
    }
    for (std::thread& writer : writers) {
        writer.join();
    }
    EXPECT_EQ(created.load(), 10);
    EXPECT_EQ(CountRows("t_profile_data"), 10);
    EXPECT_TRUE(store.IncompleteProfiles().empty());
}

// A profile an older program or a crash left without some of its rows is found and completed;
// profiles 2 and 3 may lack key rows until the keyboard read copies profile 1's.
TEST_F(StorageFailureTest, IncompleteProfilesAreFoundAndCompleted) {
    ASSERT_GT(store.CreateProfile(Named("whole"), 10, KeyRows(store)).id, 0);  // profile 1
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath().c_str(), &raw), SQLITE_OK);
    // 2: a bare profile row; 3: no music layer; 4: half its values, no key rows.
    sqlite3_exec(raw,
                 "INSERT INTO t_profile_data(name, status) VALUES ('bare', 0);"
                 "INSERT INTO t_profile_data(name, status) VALUES ('no music', 0);"
                 "INSERT INTO t_customlight_data(profile, name) VALUES (3, 'Profile');"
                 "INSERT INTO t_profile_data(name, status) VALUES ('half', 0);"
                 "INSERT INTO t_musiclayer_data(layer_id, profile, name) VALUES (4, 4, 'Profile');"
                 "INSERT INTO t_customlight_data(profile, name) VALUES (4, 'Profile');"
                 "INSERT INTO t_config_data(profile, key, value) VALUES (4, 'version', '1.0.1');"
                 "INSERT INTO t_config_data(profile, key, value) VALUES (4, 'sleep_time', '7');",
                 nullptr, nullptr, nullptr);
    ASSERT_TRUE(store.InsertDefaultConfig(3));
    sqlite3_close(raw);

    EXPECT_EQ(store.IncompleteProfiles(), (std::vector<int>{2, 3, 4}));
    std::vector<int> keyRowsFor;
    for (const int id : store.IncompleteProfiles()) {
        EXPECT_TRUE(store.RepairProfile(id, [&](int profile) {
            keyRowsFor.push_back(profile);
            return KeyRows(store)(profile);
        }));
    }
    EXPECT_TRUE(store.IncompleteProfiles().empty());
    EXPECT_EQ(keyRowsFor, (std::vector<int>{4})) << "2 and 3 get profile 1's rows from the read";
    EXPECT_EQ(
        Rows("SELECT layer_id, profile FROM t_musiclayer_data ORDER BY layer_id"),
        (std::vector<std::vector<std::string>>{{"1", "1"}, {"2", "2"}, {"3", "3"}, {"4", "4"}}));
    EXPECT_EQ(Rows("SELECT profile, count(*), count(DISTINCT key) FROM t_config_data "
                   "GROUP BY profile"),
              (std::vector<std::vector<std::string>>{
                  {"1", "33", "33"}, {"2", "33", "33"}, {"3", "33", "33"}, {"4", "33", "33"}}));
    std::string value;
    ASSERT_TRUE(store.GetConfigValue(4, "sleep_time", value));
    EXPECT_EQ(value, "7") << "values the profile had stay";
}

}  // namespace
}  // namespace zanvor::test
