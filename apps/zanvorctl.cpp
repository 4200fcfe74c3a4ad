// zanvorctl: the command line over the same operations, database and worker tasks as the
// desktop program. Argument parsing only; the commands live in app/CliCommands.
#include <CLI/CLI.hpp>
#include <algorithm>
#include <iostream>
#include <string>
#include <vector>

#include "app/CliCommands.h"
#include "app/CliOutput.h"

using namespace zanvor;

namespace {

// CLI11 has no optional-value option of the form --simulate[=SPEC]; take it out first.
std::vector<std::string> ExtractSimulate(int argc, char** argv, CliOptions& options) {
    std::vector<std::string> rest;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--simulate") {
            options.simulate = true;
        } else if (argument.rfind("--simulate=", 0) == 0) {
            options.simulate = true;
            options.simulateSpec = argument.substr(11);
        } else {
            rest.push_back(argument);
        }
    }
    return rest;
}

// Commands that need the keyboard session.
template <typename Command>
int WithSession(const CliOptions& options, Command command) {
    CliSession session(options);
    std::string error;
    if (!session.Start(error)) {
        return Fail(kCliFailed, error);
    }
    return command(session);
}

}  // namespace

int main(int argc, char** argv) {
    CliOptions options;
    std::vector<std::string> arguments = ExtractSimulate(argc, argv, options);

    CLI::App cli{"zanvorctl: configure Zanvor keyboards from the command line"};
    cli.set_help_all_flag("--help-all", "All commands and their options");
    cli.require_subcommand(1);
    cli.add_option("--device", options.deviceType, "Select the keyboard model by device type");
    cli.add_flag("--json", options.json, "Print one JSON document");
    cli.add_flag("--yes", options.yes, "Answer yes to confirmations");
    cli.add_option("--hid-trace", options.hidTrace, "Write every HID report to FILE");
    cli.footer(
        "--simulate[=TYPE[:cable|:receiver],...] uses virtual keyboards instead of real ones.\n"
        "Exit status: 0 success, 1 failure, 2 usage error, 3 no keyboard online.");

    int status = kCliOk;

    CLI::App* devices = cli.add_subcommand("devices", "Supported keyboards found");
    devices->callback([&] {
        status = WithSession(options, [](CliSession& session) { return CmdDevices(session); });
    });

    CLI::App* app = cli.add_subcommand("app", "Program settings");
    app->require_subcommand(1);
    int lcid = 0;
    CLI::App* language = app->add_subcommand("language", "Show or set the interface language");
    language->add_option("LCID", lcid, "1033 English, 1045 Polski");
    language->callback([&] { status = CmdAppLanguage(options, lcid); });
    std::string autostartState;
    std::string minimised;
    CLI::App* autostart = app->add_subcommand("autostart", "Start with the desktop session");
    autostart->add_option("STATE", autostartState)->check(CLI::IsMember({"on", "off"}));
    autostart->add_option("--minimised", minimised)->check(CLI::IsMember({"on", "off"}));
    autostart->callback([&] { status = CmdAppAutostart(options, autostartState, minimised); });
    std::string exitMode;
    CLI::App* exitModeCommand =
        app->add_subcommand("exit-mode", "What the close button does: tray or exit");
    exitModeCommand->add_option("MODE", exitMode)->check(CLI::IsMember({"tray", "exit"}));
    exitModeCommand->callback([&] { status = CmdAppExitMode(options, exitMode); });

    std::reverse(arguments.begin(), arguments.end());
    try {
        cli.parse(arguments);
    } catch (const CLI::ParseError& error) {
        const int code = cli.exit(error);
        return code == 0 ? kCliOk : kCliUsage;
    }
    return status;
}
