#include "app/CliKeyboardCommands.h"

#include <iostream>
#include <nlohmann/json.hpp>
#include <set>

#include "app/CliOutput.h"
#include "app/DevicePages.h"
#include "app/ProgramBindings.h"
#include "device/DeviceManager.h"
#include "device/DeviceSettings.h"
#include "keys/ExchangeFile.h"
#include "keys/KeyCodes.h"
#include "keys/KeyFunctionCaption.h"
#include "keys/KeyFunctionText.h"
#include "platform/FileRead.h"
#include "store/DataStore.h"
#include "ui/LoadText.h"

namespace zanvor {

using nlohmann::json;

namespace {

// "No keyboard online" only when none is: when the selected model is offline but others are
// online, says which and how to pick one.
int NoKeyboard(CliSession& session) {
    KeyboardDlg& dialog = session.Dlg();
    const int selected = dialog.session.currentDeviceType.load();
    std::set<int> online;
    for (const DeviceRecordInfo& record : dialog.Devices().AllRecords()) {
        if (record.online == 1 && record.device_type != selected) {
            online.insert(record.device_type);
        }
    }
    if (online.empty()) {
        return Fail(kCliNoKeyboard, "no keyboard online");
    }
    const DeviceCatalogue catalogue = dialog.CatalogueCopy();
    const auto Named = [&catalogue](int type) {
        const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, type);
        return std::to_string(type) + (keyboard != nullptr ? " (" + keyboard->name + ")" : "");
    };
    std::string list;
    for (const int type : online) {
        list += (list.empty() ? "" : ", ") + Named(type);
    }
    return Fail(kCliFailed, "the selected keyboard " + Named(selected) +
                                " is not online; online: " + list + "; pick one with --device " +
                                std::to_string(*online.begin()));
}

// Layers are numbered 1-4 on the command line, as the window shows them; 0-3 inside.
bool ValidLayer(int layer) {
    return layer >= 1 && layer <= 4;
}

int BadLayer(int layer) {
    return Fail(kCliUsage,
                "layer " + std::to_string(layer) + " does not exist (1-4, 1 = the base layer)");
}

// `id`: the profile the command named (0 for none).
int ProfileStatus(CliSession& session, ProfileResult result, int id = 0) {
    switch (result) {
        case ProfileResult::kOk:
            return kCliOk;
        case ProfileResult::kNotFound:
            return Fail(kCliUsage, "no profile " + std::to_string(id) +
                                       " (see 'zanvorctl profile list' for the ids)");
        case ProfileResult::kEmptyName:
            return Fail(kCliUsage, ProfileResultText(result));
        case ProfileResult::kStoreFailed:
            // The cause (locked, read-only, disk full, damaged) and the file.
            return Fail(kCliFailed, session.Dlg().Store().LastFailureText());
        default:
            return Fail(kCliFailed, ProfileResultText(result));
    }
}

std::vector<MacroData> Macros(CliSession& session) {
    std::vector<MacroData> macros;
    session.Dlg().Store().ListMacros(macros);
    return macros;
}

}  // namespace

int CmdInfo(CliSession& session) {
    if (!session.KeyboardOnline()) {
        return NoKeyboard(session);
    }
    const DeviceInfo info = session.Dlg().session.Info();
    if (!info.valid) {
        return Fail(kCliFailed, "the keyboard did not answer the information request");
    }
    // "v1.14" for the firmware text "114", as the settings page shows it.
    const std::string firmware = VersionLabel("", info.firmwareText).substr(2);
    json document{{"device_type", session.Dlg().session.currentDeviceType.load()},
                  {"firmware", firmware},
                  {"lighting_protocol", info.lightingProtocolVersion},
                  {"zone1", info.zone1Present},
                  {"zone2", info.zone2Present},
                  {"knob", info.knobPresent},
                  {"matrix_screen", info.matrixPresent},
                  {"macro_capacity", info.macroCapacity},
                  {"battery", info.battery},
                  {"charging", info.charging == 1}};
    if (session.Options().json) {
        PrintJson(document);
        return kCliOk;
    }
    TextTable table({"PROPERTY", "VALUE"});
    table.AddRow({"firmware", firmware});
    table.AddRow({"lighting protocol", std::to_string(info.lightingProtocolVersion)});
    table.AddRow({"zone 1", info.zone1Present ? "yes" : "no"});
    table.AddRow({"zone 2", info.zone2Present ? "yes" : "no"});
    table.AddRow({"knob", info.knobPresent ? "yes" : "no"});
    table.AddRow({"matrix screen", info.matrixPresent ? "yes" : "no"});
    table.AddRow({"macro capacity", std::to_string(info.macroCapacity) + " bytes"});
    table.AddRow({"battery", info.battery > 0 ? std::to_string(info.battery) + "%" +
                                                    (info.charging ? " charging" : "")
                                              : "-"});
    table.Print(std::cout);
    return kCliOk;
}

