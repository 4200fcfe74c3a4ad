#include "platform/SettingsStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <unordered_map>

#include "platform/AppIdentity.h"
#include "platform/FileRead.h"
#include "platform/Paths.h"
#include "platform/Trace.h"

namespace zanvor {

namespace {

constexpr const char* kFileName = "settings.conf";

std::mutex& StoreMutex() {
    static std::mutex mutex;  // serialises read-modify-write cycles of this process
    return mutex;
}

// A file descriptor closed on scope exit.
class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { Close(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int Close() {
        int result = 0;
        if (fd_ >= 0) {
            result = ::close(fd_);
            fd_ = -1;
        }
        return result;
    }

  private:
    int fd_;
};

// What tells one version of the settings file from another without reading it.
struct FileIdentity {
    bool known = false;
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    int64_t modifiedNs = 0;
    bool operator==(const FileIdentity&) const = default;
};

FileIdentity IdentityOf(const std::string& path) {
    struct stat info {};
    if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return {};
    }
    return {true, info.st_dev, info.st_ino, info.st_size,
            int64_t{info.st_mtim.tv_sec} * 1000000000 + info.st_mtim.tv_nsec};
}

// The entries of the file as last read, with the file's identity then.
struct CachedSettings {
    std::string path;
    FileIdentity identity;
    SettingsEntries entries;
};

std::mutex& CacheMutex() {
    static std::mutex mutex;  // guards ReadCache()
    return mutex;
}

CachedSettings& ReadCache() {
    static CachedSettings cache;
    return cache;
}

std::string SettingsFolder() {
    std::string name = ApplicationName();
    if (name.empty()) {
        name = "zanvor-hub";
    }
    for (char& c : name) {
        if (c == '/') {
            c = '_';
        }
    }
    const std::string home = ConfigHome();
    return home.empty() ? std::string() : home + name + "/";  // never a folder relative to "."
}

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z') {
            x = static_cast<char>(x - 'A' + 'a');
        }
        if (y >= 'A' && y <= 'Z') {
            y = static_cast<char>(y - 'A' + 'a');
        }
        if (x != y) {
            return false;
        }
    }
    return true;
}

std::string LowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::string Trim(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) {
        return std::string();
    }
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool ValidName(const std::string& name) {
    if (name.empty() || name != Trim(name) || name[0] == '#' || name[0] == ';') {
        return false;
    }
    return name.find_first_of("=\r\n") == std::string::npos;
}

std::string EscapeValue(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            default:
                out += c;
                break;
        }
    }
    return out;
}

std::string UnescapeValue(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            default:
                out += next;
                break;
        }
    }
    return out;
}

// Reads the whole file. kMissing when it does not exist. Only a regular file of sane size is
// read: a FIFO or device put in its place would otherwise hang every start.
SettingsOpen ReadWholeFile(const std::string& path, std::string& text) {
    constexpr size_t kMaxSettingsBytes = size_t{1} << 20;
    switch (ReadRegularFile(path, kMaxSettingsBytes, text)) {
        case FileReadResult::kOk:
            return SettingsOpen::kOpened;
        case FileReadResult::kMissing:
            return SettingsOpen::kMissing;
        case FileReadResult::kNotRegular:
        case FileReadResult::kTooLarge:
        case FileReadResult::kUnreadable:
            break;
    }
    Trace("Settings: cannot read %s\n", path.c_str());
    return SettingsOpen::kFailed;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t wrote = ::write(fd, text.data() + done, text.size() - done);
        if (wrote < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(wrote);
    }
    return true;
}

// Replaces the settings file with text: a temporary file in the same folder is written and
// flushed to disk, then renamed over the old file, so readers see either the old or the new
// file, never a part of it.
bool ReplaceFile(const std::string& folder, const std::string& text) {
    std::string temp = folder + "." + kFileName + ".XXXXXX";
    Fd fd(::mkstemp(temp.data()));
    if (!fd.valid()) {
        Trace("Settings: cannot create a file in %s: %s\n", folder.c_str(), std::strerror(errno));
        return false;
    }
    const bool written = WriteAll(fd.get(), text) && ::fsync(fd.get()) == 0;
    const bool closed = fd.Close() == 0;
    if (!written || !closed || ::rename(temp.c_str(), (folder + kFileName).c_str()) != 0) {
        Trace("Settings: cannot write %s%s: %s\n", folder.c_str(), kFileName, std::strerror(errno));
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    Fd dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) {
        ::fsync(dir.get());
    }
    return true;
}

// Holds an exclusive lock on the settings folder, so that read-modify-write cycles of
// several processes do not lose each other's changes.
class FolderLock {
  public:
    explicit FolderLock(const std::string& folder)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        if (fd_.valid()) {
            while (::flock(fd_.get(), LOCK_EX) != 0 && errno == EINTR) {
            }
        }
    }
    bool valid() const { return fd_.valid(); }

  private:
    Fd fd_;  // the lock goes with the descriptor
};

