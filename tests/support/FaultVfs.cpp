#include "support/FaultVfs.h"

#include <sqlite3.h>

#include <atomic>
#include <cstring>

namespace zanvor::test {

namespace {

sqlite3_vfs* base = nullptr;
sqlite3_vfs shim{};
std::atomic<int> writes{0};
std::atomic<int> failFrom{0};
std::atomic<int> failCode{SQLITE_OK};

// Our file: the base VFS's file follows it in the same allocation.
struct File {
    sqlite3_file header;
    sqlite3_file* real;
};

sqlite3_file* Real(sqlite3_file* file) {
    return reinterpret_cast<File*>(file)->real;
}

int Close(sqlite3_file* f) {
    return Real(f)->pMethods->xClose(Real(f));
}
int Read(sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
    return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
}
int Write(sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
    const int n = writes.fetch_add(1) + 1;
    const int from = failFrom.load();
    if (from > 0 && n >= from) {
        return failCode.load();
    }
    return Real(f)->pMethods->xWrite(Real(f), data, amount, offset);
}
int Truncate(sqlite3_file* f, sqlite3_int64 size) {
    return Real(f)->pMethods->xTruncate(Real(f), size);
}
int Sync(sqlite3_file* f, int flags) {
    return Real(f)->pMethods->xSync(Real(f), flags);
}
int FileSize(sqlite3_file* f, sqlite3_int64* size) {
    return Real(f)->pMethods->xFileSize(Real(f), size);
}
int Lock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xLock(Real(f), level);
}
int Unlock(sqlite3_file* f, int level) {
    return Real(f)->pMethods->xUnlock(Real(f), level);
}
int CheckReservedLock(sqlite3_file* f, int* out) {
    return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
}
int FileControl(sqlite3_file* f, int op, void* arg) {
    return Real(f)->pMethods->xFileControl(Real(f), op, arg);
}
int SectorSize(sqlite3_file* f) {
    return Real(f)->pMethods->xSectorSize(Real(f));
}
int DeviceCharacteristics(sqlite3_file* f) {
    return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
}
int ShmMap(sqlite3_file* f, int region, int size, int extend, void volatile** out) {
    return Real(f)->pMethods->xShmMap(Real(f), region, size, extend, out);
}
int ShmLock(sqlite3_file* f, int offset, int n, int flags) {
    return Real(f)->pMethods->xShmLock(Real(f), offset, n, flags);
}
void ShmBarrier(sqlite3_file* f) {
    Real(f)->pMethods->xShmBarrier(Real(f));
}
int ShmUnmap(sqlite3_file* f, int deleteFlag) {
    return Real(f)->pMethods->xShmUnmap(Real(f), deleteFlag);
}
int Fetch(sqlite3_file* f, sqlite3_int64 offset, int amount, void** out) {
    return Real(f)->pMethods->xFetch(Real(f), offset, amount, out);
}
int Unfetch(sqlite3_file* f, sqlite3_int64 offset, void* page) {
    return Real(f)->pMethods->xUnfetch(Real(f), offset, page);
}

const sqlite3_io_methods kMethods = {
    3,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    ShmMap,
    ShmLock,
    ShmBarrier,
    ShmUnmap,
    Fetch,
    Unfetch,
};

int Open(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    File* ours = reinterpret_cast<File*>(file);
    ours->real = reinterpret_cast<sqlite3_file*>(ours + 1);
    ours->header.pMethods = nullptr;
    const int rc = base->xOpen(base, name, ours->real, flags, outFlags);
    if (ours->real->pMethods != nullptr) {
        ours->header.pMethods = &kMethods;  // the base file must be closed through us
    }
    return rc;
}

}  // namespace

FaultVfs::FaultVfs() {
    base = sqlite3_vfs_find(nullptr);
    shim = *base;
    shim.zName = "zanvor-fault";
    shim.szOsFile = static_cast<int>(sizeof(File)) + base->szOsFile;
    shim.xOpen = Open;
    shim.pNext = nullptr;
    Reset();
    sqlite3_vfs_register(&shim, 1);
}

FaultVfs::~FaultVfs() {
    sqlite3_vfs_unregister(&shim);
    sqlite3_vfs_register(base, 1);
}

void FaultVfs::FailWritesFrom(int nth, int code) {
    failCode = code;
    failFrom = nth <= 0 ? 0 : writes.load() + nth;
}

int FaultVfs::Writes() const {
    return writes.load();
}

void FaultVfs::Reset() {
    writes = 0;
    failFrom = 0;
    failCode = SQLITE_OK;
}

}  // namespace zanvor::test
