#pragma once

#include "app/CliSession.h"

namespace zanvor {

// Exit status of `update check` when a newer version is available.
inline constexpr int kCliUpdateAvailable = 10;

// update check: the installed and the latest version. kCliOk when up to date,
// kCliUpdateAvailable when the service offers a newer version, kCliFailed when the service
// cannot be reached or gives no version.
int CmdUpdateCheck(CliSession& session);

// update download [--yes] [--install]: checks, asks (--yes, or a terminal's answer), downloads
// and unpacks the newer version with a progress line on a terminal and prints the installer's
// path. With `install` the installer is handed to the desktop's package installer. Up to
// date: nothing is downloaded (kCliOk).
int CmdUpdateDownload(CliSession& session, bool install);

}  // namespace zanvor