// Reads, changes and rewrites the file under both locks. change returns false to leave the
// file as it is.
template <typename Change>
bool Modify(Change change) {
    std::lock_guard guard(StoreMutex());
    const std::string folder = SettingsFolder();
    if (folder.empty() || !CreateFolders(folder)) {
        Trace("Settings: cannot create %s\n", folder.c_str());
        return false;
    }
    FolderLock lock(folder);
    if (!lock.valid()) {
        return false;
    }
    std::string text;
    const SettingsOpen state = ReadWholeFile(folder + kFileName, text);
    if (state == SettingsOpen::kFailed) {
        return false;
    }
    SettingsEntries entries = ParseSettings(text);
    if (!change(entries, state == SettingsOpen::kMissing)) {
        return true;
    }
    return ReplaceFile(folder, FormatSettings(entries));
}

}  // namespace

std::string SettingsFilePath() {
    const std::string folder = SettingsFolder();
    return folder.empty() ? std::string() : folder + kFileName;
}

SettingsEntries ParseSettings(const std::string& text) {
    SettingsEntries entries;
    // Entry of each name, by the name in lower case: a file of many thousand lines is read in
    // one pass instead of comparing each line with every entry before it.
    std::unordered_map<std::string, size_t> index;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        const std::string trimmed = Trim(line);
        if (trimmed.empty() || trimmed[0] == '#' || trimmed[0] == ';') {
            continue;
        }
        const size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        const std::string name = Trim(line.substr(0, equals));
        if (name.empty()) {
            continue;
        }
        std::string value = UnescapeValue(line.substr(equals + 1));
        const auto [at, added] = index.emplace(LowerAscii(name), entries.size());
        if (added) {
            entries.emplace_back(name, std::move(value));
        } else {
            entries[at->second].second = std::move(value);  // a later line wins, as when written
        }
    }
    return entries;
}

std::string FormatSettings(const SettingsEntries& entries) {
    std::string text = "# Settings of " + ApplicationName() + ", one name=value per line.\n";
    for (const auto& [name, value] : entries) {
        text += name + "=" + EscapeValue(value) + "\n";
    }
    return text;
}

SettingsOpen ReadSettings(bool create, SettingsEntries& entries) {
    entries.clear();
    const std::string path = SettingsFilePath();
    // The file as read last time while it is still the same file: every change replaces it
    // (a new file renamed over it), so another process's change is still seen at once.
    const FileIdentity identity = IdentityOf(path);
    if (identity.known) {
        std::lock_guard guard(CacheMutex());
        if (ReadCache().path == path && ReadCache().identity == identity) {
            entries = ReadCache().entries;
            return SettingsOpen::kOpened;
        }
    }
    std::string text;
    SettingsOpen state = ReadWholeFile(path, text);
    if (state == SettingsOpen::kMissing && create) {
        bool created = false;
        const bool ok = Modify([&](SettingsEntries&, bool missing) {
            created = missing;
            return missing;
        });
        if (!ok) {
            return SettingsOpen::kFailed;
        }
        if (created) {
            return SettingsOpen::kCreated;
        }
        // Another thread or process created it meanwhile: read what it holds.
        state = ReadWholeFile(path, text);
    }
    if (state == SettingsOpen::kOpened) {
        entries = ParseSettings(text);
        if (identity.known && IdentityOf(path) == identity) {
            std::lock_guard guard(CacheMutex());
            ReadCache() = {path, identity, entries};
        }
    }
    return state;
}

SettingsOpen ReadSetting(const std::string& name, bool create, std::string& value, bool& found) {
    value.clear();
    found = false;
    SettingsEntries entries;
    const SettingsOpen state = ReadSettings(create, entries);
    for (const auto& entry : entries) {
        if (EqualNoCase(entry.first, name)) {
            value = entry.second;
            found = true;
            break;
        }
    }
    return state;
}

bool WriteSetting(const std::string& name, const std::string& value) {
    if (!ValidName(name)) {
        return false;
    }
    return Modify([&](SettingsEntries& entries, bool) {
        for (auto& entry : entries) {
            if (EqualNoCase(entry.first, name)) {
                if (entry.second == value) {
                    return false;
                }
                entry.second = value;
                return true;
            }
        }
        entries.emplace_back(name, value);
        return true;
    });
}

bool DeleteSetting(const std::string& name) {
    if (!ValidName(name)) {
        return true;
    }
    return Modify([&](SettingsEntries& entries, bool missing) {
        if (missing) {
            return false;
        }
        const size_t before = entries.size();
        std::erase_if(entries, [&](const auto& entry) { return EqualNoCase(entry.first, name); });
        return entries.size() != before;
    });
}

}  // namespace zanvor
