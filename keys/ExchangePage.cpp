#include "keys/ExchangePage.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "device/SessionState.h"
#include "keys/DeadKeyRows.h"
#include "keys/ExchangeRowCheck.h"
#include "keys/KeyCodes.h"
#include "platform/FileRead.h"
#include "platform/Utf8.h"
#include "store/DataStore.h"
#include "store/ProfileNames.h"
#include "ui/ControlIds.h"
#include "ui/Dialogs.h"
#include "ui/LoadText.h"
#include "ui/ProfileList.h"

namespace zanvor {

namespace {

constexpr int kTextProfileFileKind = 2106;      // "Profile": the file dialogs' filter
constexpr int kTextProfileExported = 2107;      // "The profile was exported to %s"
constexpr int kTextSpecialKeysRestored = 1961;  // the file made the Fn key a dead key
constexpr int kTextNewProfileName = 65;         // "My profile": new profiles are "My profile 4"
constexpr int kTextBlankName = 2173;            // "The profile name in the file is blank."
constexpr int kTextCannotImport = 2174;         // "This file cannot be imported. %s"
constexpr int kTextExportFailed = 1982;         // "The profile could not be exported to %s."
// Why a chosen file was not imported: "%s cannot be imported." and the cause.
constexpr int kTextFileNotImported = 1983;
constexpr int kTextUnreadable = 1984;
constexpr int kTextNotAFile = 1985;
constexpr int kTextTooLarge = 1986;  // "… larger than %s MB …"
constexpr int kTextNotXml = 1987;
constexpr int kTextNoProfile = 1988;

// `text` with its "%s" replaced by `path`.
std::string WithPath(std::string text, const std::string& path) {
    if (const size_t at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, path);
    }
    return text;
}

ImportStatus StatusOf(ExchangeReadResult read) {
    switch (read) {
        case ExchangeReadResult::Ok:
            return ImportStatus::Imported;
        case ExchangeReadResult::Unreadable:
            return ImportStatus::Unreadable;
        case ExchangeReadResult::NotAFile:
            return ImportStatus::NotAFile;
        case ExchangeReadResult::TooLarge:
            return ImportStatus::TooLarge;
        case ExchangeReadResult::NotXml:
            return ImportStatus::NotXml;
        case ExchangeReadResult::NoProfile:
            break;
    }
    return ImportStatus::NoProfile;
}

// A file name the save dialog can offer for a profile: its name without path separators.
std::string SuggestedFileName(std::string name) {
    if (name.empty()) {
        return {};
    }
    for (char& c : name) {
        if (c == '/' || c == '\\') {
            c = '_';
        }
    }
    return name + ".xml";
}

// The profile files' filter of the file dialogs: "Profile (*.xml)" in the user's language.
FileFilter ProfileFileFilter() {
    return {LoadText("KB.DIALOG", kTextProfileFileKind), {kExchangeFilePattern}};
}

// True when a profile is listed as `name` would be: names are compared as the list shows
// them, so "Mój profil 2" is taken by a "My profile 2" that an English list shows.
bool NameTaken(const std::string& name, const std::vector<ProfileData>& profiles) {
    const std::string shown = ProfileDisplayName(name);
    return std::any_of(profiles.begin(), profiles.end(), [&shown](const ProfileData& p) {
        return ProfileDisplayName(p.name) == shown;
    });
}

// " (2)", " (3)" … after a name that a profile already has; an existing " (n)" is replaced,
// so importing "Gaming (2)" beside "Gaming" and "Gaming (2)" gives "Gaming (3)".
std::string UnusedProfileName(const std::string& name, const std::vector<ProfileData>& profiles) {
    const auto taken = [&profiles](const std::string& candidate) {
        return NameTaken(candidate, profiles);
    };
    if (!taken(name)) {
        return name;
    }
    std::string base = name;
    if (const size_t open = base.rfind(" (");
        open != std::string::npos && base.back() == ')' && open + 3 < base.size() &&
        std::all_of(base.begin() + open + 2, base.end() - 1,
                    [](char c) { return c >= '0' && c <= '9'; })) {
        base.erase(open);
    }
    for (int n = 2; n <= kMaxProfileCount + 1; ++n) {
        const std::string candidate = base + " (" + std::to_string(n) + ")";
        if (!taken(candidate)) {
            return candidate;
        }
    }
    return name;  // more names than profiles can be taken only by a corrupt list
}

// The name a new profile gets: "My profile <n>" with the first n no profile has.
std::string NewProfileName(const std::vector<ProfileData>& profiles) {
    const std::string base = LoadText("KB.DIALOG", kTextNewProfileName);
    for (int n = 1;; ++n) {
        const std::string candidate = base + " " + std::to_string(n);
        if (!NameTaken(candidate, profiles)) {
            return candidate;
        }
    }
}

// Every macro id of the database.
std::set<int> MacroIds(DataStore& store) {
    std::vector<MacroData> macros;
    store.ListMacros(macros);
    std::set<int> ids;
    for (const MacroData& macro : macros) {
        ids.insert(macro.macro_id);
    }
    return ids;
}

}  // namespace

