#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/CliSession.h"

namespace CLI {
class App;
}

namespace zanvor {

// Runs `command` in a session for the options: a session of its own (zanvorctl alone) or the
// desktop program's (a command handed over to it). The runner returns the command's status.
using SessionRunner = std::function<int(const CliOptions& options, bool readKeyboard,
                                        const std::function<int(CliSession&)>& command)>;

// Runs `zanvorctl serve` (the hub without a window) until it is asked to stop; `sdk` is
// nothing without --sdk, empty for --sdk alone, else its ADDRESS:PORT. Returns the exit status.
using ServeRunner =
    std::function<int(const CliOptions& options, const std::optional<std::string>& sdk)>;

// Parses and runs one zanvorctl command line (arguments without the program name); prints on
// std::cout and std::cerr and returns the exit status. Without `runServe` (a command handed
// over to the owner of the keyboard) serve is refused.
int RunCommandLine(const std::vector<std::string>& arguments, const SessionRunner& runSession,
                   const ServeRunner& runServe = nullptr);

// Builds zanvorctl's grammar (every command and option, each command's help with its
// examples) and hands it to `describe` without parsing anything; returns what `describe`
// returns. The manual page, the shell completion and the tests read the grammar this way.
int DescribeCommandLine(const std::function<int(const CLI::App&)>& describe);

// "zanvorctl <version>", as --version prints it.
std::string ZanvorctlVersion();

// Starts a session of its own for the command: start-up, scan, the keyboard read.
int RunStandaloneSession(const CliOptions& options, bool readKeyboard,
                         const std::function<int(CliSession&)>& command);

// Takes --simulate[=SELECTION] out of the arguments into `options`.
std::vector<std::string> ExtractSimulate(const std::vector<std::string>& arguments,
                                         CliOptions& options);

// True for command lines that touch neither keyboard nor database (help, program settings),
// and for serve, which waits to own the keyboard itself: they are never handed over.
bool RunsWithoutOwner(const std::vector<std::string>& arguments);

}  // namespace zanvor
