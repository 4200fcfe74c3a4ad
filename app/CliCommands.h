#pragma once

#include <string>

#include "app/CliSession.h"

namespace zanvor {

// The commands of zanvorctl. Each returns an exit status (CliStatus) and prints its result
// (JSON with --json, aligned text otherwise) to stdout and a one-line reason to stderr.

int CmdDevices(CliSession& session);

// app language [LCID]
int CmdAppLanguage(const CliOptions& options, int lcid);
// app autostart [on|off] [--minimised on|off]; empty arguments only show the state.
int CmdAppAutostart(const CliOptions& options, const std::string& state,
                    const std::string& minimised);
// app exit-mode [tray|exit]
int CmdAppExitMode(const CliOptions& options, const std::string& mode);

}  // namespace zanvor
