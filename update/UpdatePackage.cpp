#include "update/UpdatePackage.h"

#include <unistd.h>

#include <filesystem>

#include "platform/Paths.h"
#include "platform/Process.h"

namespace zanvor {

PackageOutcome DownloadPackage(WebClient& web, const std::string& address,
                               const std::string& folder, const PackageNames& names,
                               const WebClient::ProgressSink& progress,
                               const UnpackLimits& limits) {
    PackageOutcome outcome;
    if (!CreateFolders(folder)) {
        outcome.failure = PackageOutcome::Failure::kFolder;
        outcome.error = "cannot create the folder " + folder;
        return outcome;
    }
    const std::string archivePath = folder + names.archive;
    const std::string installerPath = folder + names.installer;
    unlink(archivePath.c_str());
    unlink(installerPath.c_str());

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
