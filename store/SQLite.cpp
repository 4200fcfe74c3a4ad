#include "store/SQLite.h"

#include <sqlite3.h>

namespace zanvor {

std::string ToUtf8(const std::string& text) {
    return text;
}

std::string FromUtf8(const char* utf8) {
    return utf8 != nullptr ? std::string(utf8) : std::string();
}

// ---------------------------------------------------------------------------------------------

SQLiteDB::~SQLiteDB() {
    Interrupt();
    Close();
}

void SQLiteDB::Interrupt() {
    if (handle_ != nullptr) {
        sqlite3_interrupt(handle_);
    }
}

bool SQLiteDB::Open(const char* path, int flags) {
    Interrupt();
    if (!Close()) {
        return false;  // a live statement keeps the old connection; never leak it
    }
    // An empty name would make SQLite open a private temporary database, which no caller wants.
    if (path == nullptr || *path == '\0') {
        return false;
    }
    sqlite3* handle = nullptr;
    openError_ = SQLITE_OK;
    openSystemError_ = 0;
    if (sqlite3_open_v2(path, &handle, flags, nullptr) != SQLITE_OK) {
        openError_ = handle != nullptr ? sqlite3_extended_errcode(handle) : SQLITE_NOMEM;
        openSystemError_ = handle != nullptr ? sqlite3_system_errno(handle) : 0;
        sqlite3_close(handle);  // a half-open handle still has to be released; null is fine
        return false;
    }
    handle_ = handle;
    // Another process (the command line beside the desktop program) may hold the write lock
    // for a moment: wait for it instead of failing at once.
    sqlite3_busy_timeout(handle_, kBusyTimeoutMs);
    // WAL keeps the file consistent after a crash or power cut while NORMAL avoids a flush
    // per commit. The result is ignored: a read-only medium still works with the defaults.
    // A read-only connection leaves the file as it is (switching to WAL writes its header).
    if ((flags & SQLITE_OPEN_READWRITE) != 0) {
        Exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; ");
    }
    return true;
}

void SQLiteDB::SetBusyTimeout(int milliseconds) {
    if (handle_ != nullptr) {
        sqlite3_busy_timeout(handle_, milliseconds);
    }
}

bool SQLiteDB::InTransaction() const {
    return handle_ != nullptr && sqlite3_get_autocommit(handle_) == 0;
}

bool SQLiteDB::Close() {
    if (handle_ == nullptr) {
        return true;
    }
    if (sqlite3_close(handle_) != SQLITE_OK) {
        return false;
    }
    handle_ = nullptr;
    return true;
}

int SQLiteDB::Prepare(SQLiteStatement& statement, const char* sql, int length) {
    statement.Finalize();
    if (handle_ == nullptr || sql == nullptr) {
        return SQLITE_MISUSE;
    }
    if (openGroups_ > 0 && sqlite3_get_autocommit(handle_) != 0) {
        return SQLITE_ABORT;  // the group's transaction is gone: nothing may commit on its own
    }
    sqlite3_stmt* handle = nullptr;
    const int rc = sqlite3_prepare_v2(handle_, sql, length, &handle, nullptr);
    if (rc == SQLITE_OK && handle != nullptr) {
        statement.handle_ = handle;
        statement.finished_ = false;
    }
    return rc;
}

int SQLiteDB::Exec(const char* sql) {
    if (handle_ == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_exec(handle_, sql, nullptr, nullptr, nullptr);
}

int SQLiteDB::LastInsertRowId() const {
    if (handle_ == nullptr) {
        return -1;
    }
    return static_cast<int>(sqlite3_last_insert_rowid(handle_));
}

int SQLiteDB::Changes() const {
    return handle_ != nullptr ? sqlite3_changes(handle_) : 0;
}

int SQLiteDB::LastErrorCode() const {
    return handle_ != nullptr ? sqlite3_extended_errcode(handle_) : SQLITE_MISUSE;
}

int SQLiteDB::LastSystemError() const {
    return handle_ != nullptr ? sqlite3_system_errno(handle_) : 0;
}

// ---------------------------------------------------------------------------------------------

SQLiteStatement::~SQLiteStatement() {
    Finalize();
}

void SQLiteStatement::Finalize() {
    if (handle_ != nullptr) {
        sqlite3_finalize(handle_);
        handle_ = nullptr;
    }
    finished_ = true;
}

int SQLiteStatement::BindInt(int index, int value) {
    if (handle_ == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_bind_int(handle_, index, value);
}

int SQLiteStatement::BindText(int index, const char* utf8, int byteLength) {
    if (handle_ == nullptr) {
        return SQLITE_MISUSE;
    }
    return sqlite3_bind_text(handle_, index, utf8, byteLength, SQLITE_STATIC);
}

int SQLiteStatement::BindText(int index, const std::string& utf8) {
    return BindText(index, utf8.c_str(), static_cast<int>(utf8.size()));
}

int SQLiteStatement::Step() {
    if (handle_ == nullptr) {
        return SQLITE_MISUSE;
    }
    const int rc = sqlite3_step(handle_);
    if (rc == SQLITE_DONE) {
        finished_ = true;
    }
    return rc;
}

int SQLiteStatement::ColumnInt(int index) const {
    if (handle_ == nullptr) {
        return 0;
    }
    return sqlite3_column_int(handle_, index);
}

const char* SQLiteStatement::ColumnText(int index) const {
    if (handle_ == nullptr) {
        return nullptr;
    }
    return reinterpret_cast<const char*>(sqlite3_column_text(handle_, index));
}

// ---------------------------------------------------------------------------------------------

SQLiteWriteGroup::SQLiteWriteGroup(SQLiteDB* db) : db_(db) {
    if (db_ == nullptr || !db_->IsOpen()) {
        failureCode_ = SQLITE_MISUSE;
        return;
    }
    savepoint_ = db_->InTransaction();
    // IMMEDIATE takes the write lock now, so the busy timeout applies to it and two processes
    // never both read a count and then both write.
    const int rc = db_->Exec(savepoint_ ? "SAVEPOINT zanvor_group" : "BEGIN IMMEDIATE");
    if (rc != SQLITE_OK) {
        failureCode_ = db_->LastErrorCode();
        return;
    }
    active_ = true;
    ++db_->openGroups_;
}

SQLiteWriteGroup::~SQLiteWriteGroup() {
    Rollback();
}

void SQLiteWriteGroup::Close() {
    active_ = false;
    --db_->openGroups_;
}

bool SQLiteWriteGroup::Commit() {
    if (!active_) {
        return false;
    }
    if (!db_->InTransaction()) {
        // An error inside ended the transaction already; what ran after it was refused.
        Close();
        failureCode_ = SQLITE_ABORT;
        return false;
    }
    const int rc = db_->Exec(savepoint_ ? "RELEASE zanvor_group" : "END");
    if (rc == SQLITE_OK) {
        Close();
        return true;
    }
    failureCode_ = db_->LastErrorCode();
    Rollback();
    return false;
}

void SQLiteWriteGroup::Rollback() {
    if (!active_) {
        return;
    }
    Close();
    if (!db_->InTransaction()) {
        return;  // SQLite has undone it already
    }
    if (savepoint_) {
        db_->Exec("ROLLBACK TO zanvor_group");
        db_->Exec("RELEASE zanvor_group");
    } else {
        db_->Exec("ROLLBACK");
    }
}

// ---------------------------------------------------------------------------------------------

// IMMEDIATE takes the write lock at the start, so the busy timeout applies; a deferred
// transaction that reads and then writes could fail at once on another process's lock.
SQLiteAutoTransaction::SQLiteAutoTransaction(SQLiteDB* db) : db_(db) {
    if (db_ != nullptr && db_->IsOpen()) {
        active_ = db_->Exec("BEGIN IMMEDIATE") == SQLITE_OK;
    }
}

SQLiteAutoTransaction::~SQLiteAutoTransaction() {
    if (active_) {
        Commit();
    }
}

bool SQLiteAutoTransaction::Begin() {
    if (db_ == nullptr || active_) {
        return false;
    }
    // Only a BEGIN that succeeded is ours to END: ending after a failed BEGIN would close a
    // transaction someone else opened.
    active_ = db_->Exec("BEGIN IMMEDIATE") == SQLITE_OK;
    return active_;
}

bool SQLiteAutoTransaction::Commit() {
    if (!active_) {
        return false;
    }
    active_ = false;
    if (db_->Exec("END") == SQLITE_OK) {
        return true;
    }
    // A failed END (disk full, lock still held after the timeout) can leave the connection
    // inside the transaction; every later statement would then join a transaction that never
    // ends. Undo it, so the connection is clean and nothing half-written stays.
    db_->Exec("ROLLBACK");
    return false;
}

void SQLiteAutoTransaction::Rollback() {
    if (!active_) {
        return;
    }
    active_ = false;
    db_->Exec("ROLLBACK");
}

}  // namespace zanvor
