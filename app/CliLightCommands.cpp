#include "app/CliLightCommands.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <nlohmann/json.hpp>

#include "app/CliOutput.h"
#include "app/DevicePages.h"
#include "keys/KeyFunctionText.h"
#include "lighting/LightParameters.h"
#include "lighting/LightRows.h"
#include "platform/Paths.h"
#include "store/DataStore.h"
#include "ui/LanguageFile.h"
#include "ui/LoadText.h"
#include "ui/MainView.h"

namespace zanvor {

using nlohmann::json;

namespace {

struct Zone {
    const char* name;
    int type;
};
constexpr Zone kZones[] = {{"main", kLightMain}, {"1", kLightZone1}, {"2", kLightZone2}};

int NoKeyboard() {
    return Fail(kCliNoKeyboard, "no keyboard online");
}

bool HasLighting(CliSession& session) {
    return session.Dlg().mainView.TabVisible(kPageLighting);
}

int NoLighting() {
    return Fail(kCliFailed, "this keyboard has no lighting");
}

// Whether the keyboard has a zone; with its information unknown (offline) every zone counts.
bool ZonePresent(const DeviceInfo& info, int type) {
    if (!info.valid || type == kLightMain) {
        return true;
    }
    return type == kLightZone1 ? info.zone1Present : info.zone2Present;
}

// The zone named main, 1 or 2 (empty: main). False with the reason in `error`.
bool ParseZone(const std::string& text, int& type, std::string& error) {
    const std::string name = text.empty() ? "main" : text;
    for (const Zone& zone : kZones) {
        if (name == zone.name) {
            type = zone.type;
            return true;
        }
    }
    error = "unknown zone " + text + " (main, 1 or 2)";
    return false;
}

const char* ZoneName(int type) {
    for (const Zone& zone : kZones) {
        if (zone.type == type) {
            return zone.name;
        }
    }
    return "";
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::string UsageText(int code) {
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", code);
    return text;
}

}  // namespace

bool ParseWholeNumber(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end && !text.empty();
}

int FindLightMode(DataStore& store, int profile, int type, const std::string& text) {
    std::vector<LightData> rows;
    store.ListLightRows(profile, type, rows);
    int number = -1;
    if (ParseWholeNumber(text, number)) {
        const bool known = std::any_of(rows.begin(), rows.end(), [number](const LightData& row) {
            return row.mode == number;
        });
        return known ? number : -1;
    }
    std::vector<LanguageFile> languages;
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(ApplicationFolder() + "language/", ec)) {
        LanguageFile file;
        if (entry.path().extension() == ".lan" && LanguageFile::Load(entry.path().string(), file)) {
            languages.push_back(std::move(file));
        }
    }
    const std::string wanted = Lower(text);
    for (const LightData& row : rows) {
        if (type == kLightMain && IsCustomMode(row.mode)) {
            continue;  // the custom sets are chosen by number
        }
        for (const LanguageFile& language : languages) {
            if (Lower(language.Value("KB.DIALOG", row.name)) == wanted) {
                return row.mode;
            }
        }
    }
    return -1;
}

bool ParseWebColour(const std::string& text, uint32_t& color) {
    std::string hex = text;
    if (!hex.empty() && hex.front() == '#') {
        hex.erase(0, 1);
    }
    if (hex.size() != 6 || !std::all_of(hex.begin(), hex.end(),
                                        [](unsigned char c) { return std::isxdigit(c) != 0; })) {
        return false;
    }
    const unsigned long rgb = std::stoul(hex, nullptr, 16);
    color =
        MakeColor(static_cast<int>(rgb >> 16), static_cast<int>(rgb >> 8), static_cast<int>(rgb));
    return true;
}

std::string WebColour(uint32_t color) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X%02X", RedOf(color), GreenOf(color), BlueOf(color));
    return text;
}

