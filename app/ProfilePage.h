#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "device/SessionState.h"
#include "ui/LoadText.h"
#include "ui/PageRegistry.h"
#include "ui/ProfileList.h"

namespace zanvor {

class DataStore;
class Dialogs;

// What the profile commands need from other pages; each may be left empty.
struct ProfileHooks {
    // The rows a new profile needs beyond its own (key rows, and whatever else pages register;
    // nothing where it has them already). Runs inside the profile's transaction: false undoes
    // the profile.
    std::function<bool(int profileId)> createDefaultKeyRows;
    // Worker, after the list is loaded and the keyboard read: refreshes the pages that
    // depend on the profile (lighting, matrix screen, capability pages, settings page).
    std::function<void()> refreshPages;
    // Worker, after the list is loaded: the connection read sequence (DeviceSettings).
    std::function<bool()> readDeviceState;
    // Notification 9 on the main list: show the context menu (commands 601, 602, 605); the
    // choice comes back through OnContextCommand.
    std::function<void()> showContextMenu;
    // Command 602: export the key assignments of that profile to a file.
    std::function<void(int profileId)> exportProfile;
    // UI thread: stores the current profile's lighting in another profile.
    std::function<bool(int profileId)> copyLighting;
};

// Outcome of a profile command given by profile id (command line, profile dialog).
enum class ProfileResult {
    kOk,
    kLimitReached,  // already kMaxProfiles profiles
    kNotFound,      // no profile with that id in the list
    kLastProfile,   // the last profile cannot be deleted
    kEmptyName,     // empty or only blanks
    kStoreFailed,   // the database refused (or none is open): DataStore::LastFailure says why
};
// A one-line English reason for the command line.
const char* ProfileResultText(ProfileResult result);

// What another program asks of a profile it names.
enum class NamedProfileRequest {
    kLoad,    // make it current, as a switch in the list does
    kSave,    // store the current lighting in it, creating it when absent
    kDelete,  // delete it, never the last one
};

// A profile name as it is stored: valid UTF-8 on one line (invalid bytes become U+FFFD, line
// breaks and other control characters blanks).
std::string CleanProfileName(const std::string& name);

// The profiles of the main window: the list, adding, deleting, renaming and switching, and
// the current profile of the session. UI-thread commands and the worker's LoadProfileList
// meet only in the thread-safe list model, the store and the session's atomics.
class ProfilePage {
  public:
    static constexpr int kMaxProfiles = 10;
    // Context menu commands of the list.
    static constexpr int kCommandDelete = 601;
    static constexpr int kCommandExport = 602;
    static constexpr int kCommandRename = 605;
    // Worker task sending the current profile to the keyboard.
    static constexpr int kApplyProfileTask = 6;
    static constexpr const char* kProfileIcon = "icon\\icon_profile.png";

    // Which list is filled: the profile dialog creates the key rows of every default profile,
    // the main list those of the first (the key page copies them into the others).
    enum class NameStyle { kMainList, kDialog };

    // New profiles are named "<text 65> <n>" ("My profile 4") in the main list, the profile
    // dialog, the command line and at first start alike.
    static constexpr int kTextNewProfileName = 65;

    // The name shown for a stored name (ProfileDisplayName): default names in the current
    // language, other names unchanged.
    static std::string DisplayName(const std::string& stored);
    // "<base> <n>" for the first n = 1, 2, ... that no entry's text equals; "<base> 1000"
    // when all up to 1000 are taken.
    static std::string UniqueName(const std::string& base, const ProfileList& list);

    // The page with its own list (control id kIdProfileList).
    ProfilePage(DataStore& store, SessionState& session, TaskPoster& poster, Dialogs& dialogs);
    // The page over a list owned elsewhere (tests).
    ProfilePage(DataStore& store, SessionState& session, TaskPoster& poster, Dialogs& dialogs,
                ProfileList& list, ProfileHooks hooks = {});

    // Registers the list, the add button, the rename message, job 5 (the profile list load)
    // and job 6 (sending the current profile: the registry's profile apply steps).
    void Register(PageRegistry& registry);
    ProfilePage(const ProfilePage&) = delete;
    ProfilePage& operator=(const ProfilePage&) = delete;

    // Replaces the hooks; only before the worker starts.
    void SetHooks(ProfileHooks hooks) { hooks_ = std::move(hooks); }
    const ProfileHooks& Hooks() const { return hooks_; }
    ProfileList& List() { return list_; }
    int CurrentProfile() const { return session_.currentProfile.load(); }

