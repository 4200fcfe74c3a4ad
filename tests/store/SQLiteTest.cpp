#include <sqlite3.h>

#include <chrono>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include "store/SQLite.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

using test::TempDir;

TEST(TextBoundary, NullAndEmptyReadAsEmptyAndUtf8PassesThrough) {
    EXPECT_EQ(FromUtf8(nullptr), "");
    EXPECT_EQ(FromUtf8(""), "");
    const std::string text = "配置文件 Ünïcødé 🎹";
    EXPECT_EQ(FromUtf8(ToUtf8(text).c_str()), text);
    EXPECT_EQ(ToUtf8(text).size(), text.size());
}

TEST(SQLiteDB, ClosedConnectionReportsMisuse) {
    SQLiteDB db;
    SQLiteStatement statement;
    EXPECT_FALSE(db.IsOpen());
    EXPECT_TRUE(db.Close()) << "closing nothing succeeds";
    EXPECT_EQ(db.Prepare(statement, "SELECT 1"), kSqliteMisuse);
    EXPECT_EQ(db.Exec("SELECT 1"), kSqliteMisuse);
    EXPECT_EQ(db.LastInsertRowId(), -1);
    EXPECT_EQ(statement.Step(), kSqliteMisuse);
    EXPECT_EQ(statement.BindInt(1, 5), kSqliteMisuse);
    EXPECT_EQ(statement.BindText(1, "x", 1), kSqliteMisuse);
    EXPECT_EQ(statement.ColumnInt(0), 0);
    EXPECT_EQ(statement.ColumnText(0), nullptr);
}

TEST(SQLiteDB, OpenRefusesBadPathsAndMissingFilesWithoutCreate) {
    TempDir dir;
    SQLiteDB db;
    EXPECT_FALSE(db.Open(nullptr, kOpenCreate));
    EXPECT_FALSE(db.Open("", kOpenCreate)) << "an empty path would open a temporary database";
    EXPECT_FALSE(db.Open((dir.path() + "missing.db").c_str(), kOpenExisting));
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(db.Open((dir.path() + "no/such/folder/x.db").c_str(), kOpenCreate));
    EXPECT_FALSE(db.IsOpen());
}

TEST(SQLiteDB, OpenSwitchesToWalWithNormalSync) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open((dir.path() + "a.db").c_str(), kOpenCreate));
    SQLiteStatement statement;
    ASSERT_EQ(db.Prepare(statement, "PRAGMA journal_mode"), kSqliteOk);
    ASSERT_EQ(statement.Step(), kSqliteRow);
    EXPECT_STREQ(statement.ColumnText(0), "wal");
    ASSERT_EQ(db.Prepare(statement, "PRAGMA synchronous"), kSqliteOk);
    ASSERT_EQ(statement.Step(), kSqliteRow);
    EXPECT_EQ(statement.ColumnInt(0), 1) << "1 is NORMAL";
}

TEST(SQLiteDB, StatementBindsStepsAndReadsColumns) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open((dir.path() + "a.db").c_str(), kOpenCreate));
    ASSERT_EQ(db.Exec("CREATE TABLE t (id INTEGER PRIMARY KEY AUTOINCREMENT, n INTEGER, s TEXT);"),
              kSqliteOk);

    SQLiteStatement statement;
    EXPECT_TRUE(statement.IsFinished());
    ASSERT_EQ(db.Prepare(statement, "INSERT INTO t(n, s) VALUES (?, ?);"), kSqliteOk);
    EXPECT_FALSE(statement.IsFinished());
    const std::string text = "zażółć";
    EXPECT_EQ(statement.BindInt(1, -7), kSqliteOk);
    EXPECT_EQ(statement.BindText(2, text), kSqliteOk);
    EXPECT_EQ(statement.Step(), kSqliteDone);
    EXPECT_TRUE(statement.IsFinished());
    EXPECT_EQ(db.LastInsertRowId(), 1);

    // An unbound text parameter is NULL; it reads as a null pointer and 0.
    ASSERT_EQ(db.Prepare(statement, "INSERT INTO t(n) VALUES (NULL);"), kSqliteOk);
    EXPECT_EQ(statement.Step(), kSqliteDone);

    ASSERT_EQ(db.Prepare(statement, "SELECT n, s FROM t ORDER BY id"), kSqliteOk);
    ASSERT_EQ(statement.Step(), kSqliteRow);
    EXPECT_EQ(statement.ColumnInt(0), -7);
    EXPECT_EQ(FromUtf8(statement.ColumnText(1)), text);
    ASSERT_EQ(statement.Step(), kSqliteRow);
    EXPECT_EQ(statement.ColumnInt(0), 0);
    EXPECT_EQ(statement.ColumnText(1), nullptr);
    EXPECT_EQ(statement.Step(), kSqliteDone);

    EXPECT_NE(db.Prepare(statement, "SELECT nonsense FROM nowhere"), kSqliteOk);
    EXPECT_FALSE(statement.IsPrepared()) << "a failed prepare leaves nothing behind";
    EXPECT_EQ(db.Prepare(statement, nullptr), kSqliteMisuse);
}

