#include "app/Startup.h"

#include <chrono>
#include <cstdio>
#include <thread>

#include "device/DeviceCatalogue.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SingleInstance.h"
#include "ui/InstalledLanguages.h"
#include "ui/LoadText.h"
#include "ui/Manager.h"

namespace zanvor {

StartupState::StartupState() = default;
StartupState::~StartupState() = default;
StartupState::StartupState(StartupState&&) noexcept = default;
StartupState& StartupState::operator=(StartupState&&) noexcept = default;

StartupConfig ReadStartupConfig(const std::string& applicationFolder) {
    DeviceCatalogue catalogue;
    ReadCatalogueFile(applicationFolder, catalogue);
    // The installed language files are the languages on offer: a file added to the folder
    // brings its language without editing the configuration.
    return StartupConfig{LanguageIds(FindInstalledLanguages(applicationFolder)),
                         std::move(catalogue.software.name)};
}

bool IsAutorunCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument.find("autorun") != std::string::npos) {
            return true;
        }
    }
    return false;
}

StartupConfig PrepareHeadlessStartup() {
    const std::string applicationFolder = ApplicationFolder();
    StartupConfig config = ReadStartupConfig(applicationFolder);
    Manager::SetDeviceName(config.applicationName);
    SetActiveLanguageId(ChooseLanguage(config.languages, UserDefaultUiLanguage()));
    Manager::SetInstance(applicationFolder);
    CreateFolders(DataFolder() + "db");
    return config;
}

namespace {

// zanvorctl serve owned the keyboard and gives it up for the window: its lock comes free once
// it has stopped its worker. False (with the reason on stderr) when it does not in time.
bool TakeOverFromServe(SingleInstance& instance) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (std::chrono::steady_clock::now() < deadline) {
        if (instance.TryAcquire()) {
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    std::fprintf(stderr, "zanvor-hub: zanvorctl serve did not give the keyboard up within 15 s\n");
    return false;
}

}  // namespace

StartupState PrepareStartup(const std::vector<std::string>& arguments) {
    StartupState state;
    const std::string applicationFolder = ApplicationFolder();
    state.config = ReadStartupConfig(applicationFolder);
    Manager::SetDeviceName(state.config.applicationName);

    state.instance = std::make_unique<SingleInstance>(state.config.applicationName);
    const bool first = state.instance->TryAcquire();
    if (!state.instance->Problem().empty()) {
        std::fprintf(stderr, "zanvor-hub: %s\n", state.instance->Problem().c_str());
    }
    if (!first) {
        bool yielded = false;
        state.instance->AskFirstToRaise(2000, &yielded);
        if (!yielded || !TakeOverFromServe(*state.instance)) {
            state.instance.reset();
            state.exitCode = yielded ? 1 : 0;
            return state;
        }
    }

    SetActiveLanguageId(ChooseLanguage(state.config.languages, UserDefaultUiLanguage()));
    Manager::SetInstance(applicationFolder);
    CreateFolders(DataFolder() + "db");
    // The autostart entry starts the program minimised only when the user asked for it.
    state.minimized =
        IsAutorunCommandLine(arguments) && ReadRegistryInt(kAutorunMinimizeValue) == 1;
    state.proceed = true;
    return state;
}

}  // namespace zanvor
