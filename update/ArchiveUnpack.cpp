#include "update/ArchiveUnpack.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unzip.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <utility>

#include "platform/UniqueFd.h"

namespace zanvor {

namespace {

constexpr int kHostMsDos = 0;
constexpr int kHostUnix = 3;
constexpr int kHostMac = 19;  // OS X: Unix modes as well
constexpr uint32_t kMsDosDirectory = 0x10;
constexpr unsigned long kEncryptedFlag = 0x1;

struct UnzipClose {
    void operator()(void* archive) const { unzClose(archive); }
};
using UnzipPtr = std::unique_ptr<void, UnzipClose>;

struct Entry {
    std::string name;      // as stored
    std::string relative;  // below the target folder; "" for the folder itself
    bool directory = false;
};

std::vector<std::string> Components(const std::string& relative) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= relative.size()) {
        const size_t slash = relative.find('/', start);
        const size_t end = slash == std::string::npos ? relative.size() : slash;
        if (end > start) {
            parts.push_back(relative.substr(start, end - start));
        }
        start = end + 1;
    }
    return parts;
}

// A byte the name check refuses: NUL, every other control character, and the backslash.
bool RefusedNameByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F || c == '\\';
}

// The stored name for a one-line message: control bytes as \xNN.
std::string Printable(std::string_view name) {
    std::string text;
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            static constexpr char kHex[] = "0123456789abcdef";
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        } else {
            text += c;
        }
    }
    return text;
}

std::string SystemError(const std::string& what) {
    return what + ": " + std::strerror(errno);
}

// The files and folders one unpack created, removed again when it fails, and the files it
// replaced, which were moved aside until the unpack has succeeded and are put back when it fails.
class CreatedPaths {
  public:
    void AddFile(std::string path) { files_.push_back(std::move(path)); }
    void AddFolder(std::string path) { folders_.push_back(std::move(path)); }
    void AddReplaced(std::string path, std::string aside) {
        replaced_.emplace_back(std::move(path), std::move(aside));
    }
    bool HasFile(const std::string& path) const {
        return std::find(files_.begin(), files_.end(), path) != files_.end();
    }
    const std::vector<std::string>& Files() const { return files_; }
    void RemoveAll() {
        for (const std::string& file : files_) {
            unlink(file.c_str());
        }
        for (auto it = replaced_.rbegin(); it != replaced_.rend(); ++it) {
            rename(it->second.c_str(), it->first.c_str());
        }
        for (auto it = folders_.rbegin(); it != folders_.rend(); ++it) {
            rmdir(it->c_str());
        }
        files_.clear();
        folders_.clear();
        replaced_.clear();
    }
    // The unpack succeeded: the files it replaced go.
    void DropReplaced() {
        for (const auto& [path, aside] : replaced_) {
            unlink(aside.c_str());
        }
        replaced_.clear();
    }

  private:
    std::vector<std::string> files_;
    std::vector<std::string> folders_;
    std::vector<std::pair<std::string, std::string>> replaced_;  // (path, where it waits)
};

