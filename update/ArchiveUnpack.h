#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zanvor {

struct UnpackLimits {
    // Bytes all entries may unpack to together (a zip bomb is stopped here).
    uint64_t maxTotalBytes = 512ull * 1024 * 1024;
    size_t maxEntries = 10000;
};

struct UnpackResult {
    bool ok = false;
    std::string error;               // one line; empty when ok
    std::vector<std::string> files;  // files written, full paths (empty unless ok)
};

// The relative path an archive entry may be written to below the target folder: its name
// split at '/', without empty and "." components. nullopt for names that would leave the
// folder or that the file system would read otherwise than the check does: absolute names,
// drive names ("C:..."), ".." components, nothing left, and names holding a NUL byte (the
// system cuts the name there), another control character or a backslash (a Windows
// separator: "..\\..\\x").
std::optional<std::string> SafeEntryPath(std::string_view name);

// Unpacks a zip archive into `targetFolder` (which must exist) with every entry's stored
// name. The archive is refused whole, before anything is written, when an entry would land
// outside the folder (see SafeEntryPath), is a symbolic link or another special file, is
// encrypted, or the entries declare more than the limits allow. Files are created with mode
// 0644 whatever the archive says (nothing unpacked is executable); existing files of the same
// name are replaced, and no symbolic link on the way is followed. When unpacking fails
// (a damaged entry, a checksum error, more data than declared and allowed, a full disk)
// every file and folder it created is removed again and the files it replaced are back.
UnpackResult UnpackArchive(const std::string& archivePath, const std::string& targetFolder,
                           const UnpackLimits& limits = {});

}  // namespace zanvor