int CmdProfileList(CliSession& session) {
    DevicePages& pages = session.Dlg().Pages();
    const int current = pages.profile.CurrentProfile();
    ProgramBindings bindings(session.Dlg().Store());
    json rows = json::array();
    TextTable table({"ID", "NAME", "ACTIVE"});
    for (const ProfileListItem& item : pages.profile.List().GetItems()) {
        rows.push_back({{"id", item.data},
                        {"name", item.text},
                        {"active", item.data == current},
                        {"programs", bindings.ProgramsOf(item.data)}});
        table.AddRow({std::to_string(item.data), item.text, item.data == current ? "*" : ""});
    }
    if (session.Options().json) {
        PrintJson(json{{"profiles", rows}});
    } else {
        table.Print(std::cout);
    }
    return kCliOk;
}

int CmdProfileAdd(CliSession& session, const std::string& name) {
    int id = 0;
    session.BeginChange();
    int status = ProfileStatus(session, session.Dlg().Pages().profile.AddProfileNamed(name, id));
    if (status == kCliOk && session.KeyboardOnline()) {
        status = session.FinishChange();
    } else {
        session.WaitIdle();
    }
    if (id != 0) {
        // The profile exists in the database even when the keyboard did not take it.
        session.Options().json ? PrintJson(json{{"id", id}}) : void(std::cout << id << "\n");
    }
    return status;
}

int CmdProfileRename(CliSession& session, int id, const std::string& name) {
    return ProfileStatus(session, session.Dlg().Pages().profile.RenameProfileById(id, name), id);
}

int CmdProfileDelete(CliSession& session, int id) {
    session.BeginChange();
    const int status =
        ProfileStatus(session, session.Dlg().Pages().profile.DeleteProfileById(id), id);
    if (status == kCliOk && session.KeyboardOnline()) {
        return session.FinishChange();
    }
    session.WaitIdle();
    return status;
}

int CmdProfileActivate(CliSession& session, int id) {
    if (!session.KeyboardOnline()) {
        return NoKeyboard(session);
    }
    session.BeginChange();
    const int status =
        ProfileStatus(session, session.Dlg().Pages().profile.ActivateProfile(id), id);
    return status == kCliOk ? session.FinishChange() : status;
}

int CmdSettingsGet(CliSession& session, const std::string& key) {
    const auto settings = session.Dlg().Pages().settings.ReadSettings();
    json document = json::object();
    TextTable table({"KEY", "VALUE"});
    bool found = key.empty();
    for (const auto& [name, value] : settings) {
        if (!key.empty() && name != key) {
            continue;
        }
        found = true;
        document[name] = value;
        table.AddRow({name, value});
    }
    if (!found) {
        return Fail(kCliUsage, "unknown setting " + key +
                                   " (mac_mode game_mode lock_win wasd_mode sleep_time "
                                   "key_keyresponse encoder_mode)");
    }
    session.Options().json ? PrintJson(document) : table.Print(std::cout);
    return kCliOk;
}

int CmdSettingsSet(CliSession& session, const std::string& key, const std::string& value) {
    std::string stored;
    std::string error;
    if (!ValidateSettingValue(key, value, stored, error)) {
        return Fail(kCliUsage, error);
    }
    if (!session.KeyboardOnline()) {
        return NoKeyboard(session);
    }
    session.BeginChange();
    if (!session.Dlg().Pages().settings.ApplySetting(key, value, error)) {
        return Fail(kCliFailed, error);
    }
    if (key == "encoder_mode") {
        session.Dlg().Pages().knob.SetEncoderMode(stored == "1");
    }
    return session.FinishChange();
}