bool ExportProfileKeys(DataStore& store, int profileId, const std::string& name,
                       const std::string& path, std::string* error) {
    std::vector<KeyMacroData> rows;
    store.ListProfileKeys(profileId, rows);
    return WriteExchangeFile(path, name, rows, error);
}

ImportResult ImportProfileFile(DataStore& store, const std::string& path,
                               const std::set<int>& layoutKeys,
                               const DataStore::ProfileRows& rows) {
    ImportResult result;
    std::vector<ProfileData> profiles;
    if (store.LoadProfiles(profiles) >= kMaxProfileCount) {
        result.status = ImportStatus::LimitReached;
        return result;
    }

    // The whole file is read before anything is stored, so a file that turns out to be
    // unusable changes nothing.
    std::vector<KeyMacroData> items;
    const ExchangeReadResult read = ReadExchangeFile(path, result.name, items);
    if (read != ExchangeReadResult::Ok) {
        result.status = StatusOf(read);
        return result;
    }
    // Rows reach the keyboard as they are stored: a file with one the keyboard cannot hold is
    // refused whole, before anything is stored.
    result.reason = CheckImportedRows(items, {layoutKeys, MacroIds(store)});
    if (result.reason.empty() && !result.name.empty() && IsBlank(result.name)) {
        result.reason = LoadText("KB.DIALOG", kTextBlankName);
    }
    if (!result.reason.empty()) {
        result.status = ImportStatus::Refused;
        return result;
    }
    // Names are shown on one line everywhere and printed as JSON: bytes that are not UTF-8 and
    // line breaks do not come in. A file without a name is named like any new profile.
    result.name = result.name.empty() ? NewProfileName(profiles)
                                      : UnusedProfileName(SingleLineText(result.name), profiles);

    ProfileData profile;
    profile.name = result.name;
    profile.icon_image = kProfileIconFile;
    std::vector<KeyMacroData> keys = CollapseKeyRows(items);
    result.restoredKeys = RestoreDeadKeyRows(keys);
    const DataStore::NewProfile created =
        store.CreateProfile(profile, kMaxProfileCount, [&](int id) {
            for (KeyMacroData& key : keys) {
                key.profile = id;
            }
            // A new profile has no rows, so the collapsed rows are exactly what ReplaceKey
            // row by row would leave; one bulk insert stores them. The pages' own rows come
            // after, so they add only what the file does not hold.
            return store.InsertKeys(keys) && (!rows || rows(id));
        });
    switch (created.status) {
        case DataStore::ProfileCreation::kCreated:
            break;
        case DataStore::ProfileCreation::kLimitReached:
            result.status = ImportStatus::LimitReached;
            return result;
        case DataStore::ProfileCreation::kFailed:
            result.status = ImportStatus::InsertFailed;
            return result;
    }
    result.keyRows = keys.size();
    result.profileId = created.id;
    result.status = ImportStatus::Imported;
    return result;
}

ExchangePage::ExchangePage(DataStore& store, Dialogs& dialogs, ProfileList& list,
                           SessionState& state, TaskPoster& poster)
    : store_(store), dialogs_(dialogs), list_(list), state_(state), poster_(poster) {}

void ExchangePage::Register(PageRegistry& registry) {
    registry_ = &registry;
    registry.AddControl(kIdImportProfile, [this](int) { ImportKeys(); });
}