    // Worker (tasks 4, 5, 22): fills the list from the database, creating three default
    // profiles in an empty one and completing profiles that lack rows; makes the active
    // profile current, selects it, resets the key layer to 0; then the readDeviceState and
    // refreshPages hooks. Returns the entry count.
    int LoadProfileList();
    // Fills `list` from the database (three default profiles in an empty one, their default
    // names from text 65 for the main list or 68 for the dialog). Returns the entry count.
    int FillList(ProfileList& list, NameStyle style);
    // Re-reads the entries without creating profiles or reading the keyboard, keeping the
    // current profile selected (after the profile dialog changed profiles).
    void RefreshList();

    // ---- UI thread: the main list's commands ----
    // Add button: the limit message at kMaxProfiles, else a new profile named from text 65
    // that becomes current. Returns its id, 0 when none was added.
    int AddProfile();
    // Command 601: deletes the selected profile (never the last one) and selects the entry
    // before it (the first when it was the first). False when nothing was deleted.
    bool DeleteSelectedProfile();
    // Notification 29: stores the edited name, or puts the old one back when it is empty.
    bool FinishRename();
    // Notification 2: the selected profile becomes current and is sent to the keyboard,
    // behind a busy dialog that the worker closes.
    void SelectProfile();
    // The main list's notifications (2, 9, 29); false for other events. A context request
    // leaves the current profile selected: the menu acts on the entry it was opened on.
    bool OnListEvent(int event);
    // The context menu's commands (601, 602, 605); false for other ids. They act on the
    // list's context entry when there is one (a right-click, a key on the focused entry), else
    // on the selected entry. Deleting asks first.
    bool OnContextCommand(int command);

    // ---- by profile id (command line; the profile dialog's OK) ----
    // `name` empty: a name made from text 65. The new profile becomes current.
    ProfileResult AddProfileNamed(const std::string& name, int& id);
    ProfileResult RenameProfileById(int id, const std::string& name);
    // Deleting the current profile selects another as DeleteSelectedProfile does; deleting
    // another one leaves the current profile as it is.
    ProfileResult DeleteProfileById(int id);
    // Makes the profile current (selected, active, sent to the keyboard) unless it already is.
    ProfileResult ActivateProfile(int id);

    // ---- by name (other lighting programs) ----
    // Any thread: the profiles' names as the list shows them, in id order.
    std::vector<std::string> ProfileNames();
    // UI thread: the profile shown (or else stored) under that name; 0 when none.
    int FindProfileByName(const std::string& name);
    // Any thread: queues a request that the UI thread runs.
    void RequestByName(NamedProfileRequest request, const std::string& name);
    // UI thread: runs one request.
    ProfileResult RunNamedRequest(NamedProfileRequest request, const std::string& name);

    // ---- shared with the profile dialog ----
    // Creates a profile with its configuration rows and default key rows, all in one
    // transaction and within kMaxProfiles; its id or 0.
    int CreateProfile(const std::string& name);
    // The same with the reason when nothing was created (the limit, or the database refused);
    // with `activate` the new profile is also marked active in the same transaction.
    ProfileResult CreateProfile(const std::string& name, int& id, bool activate = false);
    // Asks whether the profile shown as `name` may be deleted.
    bool ConfirmDelete(const std::string& name);
    // Tells the user why a profile could not be created (the limit message, or the database's
    // failure).
    void ShowCreateFailure(ProfileResult result);
    // Deletes the selected entry's profile and selects the entry before it; returns the id
    // of the newly selected entry (made active in the database), 0 when nothing was deleted
    // (a database failure is shown). `outcome`, when given, says why.
    int DeleteSelectedEntry(ProfileList& list, ProfileResult* outcome = nullptr);
    // Stores the edited text of the selected entry (or of the entry at `index`), or restores
    // its stored name when empty.
    bool FinishRenameIn(ProfileList& list);
    bool FinishRenameAt(ProfileList& list, int index);

  private:
    // Three default profiles, the first one active, in one transaction; nothing when the
    // database holds profiles by then (another program created them).
    void CreateDefaultProfiles(NameStyle style);
    // Completes every profile the database finds incomplete (an older program, or a crash
    // between its writes).
    void RepairProfiles();
    // Deletes the profile and makes nextActive (unless 0) active, both or neither; refuses to
    // delete the last profile the database holds.
    ProfileResult DeleteFromStore(int id, int nextActive);
    // The entries' names again, after a language change: default names follow the language.
    void ShowNamesAgain();

    std::unique_ptr<ProfileList> ownedList_;
    DataStore& store_;
    SessionState& session_;
    TaskPoster& poster_;
    Dialogs& dialogs_;
    ProfileList& list_;
    ProfileHooks hooks_;
    std::mutex requestMutex_;  // guards namedRequests_
    std::vector<std::pair<NamedProfileRequest, std::string>> namedRequests_;
    int contextProfile_ = 0;  // UI thread: the profile the open context menu is for
    int renameProfile_ = 0;   // UI thread: the profile whose name is being edited
    LanguageSubscription languageSubscription_;
};

}  // namespace zanvor
