#pragma once

#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace zanvor {

// The command path of every command in the grammar, depth first in the order the commands
// were added ("devices", "profile", "profile list", ...); the program itself is not listed.
std::vector<std::string> CliCommandPaths(const CLI::App& cli);

// Puts each command's examples (from CliReference) at the end of its --help text, above the
// program's own footer.
void AddCliExamples(CLI::App& cli);

// The manual page: `templateText` with @VERSION@, @GLOBAL_OPTIONS@, @COMMANDS@ and
// @JSON_OUTPUT@ replaced by what the grammar and CliReference say.
std::string CliManualPage(const CLI::App& cli, const std::string& templateText,
                          const std::string& version);

// A bash completion script for zanvorctl: commands, options, the values of options that
// offer a fixed set, file names where a command takes a FILE, and the catalogue's device
// types for --device.
std::string CliBashCompletion(const CLI::App& cli, const std::vector<int>& deviceTypes);

}  // namespace zanvor
