#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zanvor {

// Reading a file that came from outside (a user's import, a settings file another program may
// have replaced): only a regular file is read, and only up to a limit, so a FIFO, a device
// such as /dev/zero or a folder never hangs the program or fills its memory.
enum class FileReadResult {
    kOk,
    kMissing,     // no such file
    kNotRegular,  // a folder, FIFO, socket or device
    kTooLarge,    // larger than the limit
    kUnreadable,  // no permission or an I/O error
};

// Reads the whole file into `data` (emptied first). A symbolic link to a regular file is read.
FileReadResult ReadRegularFile(const std::string& path, size_t maxBytes, std::string& data);
FileReadResult ReadRegularFile(const std::string& path, size_t maxBytes,
                               std::vector<uint8_t>& data);

// One line saying why `path` was not read ("/dev/zero is not a regular file"); empty for kOk.
std::string FileReadProblem(FileReadResult result, const std::string& path, size_t maxBytes);

// Largest exchange file or other user file the program reads (64 MiB).
inline constexpr size_t kMaxUserFileBytes = size_t{64} << 20;

}  // namespace zanvor