TEST(SQLiteDB, CloseRefusedWhileAStatementIsLive) {
    TempDir dir;
    SQLiteDB db;
    ASSERT_TRUE(db.Open((dir.path() + "a.db").c_str(), kOpenCreate));
    {
        SQLiteStatement statement;
        ASSERT_EQ(db.Prepare(statement, "SELECT 1"), kSqliteOk);
        EXPECT_FALSE(db.Close());
        EXPECT_TRUE(db.IsOpen()) << "the handle stays when SQLite refuses";
        EXPECT_FALSE(db.Open((dir.path() + "b.db").c_str(), kOpenCreate))
            << "reopening cannot drop a connection that is still in use";
        EXPECT_EQ(statement.Step(), kSqliteRow) << "the old connection still answers";
    }
    EXPECT_TRUE(db.Close());
    EXPECT_FALSE(db.IsOpen());
}

class TransactionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(db.Open((dir.path() + "a.db").c_str(), kOpenCreate));
        ASSERT_EQ(db.Exec("CREATE TABLE t (n INTEGER);"), kSqliteOk);
    }
    bool InTransaction() {
        // autocommit is off while a transaction is open; BEGIN fails then.
        if (db.Exec("BEGIN") != kSqliteOk) {
            return true;
        }
        db.Exec("END");
        return false;
    }

    TempDir dir;
    SQLiteDB db;
};

TEST_F(TransactionTest, ConstructorBeginsAndDestructorEnds) {
    {
        SQLiteAutoTransaction transaction(&db);
        EXPECT_TRUE(transaction.IsActive());
        EXPECT_TRUE(InTransaction());
        EXPECT_FALSE(transaction.Begin()) << "already active";
        db.Exec("INSERT INTO t VALUES (1);");
    }
    EXPECT_FALSE(InTransaction());
    SQLiteStatement statement;
    ASSERT_EQ(db.Prepare(statement, "SELECT count(*) FROM t"), kSqliteOk);
    ASSERT_EQ(statement.Step(), kSqliteRow);
    EXPECT_EQ(statement.ColumnInt(0), 1) << "ending keeps the writes: there is no rollback";
}

TEST_F(TransactionTest, CommitEndsOnceAndBeginRestarts) {
    SQLiteAutoTransaction transaction(&db);
    EXPECT_TRUE(transaction.Commit());
    EXPECT_FALSE(transaction.IsActive());
    EXPECT_FALSE(InTransaction());
    EXPECT_FALSE(transaction.Commit()) << "nothing of ours left to end";
    EXPECT_TRUE(transaction.Begin());
    EXPECT_TRUE(InTransaction());
}

TEST_F(TransactionTest, WithoutOpenDatabaseNothingHappens) {
    SQLiteDB closed;
    SQLiteAutoTransaction onClosed(&closed);
    EXPECT_FALSE(onClosed.IsActive());
    EXPECT_FALSE(onClosed.Begin());
    EXPECT_FALSE(onClosed.Commit());
    SQLiteAutoTransaction onNull(nullptr);
    EXPECT_FALSE(onNull.Begin());
}

TEST_F(TransactionTest, NestedObjectDoesNotEndTheOuterTransaction) {
    SQLiteAutoTransaction outer(&db);
    {
        SQLiteAutoTransaction inner(&db);  // BEGIN fails inside an open transaction
        EXPECT_FALSE(inner.IsActive());
    }
    EXPECT_TRUE(InTransaction()) << "the inner object must not END what it did not begin";
    EXPECT_TRUE(outer.Commit());
}