int CmdLightShow(CliSession& session) {
    if (!HasLighting(session)) {
        return NoLighting();
    }
    KeyboardDlg& dialog = session.Dlg();
    DataStore& store = dialog.Store();
    LightPage& page = dialog.Pages().lighting;
    const int profile = dialog.session.currentProfile.load();
    const DeviceInfo info = dialog.session.Info();
    EnsureDefaultLightRows(store, profile, dialog.session.currentDeviceType.load());
    std::string enabledText;
    store.GetConfigValue(profile, "enable_light", enabledText);
    const bool enabled = enabledText == "1";

    json zones = json::array();
    TextTable table({"ZONE", "ON", "MODE", "NAME", "BRIGHTNESS", "SPEED", "COLOUR", "MULTI"});
    for (const Zone& zone : kZones) {
        if (!ZonePresent(info, zone.type)) {
            continue;
        }
        const int mode = store.GetActiveLightMode(profile, zone.type);
        LightData row;
        store.GetLightRow(profile, zone.type, mode, row);
        const std::string name = IsCustomSet(mode) ? LoadText("KB.DIALOG", CustomSetNameId(mode))
                                                   : page.ModeName(zone.type, mode);
        const std::string colour = WebColour(static_cast<uint32_t>(row.color_value));
        json entry{{"zone", zone.name},
                   {"enabled", enabled},
                   {"mode", mode},
                   {"name", name},
                   {"brightness", row.brightness},
                   {"speed", row.speed},
                   {"colour", colour},
                   {"colourful", row.colorful == 1}};
        if (IsCustomSet(mode)) {
            entry["custom_set"] = mode - kCustomModeFirst;
        }
        zones.push_back(entry);
        table.AddRow({zone.name, enabled ? "on" : "off", std::to_string(mode), name,
                      std::to_string(row.brightness), std::to_string(row.speed), colour,
                      row.colorful == 1 ? "yes" : "no"});
    }
    session.Options().json ? PrintJson(json{{"zones", zones}}) : table.Print(std::cout);
    return kCliOk;
}

int CmdLightMode(CliSession& session, const LightModeArguments& arguments) {
    int type = 0;
    std::string error;
    if (!ParseZone(arguments.zone, type, error)) {
        return Fail(kCliUsage, error);
    }
    LightModeSettings settings;
    int number = 0;
    uint32_t color = 0;
    if (!arguments.brightness.empty()) {
        if (!ParseWholeNumber(arguments.brightness, number)) {
            return Fail(kCliUsage, "brightness " + arguments.brightness + " is not a number");
        }
        settings.brightness = number;
    }
    if (!arguments.speed.empty()) {
        if (!ParseWholeNumber(arguments.speed, number)) {
            return Fail(kCliUsage, "speed " + arguments.speed + " is not a number");
        }
        settings.speed = number;
    }
    if (!arguments.colour.empty()) {
        if (!ParseWebColour(arguments.colour, color)) {
            return Fail(kCliUsage, "colour " + arguments.colour + " is not RRGGBB");
        }
        settings.color = color;
    }
    if (!arguments.colourful.empty()) {
        settings.colorful = arguments.colourful == "on";
    }
    if (!session.KeyboardOnline()) {
        return NoKeyboard();
    }
    if (!HasLighting(session)) {
        return NoLighting();
    }
    KeyboardDlg& dialog = session.Dlg();
    const DeviceInfo info = dialog.session.Info();
    if (!ZonePresent(info, type)) {
        return Fail(kCliFailed, std::string("this keyboard has no zone ") + ZoneName(type));
    }
    DataStore& store = dialog.Store();
    const int profile = dialog.session.currentProfile.load();
    EnsureDefaultLightRows(store, profile, dialog.session.currentDeviceType.load());
    const int mode = FindLightMode(store, profile, type, arguments.mode);
    if (mode < 0 || IsCustomMode(mode)) {
        return Fail(kCliUsage, IsCustomMode(mode) ? "custom sets are chosen with `light custom SET`"
                                                  : "zone " + std::string(ZoneName(type)) +
                                                        " has no mode " + arguments.mode);
    }
    LightData row;
    store.GetLightRow(profile, type, mode, row);
    const int flags = row.config_func;
    // The zone's ranges as the page's sliders have them.
    const int maxBrightness = MaxBrightnessOf(info, type) > 0 ? MaxBrightnessOf(info, type) : 100;
    const int maxSpeed = MaxBrightnessOf(info, type) > 0 ? MaxSpeedOf(info, type) : 6;
    const std::string modeName = dialog.Pages().lighting.ModeName(type, mode);
    if (settings.brightness) {
        if ((flags & kLightHasBrightness) == 0) {
            return Fail(kCliUsage, modeName + " has no brightness");
        }
        if (*settings.brightness < 0 || *settings.brightness > maxBrightness) {
            return Fail(kCliUsage, "brightness runs from 0 to " + std::to_string(maxBrightness));
        }
    }
    if (settings.speed) {
        if ((flags & kLightHasSpeed) == 0) {
            return Fail(kCliUsage, modeName + " has no speed");
        }
        if (*settings.speed < 1 || *settings.speed > maxSpeed) {
            return Fail(kCliUsage, "speed runs from 1 to " + std::to_string(maxSpeed));
        }
    }
    if (settings.color && (flags & (kLightHasPalette | kLightHasColorButton)) == 0) {
        return Fail(kCliUsage, modeName + " has no colour");
    }
    if (settings.colorful && (flags & kLightHasColorButton) == 0) {
        return Fail(kCliUsage, modeName + " has no multi-colour choice");
    }
    session.BeginChange();
    if (!dialog.Pages().lighting.ApplyLightMode(type, mode, settings)) {
        return Fail(kCliFailed, "the profile's light settings could not be changed");
    }
    return session.FinishChange();
}

