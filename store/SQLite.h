#pragma once

#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace zanvor {

// The single text boundary between records and the database. Records and columns both hold
// UTF-8, so the conversion is the identity; keeping every column read and every bound text
// behind these two functions leaves one place to change should the encodings ever differ.
std::string ToUtf8(const std::string& text);
// A null pointer (SQL NULL) or empty input yields the empty string.
std::string FromUtf8(const char* utf8);

// SQLite result codes the store relies on.
inline constexpr int kSqliteOk = 0;
inline constexpr int kSqliteCantOpen = 14;
inline constexpr int kSqliteMisuse = 21;
inline constexpr int kSqliteRow = 100;
inline constexpr int kSqliteDone = 101;

// Open flags: read-write + serialized threading mode, with or without create; read-only.
inline constexpr int kOpenExisting = 0x10002;
inline constexpr int kOpenCreate = 0x10006;
inline constexpr int kOpenReadOnly = 0x10001;

class SQLiteStatement;

// One SQLite connection. Not copyable; closes itself when destroyed.
class SQLiteDB {
  public:
    // How long a statement waits for another connection's lock before failing.
    static constexpr int kBusyTimeoutMs = 5000;
    // Another wait than kBusyTimeoutMs for this connection (tests); after Open.
    void SetBusyTimeout(int milliseconds);
    // True while a transaction is open on this connection.
    bool InTransaction() const;

    SQLiteDB() = default;
    virtual ~SQLiteDB();
    SQLiteDB(const SQLiteDB&) = delete;
    SQLiteDB& operator=(const SQLiteDB&) = delete;

    // Interrupts any running statement and closes the current connection, then opens `path`
    // with `flags`. Fails on a null or empty path, and when the current connection cannot be
    // closed because a statement is still live (the connection stays). On success switches the file
    // to a WAL journal with synchronous = NORMAL (a crash never corrupts the file).
    bool Open(const char* path, int flags);
    // True also when nothing was open; false when SQLite refuses (the handle stays).
    bool Close();
    bool IsOpen() const { return handle_ != nullptr; }

    // Finalizes what `statement` held, then prepares `sql` (length -1: up to the terminator).
    // kSqliteMisuse when the connection or the text is null.
    int Prepare(SQLiteStatement& statement, const char* sql, int length = -1);
    // Runs one or more statements; kSqliteMisuse when not open.
    int Exec(const char* sql);
    // Row id of the last insert on this connection, -1 when not open.
    int LastInsertRowId() const;
    // Rows the last INSERT, UPDATE or DELETE changed; 0 when not open.
    int Changes() const;
    // The extended result code of the last failed call and the operating system's error number
    // behind it (ENOSPC, EROFS, ...; 0 when none); kSqliteMisuse and 0 when not open.
    int LastErrorCode() const;
    int LastSystemError() const;
    // The same for the last Open that failed (the connection is closed then).
    int OpenErrorCode() const { return openError_; }
    int OpenSystemError() const { return openSystemError_; }

  private:
    friend class SQLiteWriteGroup;
    void Interrupt();

    sqlite3* handle_ = nullptr;
    int openError_ = 0;
    int openSystemError_ = 0;
    // Write groups open on this connection. While one is open its transaction must be too:
    // SQLite ends a transaction by itself after some errors (disk full, I/O), and statements
    // after that would each commit on their own, outside the group that was meant to undo them.
    int openGroups_ = 0;
};

// One prepared statement; finalized when destroyed or prepared again.
class SQLiteStatement {
  public:
    SQLiteStatement() = default;
    virtual ~SQLiteStatement();
    SQLiteStatement(const SQLiteStatement&) = delete;
    SQLiteStatement& operator=(const SQLiteStatement&) = delete;

    // Indexes count from 1. Text is bound without copying: the bytes must stay alive until
    // the statement is stepped. kSqliteMisuse when nothing is prepared.
    int BindInt(int index, int value);
    int BindText(int index, const char* utf8, int byteLength);
    int BindText(int index, const std::string& utf8);
    int BindText(int index, std::string&&) = delete;  // a temporary would dangle

    // kSqliteRow, kSqliteDone (sets the finished flag), an error code, or kSqliteMisuse when
    // nothing is prepared.
    int Step();
    // Indexes count from 0. NULL reads as 0 / a null pointer.
    int ColumnInt(int index) const;
    const char* ColumnText(int index) const;

    void Finalize();
    bool IsPrepared() const { return handle_ != nullptr; }
    bool IsFinished() const { return finished_; }

  private:
    friend class SQLiteDB;

    sqlite3_stmt* handle_ = nullptr;
    bool finished_ = true;
};

// Writes that stay together or not at all. The outermost group opens a transaction (BEGIN
// IMMEDIATE); a group opened inside another transaction becomes a savepoint of it, so a store
// operation run inside a caller's transaction joins it and can still undo its own part. A group
// destroyed without Commit() is rolled back.
class SQLiteWriteGroup {
  public:
    explicit SQLiteWriteGroup(SQLiteDB* db);
    ~SQLiteWriteGroup();
    SQLiteWriteGroup(const SQLiteWriteGroup&) = delete;
    SQLiteWriteGroup& operator=(const SQLiteWriteGroup&) = delete;

    // False when the group could not be opened (no database, the lock not granted in time).
    bool IsActive() const { return active_; }
    // Keeps the writes (END or RELEASE). False, with everything undone, when that fails or
    // the transaction was already ended by an error.
    bool Commit();
    // Undoes the writes of this group.
    void Rollback();
    // The result code of the failed BEGIN, SAVEPOINT or END (kSqliteOk when none failed).
    int FailureCode() const { return failureCode_; }

  private:
    void Close();

    SQLiteDB* db_;
    bool active_ = false;
    bool savepoint_ = false;
    int failureCode_ = kSqliteOk;
};

// Brackets a group of writes with BEGIN ... END. There is no rollback: every statement inside
// stays, and the transaction is always ended.
class SQLiteAutoTransaction {
  public:
    // Executes BEGIN when `db` is open.
    explicit SQLiteAutoTransaction(SQLiteDB* db);
    virtual ~SQLiteAutoTransaction();
    SQLiteAutoTransaction(const SQLiteAutoTransaction&) = delete;
    SQLiteAutoTransaction& operator=(const SQLiteAutoTransaction&) = delete;

    // False without a database or when already active; otherwise BEGIN and its success.
    bool Begin();
    // END; false when this object has no transaction open or END fails.
    // Ends the transaction; when that fails it is rolled back and false returned.
    bool Commit();
    // Undoes everything since BEGIN.
    void Rollback();
    bool IsActive() const { return active_; }

  private:
    SQLiteDB* db_;
    bool active_ = false;
};

}  // namespace zanvor
