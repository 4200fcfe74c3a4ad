#pragma once

// An SQLite VFS over the default one that makes writes fail on demand (a full disk, an I/O
// error), for tests of what the store does when the disk refuses. While it lives it is the
// default VFS of the process, so every connection opened meanwhile goes through it.

namespace zanvor::test {

class FaultVfs {
  public:
    FaultVfs();
    ~FaultVfs();
    FaultVfs(const FaultVfs&) = delete;
    FaultVfs& operator=(const FaultVfs&) = delete;

    // From the nth write on (1: the next one) every write fails with `code` (SQLITE_FULL,
    // SQLITE_IOERR_WRITE, ...); nth 0 lets writes through again.
    void FailWritesFrom(int nth, int code);
    // Writes seen since construction or Reset().
    int Writes() const;
    void Reset();
};

}  // namespace zanvor::test