int CmdLightSwitch(CliSession& session, bool on, const std::string& zone) {
    int type = 0;
    std::string error;
    if (!ParseZone(zone, type, error)) {
        return Fail(kCliUsage, error);
    }
    if (!session.KeyboardOnline()) {
        return NoKeyboard();
    }
    if (!HasLighting(session)) {
        return NoLighting();
    }
    KeyboardDlg& dialog = session.Dlg();
    if (!ZonePresent(dialog.session.Info(), type)) {
        return Fail(kCliFailed, std::string("this keyboard has no zone ") + ZoneName(type));
    }
    session.BeginChange();
    dialog.Pages().lighting.SwitchLighting(type, on);
    return session.FinishChange();
}

int CmdLightCustom(CliSession& session, int set, const std::string& all,
                   const std::vector<std::string>& keys) {
    if (set < 0 || set >= kCustomSetCount) {
        return Fail(kCliUsage, "custom sets are 0 to 4");
    }
    KeyboardDlg& dialog = session.Dlg();
    LightPage& page = dialog.Pages().lighting;
    uint32_t allColour = 0;
    if (!all.empty() && !ParseWebColour(all, allColour)) {
        return Fail(kCliUsage, "colour " + all + " is not RRGGBB");
    }
    const std::vector<KeyItem> items = dialog.keyboardCtrl.GetKeyItems();
    std::vector<std::pair<int, uint32_t>> painted;
    for (const std::string& assignment : keys) {
        const size_t equals = assignment.rfind('=');
        uint32_t colour = 0;
        if (equals == std::string::npos || equals == 0 ||
            !ParseWebColour(assignment.substr(equals + 1), colour)) {
            return Fail(kCliUsage, assignment + " is not KEY=RRGGBB");
        }
        int usage = 0;
        std::string error;
        if (!ResolveLayoutKey(assignment.substr(0, equals), items, usage, error)) {
            return Fail(kCliUsage, error);
        }
        painted.emplace_back(usage, colour);
    }
    if (!session.KeyboardOnline()) {
        return NoKeyboard();
    }
    if (!HasLighting(session)) {
        return NoLighting();
    }
    const LightPositionMap map = dialog.session.LightMap();
    if (!painted.empty() && !map.read) {
        // Until the keyboard has told where its LEDs sit, no key can be said to have none.
        return Fail(kCliFailed,
                    "the keyboard has not reported its lighting layout; no colours were written "
                    "to it");
    }
    for (const auto& [usage, colour] : painted) {
        if (map.LedOf(usage) < 0) {
            return Fail(kCliFailed, "key " + UsageText(usage) + " has no LED on this keyboard");
        }
    }

    // The set as it is: the keyboard's copy, with the profile's stored colours over it.
    const int mode = kCustomModeFirst + set;
    session.BeginChange();
    page.OpenCustomSet(mode);
    if (const int status = session.FinishChange(); status != kCliOk) {
        return status;
    }
    page.ShowStoredCustomSet();
    if (!all.empty()) {
        std::vector<std::pair<int, uint32_t>> every;
        for (const KeyItem& item : page.picture.GetKeyItems()) {
            every.emplace_back(item.code, allColour);
        }
        page.PaintKeys(every);
    }
    page.PaintKeys(painted);
    if (!page.StoreCustomSet()) {
        return Fail(kCliFailed, "the colours could not be stored in the profile");
    }
    session.BeginChange();
    dialog.PostTask(kTaskWriteLightLayer);
    return session.FinishChange();
}