// Another process holding the write lock: a transaction waits for it (nothing lost), gives up
// after the busy timeout without leaving anything open, and an END that cannot complete rolls
// back instead of leaving the connection inside a dead transaction.
TEST_F(TransactionTest, AnotherConnectionsLockIsWaitedForAndAFailedEndRollsBack) {
    SQLiteDB other;
    ASSERT_TRUE(other.Open((dir.path() + "a.db").c_str(), kOpenExisting));
    ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), kSqliteOk);
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        other.Exec("END");
    });
    {
        SQLiteAutoTransaction waited(&db);
        EXPECT_TRUE(waited.IsActive()) << "BEGIN waits for the other connection's lock";
        EXPECT_EQ(db.Exec("INSERT INTO t VALUES (1);"), kSqliteOk);
        EXPECT_TRUE(waited.Commit());
    }
    release.join();

    db.SetBusyTimeout(50);
    ASSERT_EQ(other.Exec("BEGIN IMMEDIATE"), kSqliteOk);
    SQLiteAutoTransaction refused(&db);
    EXPECT_FALSE(refused.IsActive()) << "the lock is still held after the timeout";
    EXPECT_FALSE(db.InTransaction());
    other.Exec("END");

    // Without WAL a commit needs every reader gone: a reader that stays makes END fail.
    ASSERT_TRUE(other.Close());
    ASSERT_EQ(db.Exec("PRAGMA journal_mode = DELETE"), kSqliteOk);
    ASSERT_TRUE(other.Open((dir.path() + "a.db").c_str(), kOpenExisting));
    ASSERT_EQ(other.Exec("PRAGMA journal_mode = DELETE"), kSqliteOk);
    ASSERT_EQ(other.Exec("BEGIN"), kSqliteOk);
    SQLiteStatement read;
    ASSERT_EQ(other.Prepare(read, "SELECT count(*) FROM t"), kSqliteOk);
    ASSERT_EQ(read.Step(), kSqliteRow);
    SQLiteAutoTransaction failing(&db);
    ASSERT_TRUE(failing.IsActive());
    ASSERT_EQ(db.Exec("INSERT INTO t VALUES (2);"), kSqliteOk);
    EXPECT_FALSE(failing.Commit());
    EXPECT_FALSE(db.InTransaction()) << "the connection is clean after the failed END";
    read.Finalize();
    other.Exec("END");
    SQLiteStatement count;
    ASSERT_EQ(db.Prepare(count, "SELECT count(*) FROM t"), kSqliteOk);
    ASSERT_EQ(count.Step(), kSqliteRow);
    EXPECT_EQ(count.ColumnInt(0), 1) << "the half-written row was rolled back";
}

// Write groups nest: inside another transaction a group is a savepoint of it, so a store
// operation joins its caller's transaction and still undoes only its own part; a group whose
// transaction SQLite already ended lets nothing commit on its own.
TEST_F(TransactionTest, WriteGroupsNestAsSavepointsAndNeverCommitAfterTheirTransactionEnded) {
    const auto Count = [this] {
        SQLiteStatement count;
        db.Prepare(count, "SELECT count(*) FROM t");
        return count.Step() == kSqliteRow ? count.ColumnInt(0) : -1;
    };
    {
        SQLiteWriteGroup outer(&db);
        ASSERT_TRUE(outer.IsActive());
        ASSERT_EQ(db.Exec("INSERT INTO t VALUES (1);"), kSqliteOk);
        {
            SQLiteWriteGroup kept(&db);
            ASSERT_TRUE(kept.IsActive());
            ASSERT_EQ(db.Exec("INSERT INTO t VALUES (2);"), kSqliteOk);
            EXPECT_TRUE(kept.Commit());
            EXPECT_TRUE(db.InTransaction()) << "releasing a savepoint ends nothing";
        }
        {
            SQLiteWriteGroup undone(&db);
            ASSERT_EQ(db.Exec("INSERT INTO t VALUES (3);"), kSqliteOk);
        }  // destroyed without Commit: only its own row goes
        EXPECT_EQ(Count(), 2);
        EXPECT_TRUE(outer.Commit());
    }
    EXPECT_FALSE(db.InTransaction());
    EXPECT_EQ(Count(), 2);

    {
        SQLiteWriteGroup outer(&db);
        SQLiteWriteGroup inner(&db);
        ASSERT_EQ(db.Exec("INSERT INTO t VALUES (4);"), kSqliteOk);
        EXPECT_TRUE(inner.Commit());
    }  // the outer group was not committed: its savepoint's rows go with it
    EXPECT_EQ(Count(), 2);

    SQLiteWriteGroup group(&db);
    ASSERT_EQ(db.Exec("ROLLBACK"), kSqliteOk);  // as SQLite does after a full disk
    SQLiteStatement statement;
    EXPECT_NE(db.Prepare(statement, "INSERT INTO t VALUES (5);"), kSqliteOk)
        << "a statement after the transaction ended would commit alone";
    EXPECT_FALSE(group.Commit());
    EXPECT_EQ(Count(), 2);
}

}  // namespace
}  // namespace zanvor