// Reads the entry the archive stands on. False when the archive is damaged.
bool CurrentEntry(void* archive, unz_file_info64& info, std::string& name) {
    if (unzGetCurrentFileInfo64(archive, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) {
        return false;
    }
    std::vector<char> buffer(info.size_filename + 1, '\0');
    if (unzGetCurrentFileInfo64(archive, &info, buffer.data(), buffer.size(), nullptr, 0, nullptr,
                                0) != UNZ_OK) {
        return false;
    }
    name.assign(buffer.data(), info.size_filename);
    return true;
}

// Checks every entry before anything is written. Empty when the archive may be unpacked.
std::string PlanEntries(void* archive, const UnpackLimits& limits, std::vector<Entry>& entries) {
    unz_global_info64 global{};
    if (unzGetGlobalInfo64(archive, &global) != UNZ_OK) {
        return "the archive is damaged";
    }
    if (global.number_entry > limits.maxEntries) {
        return "the archive has more than " + std::to_string(limits.maxEntries) + " entries";
    }
    uint64_t declared = 0;
    int step = unzGoToFirstFile(archive);
    for (; step == UNZ_OK; step = unzGoToNextFile(archive)) {
        unz_file_info64 info{};
        Entry entry;
        if (!CurrentEntry(archive, info, entry.name)) {
            return "the archive is damaged";
        }
        const std::string quoted = "\"" + Printable(entry.name) + "\"";
        // Checked first: the file system reads such a name otherwise than the checks below.
        if (std::any_of(entry.name.begin(), entry.name.end(), RefusedNameByte)) {
            return "the entry " + quoted +
                   " has a control character or a backslash in its name, which is not allowed";
        }
        if ((info.flag & kEncryptedFlag) != 0) {
            return "the entry " + quoted + " is encrypted";
        }
        const int host = static_cast<int>(info.version >> 8);
        const uint32_t mode = static_cast<uint32_t>(info.external_fa >> 16);
        const bool unixModes = host == kHostUnix || host == kHostMac;
        const uint32_t type = unixModes ? (mode & S_IFMT) : 0;
        if (type == S_IFLNK) {
            return "the entry " + quoted + " is a symbolic link";
        }
        if (type != 0 && type != S_IFREG && type != S_IFDIR) {
            return "the entry " + quoted + " is not a plain file";
        }
        entry.directory = (!entry.name.empty() && entry.name.back() == '/') || type == S_IFDIR ||
                          (host == kHostMsDos && (info.external_fa & kMsDosDirectory) != 0);
        const std::optional<std::string> relative = SafeEntryPath(entry.name);
        if (!relative || (relative->empty() && !entry.directory)) {
            return "the entry " + quoted + " would be written outside the folder";
        }
        entry.relative = *relative;
        declared += info.uncompressed_size;
        if (declared > limits.maxTotalBytes) {
            return "the archive would unpack to more than " + std::to_string(limits.maxTotalBytes) +
                   " bytes";
        }
        entries.push_back(std::move(entry));
    }
    return step == UNZ_END_OF_LIST_OF_FILE ? std::string() : "the archive is damaged";
}

// Writes below one folder without following any symbolic link on the way.
class FolderWriter {
  public:
    FolderWriter(const std::string& folder, CreatedPaths& created)
        : folder_(folder.empty() || folder.back() == '/' ? folder : folder + "/"),
          created_(created),
          root_(open(folder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {}

    bool Ready(std::string& error) const {
        if (!root_.IsOpen()) {
            error = SystemError("cannot open " + folder_);
        }
        return root_.IsOpen();
    }

    // Opens (creating where missing) the folders of `parts`; the descriptor of the last one.
    UniqueFd OpenFolders(const std::vector<std::string>& parts, size_t count, std::string& error) {
        UniqueFd current(dup(root_.Get()));
        std::string path = folder_;
        for (size_t i = 0; i < count && current.IsOpen(); ++i) {
            path += parts[i];
            if (mkdirat(current.Get(), parts[i].c_str(), 0755) == 0) {
                created_.AddFolder(path);
            } else if (errno != EEXIST) {
                error = SystemError("cannot create " + path);
                return UniqueFd();
            }
            current = UniqueFd(openat(current.Get(), parts[i].c_str(),
                                      O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
            if (!current.IsOpen()) {
                error = SystemError("cannot enter " + path);
            }
            path += "/";
        }
        return current;
    }

    // Creates the file anew (a file already there is replaced); -1 with `error` set.
    UniqueFd CreateFile(const std::string& relative, std::string& error) {
        const std::vector<std::string> parts = Components(relative);
        UniqueFd parent = OpenFolders(parts, parts.size() - 1, error);
        if (!parent.IsOpen()) {
            return UniqueFd();
        }
        const std::string& leaf = parts.back();
        const std::string path = folder_ + relative;
        if (created_.HasFile(path)) {
            // An earlier entry of this archive made it: the later one takes its place.
            if (unlinkat(parent.Get(), leaf.c_str(), 0) != 0 && errno != ENOENT) {
                error = SystemError("cannot replace " + path);
                return UniqueFd();
            }
        } else if (!MoveAside(parent.Get(), leaf, path, error)) {
            return UniqueFd();
        }
        UniqueFd file(openat(parent.Get(), leaf.c_str(),
                             O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644));
        if (!file.IsOpen()) {
            error = SystemError("cannot create " + path);
            return UniqueFd();
        }
        created_.AddFile(path);
        return file;
    }

  private:
    // A file that was there before this unpack is renamed to a free hidden name beside it, so
    // a failed unpack can put it back. A folder in the way is not replaced.
    bool MoveAside(int parent, const std::string& leaf, const std::string& path,
                   std::string& error) {
        struct stat info {};
        if (fstatat(parent, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT) {
                return true;
            }
            error = SystemError("cannot replace " + path);
            return false;
        }
        if (S_ISDIR(info.st_mode)) {
            errno = EISDIR;
            error = SystemError("cannot replace " + path);
            return false;
        }
        const std::string folder = path.substr(0, path.size() - leaf.size());
        for (int n = 0; n < 1000; ++n) {
            const std::string aside = ".zanvor-unpack-old-" + std::to_string(n);
            if (renameat2(parent, leaf.c_str(), parent, aside.c_str(), RENAME_NOREPLACE) == 0) {
                created_.AddReplaced(path, folder + aside);
                return true;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        error = SystemError("cannot replace " + path);
        return false;
    }

    std::string folder_;
    CreatedPaths& created_;
    UniqueFd root_;
};

// Unpacks the entry the archive stands on into `file`, counting against the budget.
std::string CopyEntry(void* archive, int file, const Entry& entry, uint64_t& total,
                      const UnpackLimits& limits) {
    if (unzOpenCurrentFile(archive) != UNZ_OK) {
        return "the entry \"" + entry.name + "\" cannot be read";
    }
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const int read =
            unzReadCurrentFile(archive, buffer.data(), static_cast<unsigned>(buffer.size()));
        if (read < 0) {
            unzCloseCurrentFile(archive);
            return "the entry \"" + entry.name + "\" is damaged";
        }
        if (read == 0) {
            break;
        }
        total += static_cast<uint64_t>(read);
        if (total > limits.maxTotalBytes) {
            unzCloseCurrentFile(archive);
            return "the archive unpacks to more than " + std::to_string(limits.maxTotalBytes) +
                   " bytes";
        }
        if (!WriteAll(file, buffer.data(), static_cast<size_t>(read))) {
            const std::string error = SystemError("cannot write \"" + entry.name + "\"");
            unzCloseCurrentFile(archive);
            return error;
        }
    }
    if (unzCloseCurrentFile(archive) != UNZ_OK) {
        return "the entry \"" + entry.name + "\" fails its checksum";
    }
    return {};
}

}  // namespace

std::optional<std::string> SafeEntryPath(std::string_view name) {
    if (name.empty() || name.front() == '/' ||
        std::any_of(name.begin(), name.end(), RefusedNameByte)) {
        return std::nullopt;
    }
    const bool driveName =
        name.size() >= 2 && name[1] == ':' &&
        ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
    if (driveName) {
        return std::nullopt;
    }
    std::string relative;
    size_t start = 0;
    while (start <= name.size()) {
        const size_t end = name.find('/', start);
        const std::string_view part = name.substr(
            start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (part == "..") {
            return std::nullopt;
        }
        if (!part.empty() && part != ".") {
            if (!relative.empty()) {
                relative += '/';
            }
            relative.append(part);
        }
        if (end == std::string_view::npos) {
            break;
        }
        start = end + 1;
    }
    return relative;
}

UnpackResult UnpackArchive(const std::string& archivePath, const std::string& targetFolder,
                           const UnpackLimits& limits) {
    UnpackResult result;
    UnzipPtr archive(unzOpen64(archivePath.c_str()));
    if (!archive) {
        result.error = "cannot open the archive " + archivePath;
        return result;
    }
    std::vector<Entry> entries;
    result.error = PlanEntries(archive.get(), limits, entries);
    if (!result.error.empty()) {
        return result;
    }

    CreatedPaths created;
    FolderWriter writer(targetFolder, created);
    if (!writer.Ready(result.error)) {
        return result;
    }
    uint64_t total = 0;
    int step = unzGoToFirstFile(archive.get());
    for (const Entry& entry : entries) {
        if (step != UNZ_OK) {
            result.error = "the archive is damaged";
            break;
        }
        if (entry.directory) {
            const std::vector<std::string> parts = Components(entry.relative);
            if (!writer.OpenFolders(parts, parts.size(), result.error).IsOpen()) {
                break;
            }
        } else {
            UniqueFd file = writer.CreateFile(entry.relative, result.error);
            if (!file.IsOpen()) {
                break;
            }
            result.error = CopyEntry(archive.get(), file.Get(), entry, total, limits);
            if (result.error.empty() && !file.Close()) {
                result.error = SystemError("cannot write \"" + entry.name + "\"");
            }
            if (!result.error.empty()) {
                break;
            }
        }
        step = unzGoToNextFile(archive.get());
    }
    if (!result.error.empty()) {
        created.RemoveAll();
        return result;
    }
    created.DropReplaced();
    result.ok = true;
    result.files = created.Files();
    return result;
}

}  // namespace zanvor