int CmdReset(CliSession& session) {
    if (!session.KeyboardOnline()) {
        return NoKeyboard(session);
    }
    if (!session.Options().yes) {
        return Fail(kCliFailed, "a factory reset deletes every profile: run again with --yes");
    }
    session.BeginChange();
    std::string failure;
    if (!session.Dlg().ResetToDefaults(&failure)) {
        return Fail(kCliFailed, failure.empty() ? "the reset did not start" : failure);
    }
    const int status = session.FinishChange();
    return status == kCliOk && !failure.empty() ? Fail(kCliFailed, failure) : status;
}

int CmdKeyList(CliSession& session, int shownLayer) {
    if (!ValidLayer(shownLayer)) {
        return BadLayer(shownLayer);
    }
    const int layer = shownLayer - 1;
    KeyboardDlg& dialog = session.Dlg();
    const int profile = dialog.session.currentProfile.load();
    json rows = json::array();
    TextTable table({"USAGE", "KEY", "FUNCTION", "CAPTION"});
    std::vector<MacroData> macros;
    dialog.Store().ListMacros(macros);
    for (const KeyItem& item : dialog.keyboardCtrl.GetKeyItems()) {
        if (item.code <= 0 || item.code > 0xFF || item.code == 0xFF) {
            continue;
        }
        KeyMacroData row;
        const bool hasRow = dialog.Store().GetKey(profile, layer, item.code, row);
        // A key without an assignment of its own sends what the keyboard's factory table has.
        const bool factory = !hasRow || row.macro_type == 0;
        const std::string function = factory ? "factory" : FormatKeyFunction(row);
        const std::string caption = hasRow ? KeyFunctionCaption(row, macros) : std::string();
        char usage[8];
        std::snprintf(usage, sizeof usage, "0x%02X", item.code);
        rows.push_back({{"usage", usage},
                        {"key", item.caption},
                        {"function", function},
                        {"type", hasRow ? row.macro_type : 0},
                        {"code", hasRow ? row.macro_value : 0},
                        {"caption", caption}});
        table.AddRow({usage, item.caption, function, caption});
    }
    session.Options().json ? PrintJson(json{{"layer", shownLayer}, {"keys", rows}})
                           : table.Print(std::cout);
    return kCliOk;
}

int CmdKeySet(CliSession& session, int shownLayer, const std::string& key,
              const std::string& function) {
    if (!ValidLayer(shownLayer)) {
        return BadLayer(shownLayer);
    }
    const int layer = shownLayer - 1;
    KeyboardDlg& dialog = session.Dlg();
    int usage = 0;
    std::string error;
    if (!ResolveLayoutKey(key, dialog.keyboardCtrl.GetKeyItems(), usage, error)) {
        return Fail(kCliUsage, error);
    }
    KeyMacroData parsed;
    if (!ParseKeyFunction(function, Macros(session), parsed, error) ||
        !IsOfferedKeyFunction(parsed, error)) {
        return Fail(kCliUsage, error);
    }
    if (parsed.macro_type == kFunctionMacro &&
        dialog.Store().CountMacroSteps(parsed.macro_value) < 1) {
        return Fail(kCliUsage, "macro " + std::to_string(parsed.macro_value) +
                                   " has no steps yet: record it before assigning it to a key");
    }
    if (!session.KeyboardOnline()) {
        return NoKeyboard(session);
    }
    session.BeginChange();
    if (!dialog.Pages().keys.SetKeyFunction(layer, usage, parsed, &error)) {
        return Fail(kCliFailed, !error.empty() ? error
                                               : "the key cannot take a function on layer " +
                                                     std::to_string(shownLayer));
    }
    return session.FinishChange();
}

int CmdKeyReset(CliSession& session, int shownLayer, const std::string& key) {
    if (!ValidLayer(shownLayer)) {
        return BadLayer(shownLayer);
    }
    const int layer = shownLayer - 1;
    KeyboardDlg& dialog = session.Dlg();
    int usage = 0;
    std::string error;
    if (!key.empty() && !ResolveLayoutKey(key, dialog.keyboardCtrl.GetKeyItems(), usage, error)) {
        return Fail(kCliUsage, error);
    }
    if (!session.KeyboardOnline()) {
        return NoKeyboard(session);
    }
    session.BeginChange();
    if (!dialog.Pages().keys.RestoreKeyDefaults(layer, usage, &error)) {
        return Fail(kCliFailed,
                    !error.empty() ? error : "the keyboard's factory table does not have that key");
    }
    return session.FinishChange();
}

