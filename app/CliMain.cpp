// zanvorctl's grammar: the commands and their options, over the same operations, database
// and worker tasks as the desktop program. The commands themselves live in app/Cli*Commands.
#include "app/CliMain.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <iostream>
#include <limits>
#include <string>
#include <vector>

#include "app/CliAudioCommands.h"
#include "app/CliCommands.h"
#include "app/CliKeyboardCommands.h"
#include "app/CliLightCommands.h"
#include "app/CliMacroCommands.h"
#include "app/CliManual.h"
#include "app/CliMatrixCommands.h"
#include "app/CliOutput.h"
#include "app/CliScreenCommands.h"
#include "app/CliUpdateCommands.h"
#include "platform/Paths.h"
#include "platform/Utf8.h"
#include "ui/InstalledLanguages.h"

namespace zanvor {

// CLI11 has no optional-value option of the form --simulate[=SELECTION]; take it out first.
std::vector<std::string> ExtractSimulate(const std::vector<std::string>& arguments,
                                         CliOptions& options) {
    std::vector<std::string> rest;
    for (const std::string& argument : arguments) {
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

bool RunsWithoutOwner(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument == "--help" || argument == "-h" || argument == "--help-all") {
            return true;
        }
        if (!argument.empty() && argument[0] != '-') {
            // The first word that is not an option is the command (options taking a value come
            // before it as --option=value or as a number, which no command is named like).
            // The sound commands only listen to the sound server.
            return argument == "app" || argument == "audio";
        }
    }
    return true;  // no command: only the usage is printed
}

int RunStandaloneSession(const CliOptions& options, bool readKeyboard,
                         const std::function<int(CliSession&)>& command) {
    CliSession session(options);
    std::string error;
    if (const int status = session.Start(error, readKeyboard); status != kCliOk) {
        return session.Finish(Fail(status, error));
    }
    return session.Finish(command(session));
}

std::string ZanvorctlVersion() {
    return std::string("zanvorctl ") + ZANVOR_VERSION;
}

namespace {

// The first word that stands where a command is expected but names none ("frob" in
// "profile frob"); `known` receives the commands before it. Empty when there is none.
std::string UnknownCommand(CLI::App& root, const std::vector<std::string>& arguments,
                           std::string& known, std::string& choices) {
    CLI::App* level = &root;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& word = arguments[i];
        if (word == "--") {
            return {};
        }
        if (word.size() > 1 && word[0] == '-') {
            const CLI::Option* option = level->get_option_no_throw(word);
            if (word.find('=') == std::string::npos && option != nullptr &&
                option->get_items_expected_max() > 0) {
                ++i;  // its value
            }
            continue;
        }
        const std::vector<CLI::App*> commands =
            level->get_subcommands([](const CLI::App*) { return true; });
        if (commands.empty()) {
            return {};
        }
        const auto found = std::find_if(commands.begin(), commands.end(),
                                        [&](const CLI::App* c) { return c->get_name() == word; });
        if (found == commands.end()) {
            const bool takesWords =
                !level->get_options([](const CLI::Option* o) { return o->get_positional(); })
                     .empty();
            if (takesWords) {
                return {};
            }
            for (const CLI::App* command : commands) {
                choices += (choices.empty() ? "" : ", ") + command->get_name();
            }
            return word;
        }
        level = *found;
        known += (known.empty() ? "" : " ") + word;
    }
    return {};
}

// CLI11's message on one line.
std::string OneLine(std::string text) {
    std::replace(text.begin(), text.end(), '\n', ' ');
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
    return text;
}

// "devices, info, profile, ...": the commands directly below `command`.
std::string TopLevelCommands(const CLI::App& command) {
    std::string names;
    for (const std::string& path : CliCommandPaths(command)) {
        if (path.find(' ') == std::string::npos) {
            names += (names.empty() ? "" : ", ") + path;
        }
    }
    return names;
}

std::string ShortUsage(const CLI::App& cli) {
    const std::string commands = TopLevelCommands(cli);
    return "Usage: zanvorctl [--simulate[=TYPE[:cable|:receiver],...]] [OPTIONS] COMMAND ...\n"
           "Commands: " +
           commands +
           "\n"
           "'zanvorctl --help' lists the options; 'zanvorctl COMMAND --help' shows a command with "
           "an example.\n";
}

// A command line that did not parse. --help and --version print their texts; no command at
// all prints the short usage; a word that names no command is said as such; anything else is
// one line on stderr.
int ParseFailure(CLI::App& cli, const CLI::ParseError& error,
                 const std::vector<std::string>& arguments) {
    if (error.get_exit_code() == 0) {
        cli.exit(error);
        return kCliOk;
    }
    std::string known;
    std::string choices;
    const std::string unknown = UnknownCommand(cli, arguments, known, choices);
    if (!unknown.empty()) {
        return Fail(kCliUsage, "unknown command " + (known.empty() ? "" : known + " ") + unknown +
                                   " (" + (known.empty() ? "commands" : known) + ": " + choices +
                                   ")");
    }
    const bool required = dynamic_cast<const CLI::RequiredError*>(&error) != nullptr;
    const CLI::App* command = &cli;
    std::string path;
    while (!command->get_subcommands().empty()) {
        command = command->get_subcommands().front();
        path += (path.empty() ? "" : " ") + command->get_name();
    }
    std::string reason = error.what();
    if (required && command->get_require_subcommand_min() > 0) {
        if (command == &cli) {
            std::cout << ShortUsage(cli);
            return kCliUsage;
        }
        reason = path + " needs a command: " + TopLevelCommands(*command);
    }
    return Fail(kCliUsage, OneLine(reason) + " (see 'zanvorctl " +
                               (path.empty() ? "" : path + " ") + "--help')");
}

// --seconds N: a whole number of seconds an int holds. CLI11's NonNegativeNumber named its
// upper limit as a 300-digit double.
std::string CheckSeconds(const std::string& value) {
    constexpr long long kMost = std::numeric_limits<int>::max();
    long long seconds = -1;
    const char* end = value.data() + value.size();
    const auto [stop, error] = std::from_chars(value.data(), end, seconds);
    if (error != std::errc() || stop != end || seconds < 0 || seconds > kMost) {
        return value + " is not a whole number of seconds from 0 to " + std::to_string(kMost) +
               " (0: until Ctrl+C)";
    }
    return {};
}

// One rule for every value on the command line, positional or not: an empty or blank value
// is a usage error. Converted as it is, "" would name layer 0, action 0, the main zone or
// "every key" (key reset "") and wipe what the user never named. The rule runs before an
// option's own checks, so a blank value gets the same message everywhere.
void RefuseBlankValues(CLI::App& command) {
    const auto takesValue = [](CLI::Option* option) {
        return option->get_items_expected_max() > 0;
    };
    for (CLI::Option* option : command.get_options(takesValue)) {
        option->transform(CLI::Validator(
            [](const std::string& value) {
                return IsBlank(value) ? std::string("cannot be empty or only blanks")
                                      : std::string();
            },
            std::string()));
    }
    for (CLI::App* subcommand : command.get_subcommands([](CLI::App*) { return true; })) {
        RefuseBlankValues(*subcommand);
    }
}

// Builds the grammar; with `describe`, hands it over unparsed, otherwise parses the arguments
// and runs the command.
int BuildCommandLine(const std::vector<std::string>& rawArguments, const SessionRunner& runSession,
                     const std::function<int(const CLI::App&)>& describe) {
    CliOptions options;
    std::vector<std::string> arguments = ExtractSimulate(rawArguments, options);
    for (const std::string& argument : rawArguments) {
        // Read before the grammar, so the blank-value rule is applied here: "--simulate=" of an
        // empty variable must not stand for every model.
        if (argument.starts_with("--simulate=") && IsBlank(argument.substr(11))) {
            return Fail(kCliUsage, "--simulate: cannot be empty or only blanks");
        }
    }
    // Commands that need the keyboard session; readKeyboard loads the profiles and reads the
    // keyboard first.
    const auto WithSession = [&runSession](const CliOptions& sessionOptions, auto command,
                                           bool readKeyboard = true) -> int {
        return runSession(sessionOptions, readKeyboard,
                          [&command](CliSession& session) { return command(session); });
    };

    CLI::App cli{"zanvorctl: configure Zanvor keyboards from the command line", "zanvorctl"};
    cli.set_help_all_flag("--help-all", "All commands and their options");
    cli.set_version_flag("--version", ZanvorctlVersion(), "Print the program's version");
    cli.require_subcommand(1);
    cli.add_option("--device", options.deviceType, "Select the keyboard model by device type")
        ->option_text("TYPE");
    cli.add_flag("--json", options.json, "Print one JSON document");
    cli.add_flag("--yes", options.yes, "Answer yes to confirmations");
    cli.add_option("--hid-trace", options.hidTrace, "Write every HID report to FILE")
        ->option_text("FILE");
    cli.footer(
        "--simulate[=TYPE[:cable|:receiver],...] uses virtual keyboards instead of real ones.\n"
        "Exit status: 0 success, 1 failure, 2 usage error, 3 no keyboard online;\n"
        "update check: 10 when a newer version is available.\n"
        "The manual page zanvorctl(1) describes every command and its --json output.");

    int status = kCliOk;

    CLI::App* devices = cli.add_subcommand("devices", "Supported keyboards found");
    devices->callback([&] {
        status = WithSession(
            options, [](CliSession& session) { return CmdDevices(session); }, false);
    });

    cli.add_subcommand("info", "The selected keyboard: firmware, features, battery")->callback([&] {
        status = WithSession(options, CmdInfo);
    });

    CLI::App* profile = cli.add_subcommand("profile", "List, add, rename, delete, activate");
    profile->require_subcommand(1);
    int profileId = 0;
    std::string profileName;
    profile->add_subcommand("list", "Profiles of the selected keyboard model")->callback([&] {
        status = WithSession(options, CmdProfileList);
    });
    CLI::App* profileAdd = profile->add_subcommand("add", "Add a profile (at most 10)");
    profileAdd->add_option("NAME", profileName);
    profileAdd->callback([&] {
        status = WithSession(options, [&](CliSession& s) { return CmdProfileAdd(s, profileName); });
    });
    CLI::App* profileRename = profile->add_subcommand("rename", "Rename a profile");
    profileRename->add_option("ID", profileId)->required();
    profileRename->add_option("NAME", profileName)->required();
    profileRename->callback([&] {
        status = WithSession(
            options, [&](CliSession& s) { return CmdProfileRename(s, profileId, profileName); });
    });
    CLI::App* profileDelete = profile->add_subcommand("delete", "Delete a profile");
    profileDelete->add_option("ID", profileId)->required();
    profileDelete->callback([&] {
        status =
            WithSession(options, [&](CliSession& s) { return CmdProfileDelete(s, profileId); });
    });
    CLI::App* profileActivate =
        profile->add_subcommand("activate", "Make a profile active and send it to the keyboard");
    profileActivate->add_option("ID", profileId)->required();
    profileActivate->callback([&] {
        status =
            WithSession(options, [&](CliSession& s) { return CmdProfileActivate(s, profileId); });
    });

    CLI::App* settings = cli.add_subcommand("settings", "Keyboard settings of the profile");
    std::string settingKey;
    std::string settingValue;
    CLI::App* settingsGet = settings->add_subcommand("get", "Show settings");
    settingsGet->add_option("KEY", settingKey);
    settingsGet->callback([&] {
        status = WithSession(options, [&](CliSession& s) { return CmdSettingsGet(s, settingKey); });
    });
    CLI::App* settingsSet = settings->add_subcommand(
        "set",
        "Change a setting: mac_mode game_mode lock_win wasd_mode sleep_time "
        "key_keyresponse encoder_mode");
    settingsSet->add_option("KEY", settingKey)->required();
    settingsSet->add_option("VALUE", settingValue)->required();
    settingsSet->callback([&] {
        status = WithSession(
            options, [&](CliSession& s) { return CmdSettingsSet(s, settingKey, settingValue); });
    });
    settings->callback([&] {
        if (settings->get_subcommands().empty()) {
            status = WithSession(options, [&](CliSession& s) { return CmdSettingsGet(s, ""); });
        }
    });

    CLI::App* key = cli.add_subcommand("key", "Key assignments on four layers");
    key->require_subcommand(1);
    int layer = 1;  // as the window counts: layer 1 is the base layer
    std::string keyName;
    std::string function;
    CLI::App* keyList = key->add_subcommand("list", "Every key with its function");
    keyList->add_option("--layer", layer, "1-4, as the window shows (1 = the base layer)");
    keyList->callback([&] {
        status = WithSession(options, [&](CliSession& s) { return CmdKeyList(s, layer); });
    });
    CLI::App* keySet = key->add_subcommand("set", "Give a key a function");
    keySet->add_option("--layer", layer, "1-4, as the window shows (1 = the base layer)");
    keySet->add_option("KEY", keyName, "usage in hex (0x04) or caption (Esc)")->required();
    keySet
        ->add_option("FUNCTION", function,
                     "none, fixed, key:K[+MOD...], mouse:N, media:N, shortcut:N, fn:N, "
                     "special:N, macro:ID[:PLAYTYPE[:COUNT]]")
        ->required();
    keySet->callback([&] {
        status = WithSession(options,
                             [&](CliSession& s) { return CmdKeySet(s, layer, keyName, function); });
    });
    CLI::App* keyReset = key->add_subcommand("reset", "Factory function of a key or the layer");
    keyReset->add_option("--layer", layer, "1-4, as the window shows (1 = the base layer)");
    keyReset->add_option("KEY", keyName);
    keyReset->callback([&] {
        status =
            WithSession(options, [&](CliSession& s) { return CmdKeyReset(s, layer, keyName); });
    });

    CLI::App* knob = cli.add_subcommand("knob", "Functions of the knob");
    knob->require_subcommand(1);
    int action = 0;
    knob->add_subcommand("list", "The knob's three actions on each layer")->callback([&] {
        status = WithSession(options, CmdKnobList);
    });
    CLI::App* knobSet = knob->add_subcommand("set", "Give a knob action a function");
    knobSet->add_option("--layer", layer, "1-4, as the window shows (1 = the base layer)");
    knobSet->add_option("ACTION", action, "0, 1 or 2")->required();
    knobSet->add_option("FUNCTION", function)->required();
    knobSet->callback([&] {
        status = WithSession(options,
                             [&](CliSession& s) { return CmdKnobSet(s, layer, action, function); });
    });

    AddLightCommands(
        cli, [&](std::function<int(CliSession&)> command) { return WithSession(options, command); },
        status);
    AddMatrixCommands(
        cli, [&](std::function<int(CliSession&)> command) { return WithSession(options, command); },
        status);

    std::string file;
    CLI::App* exportCommand = cli.add_subcommand("export", "Write a profile's keys to a file");
    exportCommand->add_option("PROFILE_ID", profileId)->required();
    exportCommand->add_option("FILE", file)->required();
    exportCommand->callback([&] {
        status = WithSession(options, [&](CliSession& s) { return CmdExport(s, profileId, file); });
    });
    CLI::App* importCommand = cli.add_subcommand("import", "Read a file as a new profile");
    importCommand->add_option("FILE", file)->required();
    importCommand->callback(
        [&] { status = WithSession(options, [&](CliSession& s) { return CmdImport(s, file); }); });

    CLI::App* macro =
        cli.add_subcommand("macro", "Macros: list, show, add, rename, delete, set, delay");
    macro->require_subcommand(1);
    int macroId = 0;
    std::string macroName;
    std::vector<std::string> macroSteps;
    std::string macroDelay;
    macro->add_subcommand("list", "Every macro: steps, play and delay settings")->callback([&] {
        status = WithSession(options, CmdMacroList);
    });
    CLI::App* macroShow = macro->add_subcommand("show", "The steps of a macro, one per line");
    macroShow->add_option("ID", macroId)->required();
    macroShow->callback([&] {
        status = WithSession(options, [&](CliSession& s) { return CmdMacroShow(s, macroId); });
    });
    CLI::App* macroAdd = macro->add_subcommand("add", "Add a macro (at most 10)");
    macroAdd->add_option("NAME", macroName);
    macroAdd->callback([&] {
        status = WithSession(options, [&](CliSession& s) { return CmdMacroAdd(s, macroName); });
    });
    CLI::App* macroRename = macro->add_subcommand("rename", "Rename a macro");
    macroRename->add_option("ID", macroId)->required();
    macroRename->add_option("NAME", macroName)->required();
    macroRename->callback([&] {
        status = WithSession(options,
                             [&](CliSession& s) { return CmdMacroRename(s, macroId, macroName); });
    });
    CLI::App* macroDelete =
        macro->add_subcommand("delete", "Delete a macro; keys playing it are released");
    macroDelete->add_option("ID", macroId)->required();
    macroDelete->callback([&] {
        status = WithSession(options, [&](CliSession& s) { return CmdMacroDelete(s, macroId); });
    });
    CLI::App* macroSet =
        macro->add_subcommand("set", "Replace every step of a macro and send the macros");
    macroSet->add_option("ID", macroId)->required();
    macroSet
        ->add_option("STEP", macroSteps,
                     "down:KEY[@MS] up:KEY[@MS] mouse-down:BUTTON[@MS] mouse-up:BUTTON[@MS] "
                     "pause:MS scroll:up|down[@MS]; KEY a key name (A, LShift, Enter) or a "
                     "virtual-key code (0x41), BUTTON left|right|middle|back|forward, @MS the "
                     "delay after the step (default 10)")
        ->required();
    macroSet->callback([&] {
        status = WithSession(options,
                             [&](CliSession& s) { return CmdMacroSet(s, macroId, macroSteps); });
    });
    CLI::App* macroDelayCommand =
        macro->add_subcommand("delay", "How recordings fill in delays: none, measured, fixed:MS");
    macroDelayCommand->add_option("ID", macroId)->required();
    macroDelayCommand->add_option("DELAY", macroDelay)->required();
    macroDelayCommand->callback([&] {
        status = WithSession(options,
                             [&](CliSession& s) { return CmdMacroDelay(s, macroId, macroDelay); });
    });

    // The screen library is the program's own: no keyboard needs to be read for it.
    CLI::App* screen = cli.add_subcommand("screen", "Animations for the keyboard's screen");
    screen->require_subcommand(1);
    int animationId = 0;
    screen->add_subcommand("list", "Animations with their frames and duration")->callback([&] {
        status = WithSession(options, CmdScreenList, false);
    });
    CLI::App* screenImport = screen->add_subcommand("import", "Add a GIF file as an animation");
    screenImport->add_option("FILE", file, "FILE.gif")->required();
    screenImport->callback([&] {
        status = WithSession(
            options, [&](CliSession& s) { return CmdScreenImport(s, file); }, false);
    });
    CLI::App* screenExport = screen->add_subcommand("export", "Write an animation as a GIF file");
    screenExport->add_option("ID", animationId)->required();
    screenExport->add_option("FILE", file, "FILE.gif")->required();
    screenExport->callback([&] {
        status = WithSession(
            options, [&](CliSession& s) { return CmdScreenExport(s, animationId, file); }, false);
    });
    CLI::App* screenDelete = screen->add_subcommand("delete", "Delete an animation");
    screenDelete->add_option("ID", animationId)->required();
    screenDelete->callback([&] {
        status = WithSession(
            options, [&](CliSession& s) { return CmdScreenDelete(s, animationId); }, false);
    });

    cli.add_subcommand("reset", "Factory reset of keyboard and database (asks; --yes)")
        ->callback([&] { status = WithSession(options, CmdReset); });

    CLI::App* app = cli.add_subcommand("app", "Program settings");
    app->require_subcommand(1);
    int lcid = 0;
    CLI::App* language = app->add_subcommand("language", "Show or set the interface language");
    language->add_option(
        "LCID", lcid,
        "an installed language: " + DescribeLanguages(FindInstalledLanguages(ApplicationFolder())));
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

    CLI::App* audio = cli.add_subcommand("audio", "What the music effects hear");
    audio->require_subcommand(1);
    audio->add_subcommand("devices", "Sound devices; the captured one is marked")->callback([&] {
        status = CmdAudioDevices(options);
    });
    CLI::App* monitor =
        audio->add_subcommand("monitor", "Level, peak, band, beat and tempo once a second");
    int monitorSeconds = 0;
    std::string monitorDevice;
    monitor->add_option("--seconds", monitorSeconds, "Stop after N seconds (default: Ctrl+C)")
        ->check(CheckSeconds);
    monitor->add_option("--device", monitorDevice, "Capture this sink or source");
    monitor->callback([&] { status = CmdAudioMonitor(options, monitorSeconds, monitorDevice); });

    CLI::App* aurora = cli.add_subcommand("aurora", "Effects computed here and streamed live");
    aurora->require_subcommand(1);
    CLI::App* auroraRun = aurora->add_subcommand(
        "run", "Stream an effect to the keyboard until N seconds pass or Ctrl+C");
    int auroraMode = 0;
    std::string auroraFile;
    int auroraSeconds = 0;
    auroraRun
        ->add_option("--mode", auroraMode,
                     "1 music, 2 ripple, 3 spectrum sweep, 5 picture (default: the profile's)")
        ->check(CLI::IsMember({1, 2, 3, 5}));
    auroraRun->add_option("--file", auroraFile, "Picture or GIF for mode 5");
    auroraRun->add_option("--seconds", auroraSeconds, "Stop after N seconds (default: Ctrl+C)")
        ->check(CheckSeconds);
    auroraRun->callback([&] {
        status = WithSession(options, [&](CliSession& session) {
            return CmdAuroraRun(session, auroraMode, auroraFile, auroraSeconds);
        });
    });

    CLI::App* update = cli.add_subcommand("update", "Check for a newer version and download it");
    update->require_subcommand(1);
    update
        ->add_subcommand("check",
                         "Installed and latest version; exit 10 when a newer one is available")
        ->callback([&] {
            status = WithSession(
                options, [](CliSession& s) { return CmdUpdateCheck(s); }, false);
        });
    bool install = false;
    CLI::App* download = update->add_subcommand(
        "download", "Download and unpack the newer version; prints the installer's path");
    download->add_flag("--yes", options.yes, "Do not ask before downloading");
    download->add_flag("--install", install,
                       "Hand the installer to the desktop's package installer");
    download->callback([&] {
        status = WithSession(
            options, [&](CliSession& s) { return CmdUpdateDownload(s, install); }, false);
    });

    const std::vector<std::string> inOrder = arguments;
    RefuseBlankValues(cli);
    AddCliExamples(cli);
    if (describe) {
        return describe(cli);
    }
    std::reverse(arguments.begin(), arguments.end());
    try {
        cli.parse(arguments);
    } catch (const CLI::ParseError& error) {
        return ParseFailure(cli, error, inOrder);
    }
    return status;
}

}  // namespace

int RunCommandLine(const std::vector<std::string>& arguments, const SessionRunner& runSession) {
    return BuildCommandLine(arguments, runSession, nullptr);
}

int DescribeCommandLine(const std::function<int(const CLI::App&)>& describe) {
    return BuildCommandLine({}, nullptr, describe);
}

}  // namespace zanvor
