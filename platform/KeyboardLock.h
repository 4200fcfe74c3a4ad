#pragma once

// One process at a time works with the keyboards and their databases of a user: the desktop
// program for as long as it runs, or one zanvorctl for the whole of its command. An advisory
// lock (flock) on a file in the data folder; the kernel releases it when the holder ends, however
// it ends. The holder writes who it is into the file, so a process that finds the lock taken
// can say by whom.

#include <chrono>
#include <string>

#include "platform/UniqueFd.h"

namespace zanvor {

class KeyboardLock {
  public:
    enum class Result {
        kAcquired,     // held until this object goes away
        kBusy,         // another process held it for the whole wait
        kUnavailable,  // the lock file cannot be made (the caller goes on without it)
    };

    // Takes the lock at `path`, waiting up to `wait` for another holder to finish. `holder`
    // (e.g. "zanvorctl") is written into the file for others to read.
    Result Acquire(const std::string& path, const std::string& holder,
                   std::chrono::milliseconds wait);
    bool Held() const { return fd_.IsOpen(); }
    // Who holds the lock at `path` now, as its holder wrote it ("zanvor-hub 1234"); empty when
    // nobody wrote or the file cannot be read.
    static std::string HolderOf(const std::string& path);

  private:
    UniqueFd fd_;
};

// The lock file of the keyboards of this user: beside their databases in the data folder.
std::string KeyboardLockPath();

// What zanvorctl serve writes into the lock file, so other processes can tell it apart.
inline constexpr const char* kServeLockHolder = "zanvorctl serve";

}  // namespace zanvor
