#pragma once

#include <sqlite3.h>

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/Paths.h"
#include "store/DataStore.h"
#include "support/TestHome.h"

namespace zanvor::test {

// Every row of a query as texts ("NULL" for SQL NULL), read through a separate connection so
// the assertions do not depend on the code under test.
inline std::vector<std::vector<std::string>> QueryRows(const std::string& path,
                                                       const std::string& sql) {
    std::vector<std::vector<std::string>> rows;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        ADD_FAILURE() << "cannot open " << path;
        return rows;
    }
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << "cannot prepare " << sql << ": " << sqlite3_errmsg(db);
        sqlite3_close(db);
        return rows;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        std::vector<std::string> row;
        for (int i = 0; i < sqlite3_column_count(statement); ++i) {
            const auto* text = sqlite3_column_text(statement, i);
            row.emplace_back(text != nullptr ? reinterpret_cast<const char*>(text) : "NULL");
        }
        rows.push_back(std::move(row));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

inline bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

// A fresh store on its own temporary data folder, with the "db" folder in place and the
// database of the model "TestBoard" open.
class StoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(CreateFolders(dataFolder() + "db"));
        ASSERT_TRUE(store.OpenDeviceDatabase(dataFolder(), kModel));
    }

    const std::string& dataFolder() const { return folder_.path(); }
    std::string dbPath() const { return DataStore::DatabasePath(dataFolder(), kModel); }
    std::vector<std::vector<std::string>> Rows(const std::string& sql) const {
        return QueryRows(dbPath(), sql);
    }
    int CountRows(const std::string& table) const {
        const auto rows = Rows("SELECT count(*) FROM " + table);
        return rows.empty() ? -1 : std::stoi(rows[0][0]);
    }

    static constexpr const char* kModel = "TestBoard";

  private:
    TempDir folder_;  // declared before the store: removed only after the store closed

  protected:
    DataStore store;
};

}  // namespace zanvor::test
