#pragma once

#include <string>

#include "app/CliSession.h"

namespace zanvor {

// audio devices: the sound server's playback and recording devices, the captured one marked.
int CmdAudioDevices(const CliOptions& options);
// audio monitor [--seconds N] [--device NAME]: once a second what the capture hears. N = 0
// runs until interrupted.
int CmdAudioMonitor(const CliOptions& options, int seconds, const std::string& device);
// aurora run [--mode 1|2|3|5] [--file F] [--seconds N]: streams the effect to the keyboard until
// N seconds pass (0: until interrupted), then gives the keyboard its own light mode back. Handed
// over to the program that owns the keyboard, the effect streams there (the window shows its
// Aurora page) and the command returns at once.
int CmdAuroraRun(CliSession& session, int mode, const std::string& file, int seconds);
// aurora stop: the owner's effect stream ends and the keyboard gets its own light mode back.
int CmdAuroraStop(CliSession& session);

}  // namespace zanvor
