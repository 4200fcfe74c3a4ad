#pragma once

#include <string>
#include <vector>

namespace zanvor {

// One field of a command's --json document. `path` names it from the top of the document:
// "devices[].type" is the member "type" of each element of the array "devices".
struct CliJsonField {
    std::string path;
    std::string meaning;
};

// What the manual says about one command beyond its grammar: examples (the command line after
// "zanvorctl ") and the fields of its --json document.
struct CliCommandReference {
    std::string path;                   // "" for the program itself, "profile add", ...
    std::vector<std::string> examples;  // at least one for every command
    // The --json document; empty: the command prints nothing with --json (its exit status
    // tells the result). A group that only chooses a subcommand leaves it empty too.
    std::vector<CliJsonField> json;
};

// Every command of zanvorctl, in the order of the manual. A command added to the grammar
// needs its entry here: the tests check that the two agree, and the --help text, the manual
// page and the shell completion are made from both.
const std::vector<CliCommandReference>& CliReference();

// The entry of a command path, or nullptr.
const CliCommandReference* FindCliReference(const std::string& path);

}  // namespace zanvor
