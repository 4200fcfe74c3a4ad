#pragma once

// zanvorctl serve: the hub without a window. It owns the keyboard as the desktop program does
// (the same lock and command socket), runs the commands other zanvorctl processes hand over,
// the live streams (music and aurora effects, matrix live presets, SDK Direct) and, when asked,
// the lighting SDK server. When the desktop program starts, serve gives the keyboard up and
// waits for the window to close, then takes it back.

#include <optional>
#include <string>

#include "app/CliSession.h"
#include "serve/SdkServer.h"

namespace zanvor {

// "ADDRESS:PORT" ("[::1]:6742" for IPv6; port 0 takes any free port) into `options`; an empty
// address keeps the one `options` has. False with the reason.
bool ParseSdkListenAddress(const std::string& text, SdkServerOptions& options, std::string& error);

// Runs until SIGTERM, SIGINT or SIGHUP; the keyboard then gets its own mode back. `sdk`:
// nothing without --sdk, empty for --sdk alone (the settings' address), else ADDRESS:PORT.
// Returns the exit status (0 after a clean stop).
int RunServe(const CliOptions& options, const std::optional<std::string>& sdk);

}  // namespace zanvor
