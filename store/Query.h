#pragma once

// Internal to the store: the prepare / bind / step / read pattern every query follows.

#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "store/SQLite.h"
#include "store/StoreFailure.h"

namespace zanvor::store_detail {

// OK, row and done count as success; anything else is a failure.
inline bool IsSuccess(int rc) {
    return rc == kSqliteOk || rc == kSqliteRow || rc == kSqliteDone;
}

// Remembers, for the calling thread, why the connection's last call failed (DataStore::
// LastFailure reads it).
void NoteFailure(const SQLiteDB& db);
void NoteFailure(StoreFailure failure);

// One prepared statement with its arguments bound in order. Bound texts are converted and kept
// alive here until the statement is finalized. A statement that failed to prepare binds and
// steps to kSqliteMisuse, which callers see as a failure.
class Query {
  public:
    Query(SQLiteDB& db, const char* sql) : db_(db) {
        if (!IsSuccess(db.Prepare(statement_, sql))) {
            NoteFailure(db);
        }
    }

    Query& Int(int value) {
        statement_.BindInt(next_++, value);
        return *this;
    }
    Query& Text(const std::string& text) {
        texts_.push_back(ToUtf8(text));  // deque: earlier texts keep their address
        statement_.BindText(next_++, texts_.back());
        return *this;
    }

    int Step() {
        const int rc = statement_.Step();
        if (!IsSuccess(rc) && statement_.IsPrepared()) {
            NoteFailure(db_);
        }
        return rc;
    }
    // Steps once; true when the result counts as success.
    bool Run() { return IsSuccess(Step()); }

    int ColumnInt(int index) const { return statement_.ColumnInt(index); }
    std::string ColumnText(int index) const { return FromUtf8(statement_.ColumnText(index)); }

  private:
    const SQLiteDB& db_;
    SQLiteStatement statement_;
    std::deque<std::string> texts_;
    int next_ = 1;
};

// Steps once; copies the row with `read(query, record)` into `out` only when there is one.
template <class T, class Reader>
bool ReadOne(Query& query, T& out, Reader read) {
    if (query.Step() != kSqliteRow) {
        return false;
    }
    T record;
    read(query, record);
    out = std::move(record);
    return true;
}

// Appends one record per row; returns the list's size.
template <class T, class Reader>
int ReadAll(Query& query, std::vector<T>& list, Reader read) {
    while (query.Step() == kSqliteRow) {
        T record;
        read(query, record);
        list.push_back(std::move(record));
    }
    return static_cast<int>(list.size());
}

// First column of the first row as a number, 0 when there is no row.
inline int ReadInt(Query& query) {
    return query.Step() == kSqliteRow ? query.ColumnInt(0) : 0;
}

// Runs an insert; the new row id, or 0 on failure.
inline int RunInsert(SQLiteDB& db, Query& query) {
    return query.Run() ? db.LastInsertRowId() : 0;
}

}  // namespace zanvor::store_detail
