#pragma once

#include <string>

namespace zanvor {

// Why the database could not be opened or changed, as the user is told.
enum class StoreFailure {
    kNone,
    kNotOpen,     // no database is open (no keyboard model selected)
    kCannotOpen,  // the file or its folder cannot be reached (permissions, missing folder)
    kLocked,      // another program held the lock for longer than the busy timeout
    kReadOnly,    // the file, its folder or the file system is read-only
    kDiskFull,    // no space left (or a quota or file size limit reached)
    kDamaged,     // not a database, fails its check, or tables are missing
    kFailed,      // anything else SQLite refused
};

// The failure an SQLite result code stands for; `systemError` is the errno behind an I/O
// error (sqlite3_system_errno), 0 when unknown.
StoreFailure ClassifySqliteFailure(int extendedCode, int systemError);

// One sentence for the user naming the cause and the file, in the interface language:
// "The profile database at PATH is read-only."
std::string StoreFailureText(StoreFailure failure, const std::string& path);

// The same in English for traces.
const char* StoreFailureName(StoreFailure failure);

}  // namespace zanvor
