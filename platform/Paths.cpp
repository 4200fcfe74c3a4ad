#include "platform/Paths.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <system_error>

#include "platform/AppIdentity.h"

#ifndef ZANVOR_INSTALL_DATADIR
#define ZANVOR_INSTALL_DATADIR "/usr/share/zanvor-hub/"
#endif
#ifndef ZANVOR_DATADIR_FROM_BINDIR
#define ZANVOR_DATADIR_FROM_BINDIR "../share/zanvor-hub/"
#endif

namespace zanvor {

namespace fs = std::filesystem;

namespace {

std::mutex& FolderMutex() {
    static std::mutex mutex;  // guards the application folder override
    return mutex;
}
std::string& FolderOverride() {
    static std::string folder;
    return folder;
}

std::string WithSlash(std::string path) {
    if (path.empty() || path.back() != '/') {
        path.push_back('/');
    }
    return path;
}

// $HOME, else the account's home folder when it is the user's own; empty when there is none.
std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return WithSlash(home);
    }
    passwd entry{};
    passwd* found = nullptr;
    char buffer[4096];
    if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) != 0 || found == nullptr ||
        found->pw_dir == nullptr || found->pw_dir[0] != '/') {
        return std::string();
    }
    struct stat info {};
    if (::stat(found->pw_dir, &info) != 0 || !S_ISDIR(info.st_mode) ||
        (info.st_mode & S_IWOTH) != 0) {
        return std::string();  // missing, or shared with everybody (/tmp)
    }
    return WithSlash(found->pw_dir);
}

std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return WithSlash(value);
    }
    const std::string home = HomeFolder();
    return home.empty() ? std::string() : home + fallbackBelowHome;
}

}  // namespace

std::string ExecutablePath() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.string();
}

void SetApplicationFolder(const std::string& folder) {
    std::lock_guard lock(FolderMutex());
    FolderOverride() = folder.empty() ? std::string() : WithSlash(folder);
}

std::string ApplicationFolder() {
    {
        std::lock_guard lock(FolderMutex());
        if (!FolderOverride().empty()) {
            return FolderOverride();
        }
    }
    const std::string exe = ExecutablePath();
    if (!exe.empty()) {
        // The build tree keeps the data beside the programs; an installed tree keeps it in
        // <prefix>/share/zanvor-hub/, found from the executable so a tree installed under
        // another prefix (or a DESTDIR) still finds its own data.
        const std::string bin = WithSlash(fs::path(exe).parent_path().string());
        std::error_code ec;
        for (const std::string& folder : {bin, bin + ZANVOR_DATADIR_FROM_BINDIR}) {
            if (fs::exists(folder + "config.xml", ec)) {
                return WithSlash(fs::path(folder).lexically_normal().string());
            }
        }
    }
    return WithSlash(ZANVOR_INSTALL_DATADIR);
}

std::string ConfigHome() {
    return XdgFolder("XDG_CONFIG_HOME", ".config/");
}
std::string DataHome() {
    return XdgFolder("XDG_DATA_HOME", ".local/share/");
}
std::string StateHome() {
    return XdgFolder("XDG_STATE_HOME", ".local/state/");
}

std::string RuntimeFolder() {
    const char* value = std::getenv("XDG_RUNTIME_DIR");
    if (value != nullptr && value[0] == '/') {
        return WithSlash(value);
    }
    // The shared temporary folder is open to every user: the user's own folder inside it
    // keeps the lock and the socket out of other users' reach (PrivateFolder checks it).
    return "/tmp/zanvor-hub-" + std::to_string(::getuid()) + "/";
}

bool PrivateFolder(const std::string& path, std::string& error) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
        error = "cannot create " + folder + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::lstat(folder.c_str(), &info) != 0) {
        error = "cannot use " + folder + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = folder + " is not a folder";
    } else if (info.st_uid != ::getuid()) {
        error = folder + " belongs to another user";
    } else if ((info.st_mode & 077) != 0) {
        error = folder + " is open to other users (mode " +
                std::to_string((info.st_mode >> 6) & 7) + std::to_string((info.st_mode >> 3) & 7) +
                std::to_string(info.st_mode & 7) + ", expected 700)";
    } else {
        return true;
    }
    return false;
}

std::string DataFolder() {
    const std::string home = DataHome();
    return home.empty() ? std::string() : home + ApplicationName() + " Files/";
}

bool UserFoldersUsable(std::string& error) {
    if (!ConfigHome().empty() && !DataHome().empty() && !StateHome().empty()) {
        return true;
    }
    error =
        "HOME is not set and the account has no home folder of its own; set HOME (or "
        "XDG_CONFIG_HOME, XDG_DATA_HOME and XDG_STATE_HOME) to a folder of yours";
    return false;
}

bool CreateFolders(const std::string& path) {
    std::error_code ec;
    fs::create_directories(path, ec);
    return fs::is_directory(path, ec);
}

}  // namespace zanvor
