#include "update/UpdatePackage.h"

#include <unistd.h>

#include <filesystem>
#include <vector>

#include "platform/Paths.h"
#include "platform/Process.h"

namespace zanvor {

namespace {

namespace fs = std::filesystem;

// Makes `folder` an empty folder of its own: a link or file in its place is removed (never
// followed), then everything inside it. False with `error` set when that fails.
bool EmptyFolder(const std::string& folder, std::string& error) {
    std::string path = folder;
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    std::error_code ec;
    const fs::file_status status = fs::symlink_status(path, ec);
    if (fs::exists(status) && !fs::is_directory(status) && !fs::remove(path, ec)) {
        error = "cannot remove " + path + ": " + ec.message();
        return false;
    }
    if (!CreateFolders(folder)) {
        error = "cannot create the folder " + folder;
        return false;
    }
    std::vector<fs::path> entries;
    for (fs::directory_iterator it(path, ec), end; !ec && it != end; it.increment(ec)) {
        entries.push_back(it->path());
    }
    // remove_all removes a symbolic link itself, not what it points to.
    for (size_t i = 0; i < entries.size() && !ec; ++i) {
        fs::remove_all(entries[i], ec);
    }
    if (ec) {
        error = "cannot empty the folder " + folder + ": " + ec.message();
        return false;
    }
    return true;
}

}  // namespace

std::string ServiceFileAddress(const std::string& base, const std::string& name) {
    std::string address = base;
    while (!address.empty() && address.back() == '/') {
        address.pop_back();
    }
    size_t start = 0;
    while (start < name.size() && name[start] == '/') {
        ++start;
    }
    return address + "/" + name.substr(start);
}

PackageOutcome DownloadPackage(WebClient& web, const std::string& address,
                               const std::string& folder, const PackageNames& names,
                               const WebClient::ProgressSink& progress,
                               const UnpackLimits& limits) {
    PackageOutcome outcome;
    if (!EmptyFolder(folder, outcome.error)) {
        outcome.failure = PackageOutcome::Failure::kFolder;
        return outcome;
    }
    const std::string archivePath = folder + names.archive;
    const std::string installerPath = folder + names.installer;

    const int result = web.DownloadFile(address, archivePath, progress);
    if (result != WebClient::kOk) {
        outcome.failure = PackageOutcome::Failure::kDownload;
        outcome.stopped = result == WebClient::kStopped;
        outcome.error = web.LastError();
        return outcome;
    }
    const UnpackResult unpack = UnpackArchive(archivePath, folder, limits);
    // Unpacked or refused, the archive has served its purpose.
    unlink(archivePath.c_str());
    if (!unpack.ok) {
        outcome.failure = PackageOutcome::Failure::kUnpack;
        outcome.error = unpack.error;
        return outcome;
    }
    std::error_code ec;
    if (!std::filesystem::is_regular_file(installerPath, ec)) {
        outcome.failure = PackageOutcome::Failure::kNoInstaller;
        outcome.error = "the update holds no " + names.installer;
        return outcome;
    }
    outcome.ok = true;
    outcome.installerPath = installerPath;
    return outcome;
}

bool OpenWithDesktop(const std::string& opener, const std::string& path, std::string& error,
                     std::chrono::milliseconds verdict) {
    const int pid = StartProcess(opener, {path}, error);
    if (pid <= 0) {
        return false;
    }
    const std::optional<int> status = WaitForProcessFor(pid, verdict);
    if (status && *status != 0) {
        error =
            opener + " could not open " + path + " (exit status " + std::to_string(*status) + ")";
        return false;
    }
    return true;
}

}  // namespace zanvor
