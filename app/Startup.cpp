#include "app/Startup.h"

#include <pugixml.hpp>

#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/SingleInstance.h"
#include "ui/LoadText.h"
#include "ui/Manager.h"

namespace zanvor {

StartupState::StartupState() = default;
StartupState::~StartupState() = default;
StartupState::StartupState(StartupState&&) noexcept = default;
StartupState& StartupState::operator=(StartupState&&) noexcept = default;

StartupConfig ReadStartupConfig(const std::string& applicationFolder) {
    StartupConfig config;
    pugi::xml_document document;
    if (!document.load_file((applicationFolder + "config.xml").c_str())) {
        return config;
    }
    const pugi::xml_node root = document.child("config");
    for (const pugi::xml_node lan : root.child("language.info").children("lan")) {
        const int lcid = lan.attribute("value").as_int();
        if (lcid > 0) {
            config.languages.push_back(lcid);
        }
    }
    config.applicationName = root.child("software").attribute("name").as_string();
    return config;
}

bool IsAutorunCommandLine(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (argument.find("autorun") != std::string::npos) {
            return true;
        }
    }
    return false;
}

StartupState PrepareStartup(const std::vector<std::string>& arguments) {
    StartupState state;
    const std::string applicationFolder = ApplicationFolder();
    state.config = ReadStartupConfig(applicationFolder);
    Manager::SetDeviceName(state.config.applicationName);

    state.instance = std::make_unique<SingleInstance>(state.config.applicationName);
    if (!state.instance->TryAcquire()) {
        state.instance->AskFirstToRaise();
        state.instance.reset();
        state.exitCode = 0;
        return state;
    }

    SetActiveLanguageId(ChooseLanguage(state.config.languages, UserDefaultUiLanguage()));
    Manager::SetInstance(applicationFolder);
    CreateFolders(DataFolder() + "db");
    state.minimized = IsAutorunCommandLine(arguments);
    state.proceed = true;
    return state;
}

}  // namespace zanvor