int CmdKnobList(CliSession& session) {
    KnobPage& knob = session.Dlg().Pages().knob;
    json rows = json::array();
    TextTable table({"LAYER", "ACTION", "FUNCTION", "CAPTION"});
    for (int layer = 0; layer < 4; ++layer) {
        for (int action = 0; action < kKnobActionCount; ++action) {
            const KeyMacroData row = knob.KnobFunction(layer, action);
            const std::string function = FormatKeyFunction(row);
            rows.push_back({{"layer", layer + 1},
                            {"action", action},
                            {"name", KnobConfigDlg::ActionCaption(action)},
                            {"function", function},
                            {"caption", row.macro_desc}});
            table.AddRow({std::to_string(layer + 1),
                          std::to_string(action) + " " + KnobConfigDlg::ActionCaption(action),
                          function, row.macro_desc});
        }
    }
    session.Options().json ? PrintJson(json{{"knob", rows}}) : table.Print(std::cout);
    return kCliOk;
}

int CmdKnobSet(CliSession& session, int shownLayer, int action, const std::string& function) {
    if (!ValidLayer(shownLayer)) {
        return BadLayer(shownLayer);
    }
    const int layer = shownLayer - 1;
    if (action < 0 || action >= kKnobActionCount) {
        return Fail(kCliUsage, "knob actions are 0 (" + KnobConfigDlg::ActionCaption(0) + "), 1 (" +
                                   KnobConfigDlg::ActionCaption(1) + ") and 2 (" +
                                   KnobConfigDlg::ActionCaption(2) + ")");
    }
    KeyMacroData parsed;
    std::string error;
    if (!ParseKeyFunction(function, Macros(session), parsed, error)) {
        return Fail(kCliUsage, error);
    }
    if (!KnobPage::IsKnobFunction(parsed)) {
        return Fail(kCliUsage, "the knob does not offer " + function);
    }
    if (!session.KeyboardOnline()) {
        return NoKeyboard(session);
    }
    if (!session.Dlg().session.Info().knobPresent) {
        return Fail(kCliFailed, "this keyboard has no knob");
    }
    session.BeginChange();
    if (!session.Dlg().Pages().knob.SetKnobFunction(layer, action, parsed)) {
        return Fail(kCliFailed, "the keyboard has not reported its knob entries");
    }
    return session.FinishChange();
}

int CmdExport(CliSession& session, int profileId, const std::string& file) {
    DataStore& store = session.Dlg().Store();
    std::string name;
    if (!store.GetProfileName(profileId, name)) {
        return Fail(kCliUsage, "no profile " + std::to_string(profileId));
    }
    std::string error;
    if (!ExportProfileKeys(store, profileId, name, file, &error)) {
        return Fail(kCliFailed, error.empty() ? "cannot write " + file : error);
    }
    return kCliOk;
}

int CmdImport(CliSession& session, const std::string& file) {
    session.BeginChange();
    const ImportResult result = session.Dlg().Pages().exchange.ImportFile(file);
    switch (result.status) {
        case ImportStatus::Imported: {
            if (result.restoredKeys > 0) {
                std::cerr << "zanvorctl: " << LoadText("KB.DIALOG", 1961) << "\n";
            }
            const int status =
                session.KeyboardOnline() ? session.FinishChange() : (session.WaitIdle(), kCliOk);
            session.Options().json
                ? PrintJson(json{
                      {"id", result.profileId}, {"name", result.name}, {"keys", result.keyRows}})
                : void(std::cout << result.profileId << "\n");
            return status;
        }
        case ImportStatus::LimitReached:
            return Fail(kCliFailed, LoadText("KB.DIALOG", 69));
        case ImportStatus::Unreadable:
            return Fail(kCliFailed, "cannot read " + file);
        case ImportStatus::NotAFile:
            return Fail(kCliFailed, file + " is not a regular file");
        case ImportStatus::TooLarge:
            return Fail(kCliFailed, file + " is larger than " +
                                        std::to_string(kMaxUserFileBytes >> 20) +
                                        " MB, too large for a profile file");
        case ImportStatus::NotXml:
            return Fail(kCliFailed, file + " is not an XML file");
        case ImportStatus::NoProfile:
            return Fail(kCliFailed, file + " holds no profile");
        case ImportStatus::Refused:
            return Fail(kCliFailed, file + ": " + result.reason);
        default:
            return Fail(kCliFailed, session.Dlg().Store().LastFailureText());
    }
}

}  // namespace zanvor
