#pragma once

#include <chrono>
#include <string>

#include "update/ArchiveUnpack.h"
#include "update/WebClient.h"

namespace zanvor {

// The files of one download: the archive the service serves and the program inside it.
struct PackageNames {
    std::string archive;    // "Zanvor-HUB-1.0.3.zip"
    std::string installer;  // "Zanvor-HUB-1.0.3.deb"
};

struct PackageOutcome {
    enum class Failure {
        kNone,
        kFolder,       // the download folder cannot be created
        kDownload,     // not downloaded (see stopped)
        kUnpack,       // the archive was damaged or unsafe
        kNoInstaller,  // unpacked, but without the installer
    };
    bool ok = false;
    Failure failure = Failure::kNone;
    bool stopped = false;  // the download was cancelled
    std::string error;     // one line when not ok
    std::string installerPath;
};

// The address of `name` on the update service: the base address and the name joined by
// exactly one '/' ("https://host/upd///" and "Zanvor-HUB-1.0.3.zip" give
// "https://host/upd/Zanvor-HUB-1.0.3.zip").
std::string ServiceFileAddress(const std::string& base, const std::string& name);

// Downloads `address` as folder + archive, unpacks it into the folder and deletes the
// archive, then looks for folder + installer. The folder belongs to this download: it is
// created when missing and emptied first (what is inside it, nothing beside it; a symbolic
// link or file in its place is replaced by a folder), so neither an earlier download's
// installer nor anything named like the archive or the installer stands in the way. ok when
// the installer is there.
PackageOutcome DownloadPackage(WebClient& web, const std::string& address,
                               const std::string& folder, const PackageNames& names,
                               const WebClient::ProgressSink& progress,
                               const UnpackLimits& limits = {});

// Hands a file to the desktop's opener ("xdg-open", which gives a package to the desktop's
// package installer) and waits up to `verdict` for the opener to say it failed. False with
// `error` set when the opener cannot be started or reports a failure; an opener still at
// work after that time counts as success.
bool OpenWithDesktop(const std::string& opener, const std::string& path, std::string& error,
                     std::chrono::milliseconds verdict = std::chrono::seconds(10));

}  // namespace zanvor
