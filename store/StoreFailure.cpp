#include "store/StoreFailure.h"

#include <sqlite3.h>

#include <cerrno>

#include "ui/LoadText.h"

namespace zanvor {

namespace {

// The cause an operating system error names, kNone when it names none of ours.
StoreFailure FromSystemError(int systemError) {
    switch (systemError) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return StoreFailure::kDiskFull;
        case EROFS:
            return StoreFailure::kReadOnly;
        case EACCES:
        case EPERM:
        case ENOENT:
        case ENOTDIR:
            return StoreFailure::kCannotOpen;
        case EISDIR:
            return StoreFailure::kDamaged;
        default:
            return StoreFailure::kNone;
    }
}

std::string WithPath(std::string text, const std::string& path) {
    const size_t at = text.find("%s");
    if (at != std::string::npos) {
        text.replace(at, 2, path);
    }
    return text;
}

}  // namespace

StoreFailure ClassifySqliteFailure(int extendedCode, int systemError) {
    switch (extendedCode & 0xFF) {
        case SQLITE_OK:
        case SQLITE_ROW:
        case SQLITE_DONE:
            return StoreFailure::kNone;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return StoreFailure::kLocked;
        case SQLITE_READONLY:
            return StoreFailure::kReadOnly;
        case SQLITE_FULL:
            return StoreFailure::kDiskFull;
        case SQLITE_CORRUPT:
        case SQLITE_NOTADB:
            return StoreFailure::kDamaged;
        case SQLITE_MISUSE:
            return StoreFailure::kNotOpen;
        case SQLITE_IOERR:
        case SQLITE_CANTOPEN:
        case SQLITE_PERM: {
            const StoreFailure cause = FromSystemError(systemError);
            if (cause != StoreFailure::kNone) {
                return cause;
            }
            return (extendedCode & 0xFF) == SQLITE_IOERR ? StoreFailure::kFailed
                                                         : StoreFailure::kCannotOpen;
        }
        default:
            return StoreFailure::kFailed;
    }
}

std::string StoreFailureText(StoreFailure failure, const std::string& path) {
    switch (failure) {
        case StoreFailure::kNone:
            return std::string();
        case StoreFailure::kNotOpen:
            return LoadText("KB.DIALOG", 1936);
        case StoreFailure::kCannotOpen:
            return WithPath(LoadText("KB.DIALOG", 1934), path);
        case StoreFailure::kLocked:
            return WithPath(LoadText("KB.DIALOG", 1932), path);
        case StoreFailure::kReadOnly:
            return WithPath(LoadText("KB.DIALOG", 1931), path);
        case StoreFailure::kDiskFull:
            return WithPath(LoadText("KB.DIALOG", 1933), path);
        case StoreFailure::kDamaged:
            return WithPath(LoadText("KB.DIALOG", 1930), path);
        case StoreFailure::kFailed:
            break;
    }
    return WithPath(LoadText("KB.DIALOG", 1935), path);
}

const char* StoreFailureName(StoreFailure failure) {
    switch (failure) {
        case StoreFailure::kNone:
            return "none";
        case StoreFailure::kNotOpen:
            return "not open";
        case StoreFailure::kCannotOpen:
            return "cannot open";
        case StoreFailure::kLocked:
            return "locked";
        case StoreFailure::kReadOnly:
            return "read-only";
        case StoreFailure::kDiskFull:
            return "disk full";
        case StoreFailure::kDamaged:
            return "damaged";
        case StoreFailure::kFailed:
            break;
    }
    return "failed";
}

}  // namespace zanvor