int CmdLightCustomShow(CliSession& session, int set) {
    if (set < 0 || set >= kCustomSetCount) {
        return Fail(kCliUsage, "custom sets are 0 to 4");
    }
    if (!HasLighting(session)) {
        return NoLighting();
    }
    KeyboardDlg& dialog = session.Dlg();
    LightPage& page = dialog.Pages().lighting;
    const int mode = kCustomModeFirst + set;
    const int profile = dialog.session.currentProfile.load();
    std::vector<UserLightRgbData> rows;
    dialog.Store().ListUserLightColors(profile, mode, rows);
    std::vector<std::pair<int, uint32_t>> colours;
    std::string source = "stored";
    if (!rows.empty()) {
        for (const UserLightRgbData& row : rows) {
            colours.emplace_back(row.key_code, static_cast<uint32_t>(row.key_rgb) & 0xFFFFFF);
        }
    } else {
        // Never painted here: what the keyboard holds is the set.
        if (!session.KeyboardOnline()) {
            return NoKeyboard();
        }
        session.BeginChange();
        const LightPage::Peek previous = page.PeekCustomSet(mode);
        const int status = session.FinishChange();
        const LightPositionMap map = dialog.session.LightMap();
        for (const KeyItem& item : page.picture.GetKeyItems()) {
            if (map.LedOf(item.code) >= 0) {
                colours.emplace_back(item.code, item.color);
            }
        }
        // The page goes back to what it showed (the desktop program may be showing it).
        page.EndPeek(previous);
        session.WaitIdle();
        if (status != kCliOk) {
            return status;
        }
        source = "keyboard";
    }
    json keysJson = json::array();
    TextTable table({"USAGE", "KEY", "COLOUR"});
    for (const auto& [code, colour] : colours) {
        KeyItem item;
        dialog.keyboardCtrl.GetKeyItem(code, item);
        keysJson.push_back(
            {{"usage", UsageText(code)}, {"key", item.caption}, {"colour", WebColour(colour)}});
        table.AddRow({UsageText(code), item.caption, WebColour(colour)});
    }
    if (session.Options().json) {
        PrintJson(json{{"set", set}, {"source", source}, {"keys", keysJson}});
    } else {
        std::cout << "custom set " << set << " (" << source << ")\n";
        table.Print(std::cout);
    }
    return kCliOk;
}

void AddLightCommands(CLI::App& cli,
                      const std::function<int(std::function<int(CliSession&)>)>& withSession,
                      int& status) {
    // The options' values live as long as the commands that fill them.
    struct Arguments {
        LightModeArguments mode;
        std::string zone;
        int set = 0;
        std::string all;
        std::vector<std::string> keys;
    };
    const auto arguments = std::make_shared<Arguments>();
    const auto run = [&status, withSession](std::function<int(CliSession&)> command) {
        status = withSession(std::move(command));
    };

    CLI::App* light =
        cli.add_subcommand("light", "Light modes of the zones and the custom colour sets");
    light->require_subcommand(1);
    light->add_subcommand("show", "Every zone: on, mode, brightness, speed, colour")
        ->callback([run] { run(CmdLightShow); });

    CLI::App* mode = light->add_subcommand("mode", "Choose a zone's light mode and its settings");
    mode->add_option("ZONE", arguments->mode.zone, "main, 1 or 2")->required();
    mode->add_option("MODE", arguments->mode.mode, "number or name")->required();
    mode->add_option("--brightness", arguments->mode.brightness, "0 to the zone's maximum");
    mode->add_option("--speed", arguments->mode.speed, "1 to the zone's maximum");
    mode->add_option("--colour", arguments->mode.colour, "RRGGBB");
    mode->add_option("--colourful", arguments->mode.colourful, "on or off")
        ->check(CLI::IsMember({"on", "off"}));
    mode->callback([run, arguments] {
        run([arguments](CliSession& s) { return CmdLightMode(s, arguments->mode); });
    });

    for (const bool on : {true, false}) {
        CLI::App* lightSwitch = light->add_subcommand(
            on ? "on" : "off", on ? "Switch a zone's lighting on" : "Switch a zone's lighting off");
        lightSwitch->add_option("ZONE", arguments->zone, "main (default), 1 or 2");
        lightSwitch->callback([run, arguments, on] {
            run([arguments, on](CliSession& s) { return CmdLightSwitch(s, on, arguments->zone); });
        });
    }

    CLI::App* custom = light->add_subcommand(
        "custom", "Paint keys of a custom set, store it and show it on the keyboard");
    custom->add_option("SET", arguments->set, "0 to 4")->required();
    custom->add_option("--all", arguments->all, "RRGGBB for every key first");
    custom->add_option("KEYS", arguments->keys, "KEY=RRGGBB; KEY as for `key set`");
    custom->callback([run, arguments] {
        run([arguments](CliSession& s) {
            return CmdLightCustom(s, arguments->set, arguments->all, arguments->keys);
        });
    });

    CLI::App* customShow = light->add_subcommand("custom-show", "The colours of a custom set");
    customShow->add_option("SET", arguments->set, "0 to 4")->required();
    customShow->callback([run, arguments] {
        run([arguments](CliSession& s) { return CmdLightCustomShow(s, arguments->set); });
    });
}

}  // namespace zanvor
