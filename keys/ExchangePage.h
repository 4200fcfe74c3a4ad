#pragma once

// Export of a profile's key assignments to an exchange file and import of such a file as a
// new profile: the domain operations the command line calls, and the page commands of the
// profile list (export from its context menu, import from the profile page) with their
// dialogs.

#include <cstddef>
#include <set>
#include <string>

#include "keys/ExchangeFile.h"
#include "store/DataStore.h"
#include "ui/PageRegistry.h"

namespace zanvor {

class Dialogs;
class ProfileList;
class SessionState;
class TaskPoster;

// The worker task that sends the whole current profile to the keyboard.
inline constexpr int kTaskCodeApplyProfile = 6;
// Most profiles a database holds; import refuses beyond it.
inline constexpr int kMaxProfileCount = 10;
// The icon every profile is stored and listed with.
inline constexpr const char* kProfileIconFile = "icon\\icon_profile.png";

// Writes every key row of `profileId` (in the store's order) to `path` under `name`. False
// when the file cannot be written; `error` (when given) then names the file and the cause.
bool ExportProfileKeys(DataStore& store, int profileId, const std::string& name,
                       const std::string& path, std::string* error = nullptr);

enum class ImportStatus {
    Imported,      // a new profile holds the file's rows
    LimitReached,  // the database already holds kMaxProfileCount profiles
    Unreadable,    // missing or unreadable file
    NotAFile,      // a folder, FIFO or device
    TooLarge,      // larger than kMaxUserFileBytes
    NotXml,        // not a well-formed XML document
    NoProfile,     // no `profile` element
    InsertFailed,  // the profile could not be stored: DataStore::LastFailure says why
    Refused,       // the file names what this keyboard cannot hold: `reason` says what
};

struct ImportResult {
    ImportStatus status = ImportStatus::Unreadable;
    int profileId = 0;   // the new profile, 0 unless Imported
    std::string name;    // the profile name read from the file
    size_t keyRows = 0;  // key rows the new profile holds
    // Rows of the file that made the Fn (or another special) key a plain key: they were
    // stored with the key's factory function instead.
    size_t restoredKeys = 0;
    std::string reason;  // Refused: the first row the keyboard cannot hold, in the user's language
};

// Reads the file and stores it as a new profile: the profile row (icon kProfileIconFile), its
// default configuration values, the rows `rows` adds (other pages' rows of a new profile) and
// its key rows by the ReplaceKey rules, all in one transaction that also checks the profile
// limit. The name is stored as one line of valid UTF-8; a file without a name gets the name a
// new profile gets ("My profile 4"), a blank one is refused. Every key row is checked first
// (CheckImportedRows): `layoutKeys` are the key usages of the model's layout, macros must exist in
// the database; a file with one row the keyboard cannot hold is refused whole. Nothing is
// stored unless the result is Imported. Neither activates the profile nor posts a task: the
// caller does both.
ImportResult ImportProfileFile(DataStore& store, const std::string& path,
                               const std::set<int>& layoutKeys,
                               const DataStore::ProfileRows& rows = {});

// The export and import commands of the profile list. Runs on the UI thread.
class ExchangePage {
  public:
    ExchangePage(DataStore& store, Dialogs& dialogs, ProfileList& list, SessionState& state,
                 TaskPoster& poster);

    // Registers the import button; a new profile also gets the rows the pages register.
    void Register(PageRegistry& registry);

    enum class ExportResult { NothingSelected, Cancelled, Saved, SaveFailed };

    // Exports the profile of the list entry with id `profileId` (the selected entry when 0):
    // asks for the file and writes the entry's text as the name. A failed save is shown to the
    // user with the file and the cause.
    ExportResult ExportKeys(int profileId = 0);

    // Imports a file as a new profile: refuses with the profile page's limit message when the
    // list holds kMaxProfileCount entries, asks for the file ("Custom Key (*.xml)"), stores it,
    // lists, selects and activates the new profile and posts the profile to the keyboard. A
    // file that cannot be imported is named to the user with the reason.
    // True when a file was chosen and exists, whatever its content; false when the limit was
    // reached, the dialog was cancelled or the file does not exist.
    bool ImportKeys();

    // ImportKeys after the file was chosen, without dialogs (the command line): Imported when
    // the file now is the listed, selected, active and current profile and the task is posted;
    // LimitReached when the list or the database already holds kMaxProfileCount profiles;
    // otherwise nothing changed. Rows are checked against the keys of the loaded layout.
    ImportResult ImportFile(const std::string& path);

  private:
    // Names a chosen file that could not be read as a profile file, with the cause; nothing
    // for other results.
    void ShowUnusableFile(const std::string& path, ImportStatus status);

    DataStore& store_;
    Dialogs& dialogs_;
    ProfileList& list_;
    SessionState& state_;
    TaskPoster& poster_;
    const PageRegistry* registry_ = nullptr;
};

}  // namespace zanvor
