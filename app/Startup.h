#pragma once

#include <memory>
#include <string>
#include <vector>

namespace zanvor {

class SingleInstance;

// What start-up reads from the application folder: the installed languages and, from
// "config.xml", the application name.
struct StartupConfig {
    std::vector<int> languages;  // LCIDs of the installed language files, ascending
    std::string applicationName;
};

// Reads the languages and the application name; a missing or unreadable "config.xml" gives
// an empty name, a missing language folder no language.
StartupConfig ReadStartupConfig(const std::string& applicationFolder);

// True when the command line holds the text "autorun" anywhere.
bool IsAutorunCommandLine(const std::vector<std::string>& arguments);

// The process start-up up to the creation of the main window.
struct StartupState {
    bool proceed = false;  // false: another instance was raised; exit with exitCode
    int exitCode = 0;
    bool minimized = false;  // started by the autostart entry with "start minimised" on
    StartupConfig config;
    std::unique_ptr<SingleInstance> instance;  // held for the life of the process

    StartupState();
    ~StartupState();
    StartupState(StartupState&&) noexcept;
    StartupState& operator=(StartupState&&) noexcept;
};

// Reads the configuration, makes this the single running instance (or asks the running one
// to come to the front), chooses the interface language, records the application folder
// and creates the data folder's "db" folder.
StartupState PrepareStartup(const std::vector<std::string>& arguments);

// The same preparation for the command line, which runs beside a desktop program and so
// takes no single-instance lock. Returns the configuration read.
StartupConfig PrepareHeadlessStartup();

}  // namespace zanvor