ExchangePage::ExportResult ExchangePage::ExportKeys(int profileId) {
    const int entry = profileId != 0 ? list_.FindData(profileId) : list_.GetSelectItem();
    if (entry < 0) {
        return ExportResult::NothingSelected;
    }
    const std::string name = list_.GetItemText(entry);
    profileId = list_.GetItemData(entry);
    const std::optional<std::string> path =
        dialogs_.SaveFile({}, {ProfileFileFilter()}, SuggestedFileName(name));
    if (!path) {
        return ExportResult::Cancelled;
    }
    std::string error;
    if (!ExportProfileKeys(store_, profileId, name, *path, &error)) {
        dialogs_.MessageBox(
            WithPath(LoadText("KB.DIALOG", kTextExportFailed), *path) + "\n\n" + error,
            LoadText("KB.DIALOG", 960));
        return ExportResult::SaveFailed;
    }
    // Where the file went, so the user can find it.
    dialogs_.MessageBox(WithPath(LoadText("KB.DIALOG", kTextProfileExported), *path),
                        LoadText("KB.DIALOG", 960));
    return ExportResult::Saved;
}

bool ExchangePage::ImportKeys() {
    if (list_.GetItemCount() >= kMaxProfileCount) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 69), LoadText("KB.DIALOG", 66));
        return false;
    }
    const std::optional<std::string> path = dialogs_.OpenFile({}, {ProfileFileFilter()});
    if (!path) {
        return false;
    }
    std::error_code error;
    if (!std::filesystem::exists(*path, error)) {
        ShowUnusableFile(*path, ImportStatus::Unreadable);
        return false;
    }

    const ImportResult imported = ImportFile(*path);
    ShowUnusableFile(*path, imported.status);
    if (imported.status == ImportStatus::LimitReached) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 69), LoadText("KB.DIALOG", 66));
        return false;
    }
    if (imported.status == ImportStatus::Imported && imported.restoredKeys > 0) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", kTextSpecialKeysRestored),
                            LoadText("KB.DIALOG", kTextProfileFileKind));
    }
    if (imported.status == ImportStatus::InsertFailed) {
        // Nothing was stored, nothing listed or activated; the user learns why.
        dialogs_.MessageBox(store_.LastFailureText(), LoadText("KB.DIALOG", 1937));
    }
    if (imported.status == ImportStatus::Refused) {
        std::string text = LoadText("KB.DIALOG", kTextCannotImport);
        if (const size_t at = text.find("%s"); at != std::string::npos) {
            text.replace(at, 2, imported.reason);
        }
        dialogs_.MessageBox(text, LoadText("KB.DIALOG", 66));
    }
    // An unusable file changes nothing.
    return true;
}

void ExchangePage::ShowUnusableFile(const std::string& path, ImportStatus status) {
    std::string reason;
    switch (status) {
        case ImportStatus::Unreadable:
            reason = LoadText("KB.DIALOG", kTextUnreadable);
            break;
        case ImportStatus::NotAFile:
            reason = LoadText("KB.DIALOG", kTextNotAFile);
            break;
        case ImportStatus::TooLarge:
            reason = WithPath(LoadText("KB.DIALOG", kTextTooLarge),
                              std::to_string(kMaxUserFileBytes >> 20));
            break;
        case ImportStatus::NotXml:
            reason = LoadText("KB.DIALOG", kTextNotXml);
            break;
        case ImportStatus::NoProfile:
            reason = LoadText("KB.DIALOG", kTextNoProfile);
            break;
        default:
            return;  // imported, or told by the caller
    }
    dialogs_.MessageBox(WithPath(LoadText("KB.DIALOG", kTextFileNotImported), path) + "\n" + reason,
                        LoadText("KB.DIALOG", 66));
}

ImportResult ExchangePage::ImportFile(const std::string& path) {
    if (list_.GetItemCount() >= kMaxProfileCount) {
        ImportResult refused;
        refused.status = ImportStatus::LimitReached;
        return refused;
    }
    // The keys a profile of this model has rows for (the knob has none).
    std::set<int> keys;
    state_.WithKeyMaps([&keys](const KeyMaps& maps) {
        for (const auto& [code, index] : maps.codeToKeyIndex) {
            if (code != kUsageKnob) {
                keys.insert(code);
            }
        }
    });
    // The new profile becomes the active one in the same transaction that stores it.
    const ImportResult imported = ImportProfileFile(store_, path, keys, [this](int id) {
        return (registry_ == nullptr || registry_->CreateProfileRows(id)) &&
               store_.SetActiveProfile(id);
    });
    if (imported.status != ImportStatus::Imported) {
        return imported;
    }
    const int index =
        list_.AddItem(ProfileDisplayName(imported.name), imported.profileId, kProfileIconFile);
    list_.SetSelectItem(index);
    state_.currentProfile = list_.GetCurData();
    poster_.PostTask(kTaskCodeApplyProfile);
    return imported;
}

}  // namespace zanvor
