#include "app/CliCommands.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/CliOutput.h"
#include "app/Startup.h"
#include "device/DeviceManager.h"
#include "platform/Autostart.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "platform/SettingsStore.h"
#include "ui/InstalledLanguages.h"
#include "ui/LoadText.h"

namespace zanvor {

using nlohmann::json;

namespace {

const char* ConnectionName(int mode) {
    switch (mode) {
        case kModeCable:
            return "cable";
        case kModeReceiver:
            return "receiver";
        default:
            return "direct";
    }
}

// Why the autostart entry could not be written or removed, as far as can be seen from outside.
std::string EntryProblem(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISLNK(info.st_mode)) {
        return S_ISDIR(info.st_mode) ? ": a folder of that name is in the way"
                                     : ": something that is not a file is in the way";
    }
    return "";
}

int NotStored() {
    return Fail(kCliFailed, "the setting could not be stored in " + SettingsFilePath());
}

}  // namespace

int CmdDevices(CliSession& session) {
    KeyboardDlg& dialog = session.Dlg();
    const std::vector<DeviceRecordInfo> records = dialog.Devices().AllRecords();
    const DeviceCatalogue catalogue = dialog.CatalogueCopy();
    const int selected = dialog.deviceList.GetSelectDevice();

    json rows = json::array();
    json unreachableRows = json::array();
    TextTable table({"TYPE", "NAME", "CONNECTION", "ONLINE", "BATTERY", "SELECTED"});
    for (const DeviceRecordInfo& record : records) {
        const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, record.device_type);
        const std::string name = keyboard != nullptr ? keyboard->name : std::string();
        const bool isSelected = record.device_type == selected;
        rows.push_back({{"type", record.device_type},
                        {"name", name},
                        {"connection", ConnectionName(record.mode)},
                        {"online", record.online == 1},
                        {"battery", record.battery},
                        {"charging", record.charging == 1},
                        {"selected", isSelected}});
        table.AddRow({std::to_string(record.device_type), name, ConnectionName(record.mode),
                      record.online == 1 ? "yes" : "no",
                      std::to_string(record.battery) + "%" + (record.charging ? " charging" : ""),
                      isSelected ? "*" : ""});
    }
    // Keyboards plugged in that this user may not open are named with the fix, instead of
    // being left out as if there were none.
    for (const UnreachableInterface& interface : dialog.Devices().UnreachableInterfaces()) {
        const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, interface.device_type);
        unreachableRows.push_back({{"type", interface.device_type},
                                   {"name", keyboard != nullptr ? keyboard->name : std::string()},
                                   {"connection", ConnectionName(interface.mode)},
                                   {"path", interface.path}});
    }
    const std::string unreachable = UnreachableKeyboardsText();
    if (session.Options().json) {
        PrintJson(json{{"devices", rows}, {"unreachable", unreachableRows}});
    } else if (records.empty() && unreachable.empty()) {
        std::cout << "No supported keyboard found.\n";
    } else if (!records.empty()) {
        table.Print(std::cout);
    }
    if (!unreachable.empty()) {
        std::cerr << "zanvorctl: " << unreachable << "\n";
    }
    return records.empty() ? kCliNoKeyboard : kCliOk;
}

int CmdAppLanguage(const CliOptions& options, int lcid) {
    const StartupConfig config = PrepareHeadlessStartup();
    if (lcid != 0) {
        if (std::find(config.languages.begin(), config.languages.end(), lcid) ==
            config.languages.end()) {
            return Fail(kCliUsage,
                        "language " + std::to_string(lcid) + " is not installed (available: " +
                            DescribeLanguages(FindInstalledLanguages(ApplicationFolder())) + ")");
        }
        if (!SetActiveLanguage(lcid)) {
            return NotStored();
        }
    }
    const int active = ActiveLanguage();
    if (options.json) {
        PrintJson(json{{"language", active}, {"available", config.languages}});
    } else {
        std::cout << "language " << active << "\n";
    }
    return kCliOk;
}

int CmdAppAutostart(const CliOptions& options, const std::string& state,
                    const std::string& minimised) {
    PrepareHeadlessStartup();
    // Everything is checked before anything changes: a command that fails changes nothing.
    const bool onAfter = state.empty() ? IsAutostartOn() : state == "on";
    if (minimised == "on" && !onAfter) {
        return Fail(state.empty() ? kCliFailed : kCliUsage, "start minimised needs autostart on");
    }
    if (!state.empty() && SetAutostart(onAfter).on != onAfter) {
        const std::string path = AutostartEntryPath();
        return Fail(kCliFailed, "the autostart entry " + path + " could not be " +
                                    (onAfter ? "written" : "removed") + EntryProblem(path));
    }
    if (!minimised.empty() && !SetAutostartMinimised(minimised == "on")) {
        return NotStored();
    }
    if (state == "off" && ReadRegistryInt(kAutorunMinimizeValue) != 0) {
        return NotStored();  // switching off also clears start minimised
    }
    const bool on = IsAutostartOn();
    const bool minimisedOn = on && ReadRegistryInt(kAutorunMinimizeValue) == 1;
    if (options.json) {
        PrintJson(json{{"autostart", on}, {"minimised", minimisedOn}});
    } else {
        std::cout << "autostart " << (on ? "on" : "off") << ", minimised "
                  << (minimisedOn ? "on" : "off") << "\n";
    }
    return kCliOk;
}

int CmdAppExitMode(const CliOptions& options, const std::string& mode) {
    PrepareHeadlessStartup();
    if (!mode.empty() && !SetExitMode(mode == "tray")) {
        return NotStored();
    }
    const bool tray = ReadRegistryInt(kExitModeValue) == 1;
    if (options.json) {
        PrintJson(json{{"exit_mode", tray ? "tray" : "exit"}});
    } else {
        std::cout << "exit-mode " << (tray ? "tray" : "exit") << "\n";
    }
    return kCliOk;
}

}  // namespace zanvor
