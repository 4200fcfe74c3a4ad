#include "app/ProfilePage.h"

#include <algorithm>

#include "keys/DeadKeyRows.h"
#include "platform/Trace.h"
#include "platform/Utf8.h"
#include "store/DataStore.h"
#include "store/ProfileNames.h"
#include "ui/ControlIds.h"
#include "ui/DeviceTasks.h"
#include "ui/Dialogs.h"
#include "ui/LoadText.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

ProfileData NewProfileRecord(const std::string& name) {
    ProfileData profile;
    profile.name = name;
    profile.icon_image = ProfilePage::kProfileIcon;
    return profile;
}

}  // namespace

const char* ProfileResultText(ProfileResult result) {
    switch (result) {
        case ProfileResult::kOk:
            return "done";
        case ProfileResult::kLimitReached:
            return "there are already 10 profiles";
        case ProfileResult::kNotFound:
            return "no profile with that id";
        case ProfileResult::kLastProfile:
            return "the last profile cannot be deleted";
        case ProfileResult::kEmptyName:
            return "a profile name cannot be empty or only blanks";
        case ProfileResult::kStoreFailed:
            return "the profile database could not be changed";
    }
    return "";
}

std::string CleanProfileName(const std::string& name) {
    return SingleLineText(name);
}

std::string ProfilePage::DisplayName(const std::string& stored) {
    return ProfileDisplayName(stored);
}

std::string ProfilePage::UniqueName(const std::string& base, const ProfileList& list) {
    const std::vector<ProfileListItem> items = list.GetItems();
    std::string candidate;
    for (int n = 1; n <= 1000; ++n) {
        candidate = base + " " + std::to_string(n);
        const bool taken =
            std::any_of(items.begin(), items.end(),
                        [&](const ProfileListItem& item) { return item.text == candidate; });
        if (!taken) {
            break;
        }
    }
    return candidate;
}

ProfilePage::ProfilePage(DataStore& store, SessionState& session, TaskPoster& poster,
                         Dialogs& dialogs)
    : ownedList_(std::make_unique<ProfileList>(kIdProfileList)),
      store_(store),
      session_(session),
      poster_(poster),
      dialogs_(dialogs),
      list_(*ownedList_) {}

void ProfilePage::Register(PageRegistry& registry) {
    registry.AddControl(list_, [this](int event) { OnListEvent(event); });
    registry.AddControl(kIdAddProfile, [this](int) { AddProfile(); });
    registry.AddWindowMessage(kMsgProfileEditDone, [this](uintptr_t, intptr_t) { FinishRename(); });
    registry.AddWindowMessage(kMsgProfileRequest, [this](uintptr_t, intptr_t) {
        std::vector<std::pair<NamedProfileRequest, std::string>> requests;
        {
            std::lock_guard lock(requestMutex_);
            requests.swap(namedRequests_);
        }
        for (const auto& [request, name] : requests) {
            if (const ProfileResult result = RunNamedRequest(request, name);
                result != ProfileResult::kOk) {
                Trace("profile \"%s\" asked by another program: %s\n", name.c_str(),
                      ProfileResultText(result));
            }
        }
    });
    registry.AddTask(kTaskReloadProfiles, [this] {
        LoadProfileList();
        return TaskResult();
    });
    registry.AddTask(
        kTaskApplyProfile, [&registry] { return registry.RunProfileApplySteps(); },
        TaskOptions{.closesBusyDialog = true});
    languageSubscription_ = SubscribeLanguageChanged([this](int) { ShowNamesAgain(); });
}

void ProfilePage::ShowNamesAgain() {
    for (int i = 0; i < list_.GetItemCount(); ++i) {
        std::string stored;
        if (store_.GetProfileName(list_.GetItemData(i), stored)) {
            list_.SetItemText(i, DisplayName(stored));
        }
    }
}

ProfilePage::ProfilePage(DataStore& store, SessionState& session, TaskPoster& poster,
                         Dialogs& dialogs, ProfileList& list, ProfileHooks hooks)
    : store_(store),
      session_(session),
      poster_(poster),
      dialogs_(dialogs),
      list_(list),
      hooks_(std::move(hooks)) {}

int ProfilePage::CreateProfile(const std::string& name) {
    int id = 0;
    CreateProfile(name, id);
    return id;
}

ProfileResult ProfilePage::CreateProfile(const std::string& name, int& id, bool activate) {
    const DataStore::NewProfile created =
        store_.CreateProfile(NewProfileRecord(name), kMaxProfiles, [&](int newId) {
            return (!hooks_.createDefaultKeyRows || hooks_.createDefaultKeyRows(newId)) &&
                   (!activate || store_.SetActiveProfile(newId));
        });
    id = created.id;
    switch (created.status) {
        case DataStore::ProfileCreation::kCreated:
            return ProfileResult::kOk;
        case DataStore::ProfileCreation::kLimitReached:
            return ProfileResult::kLimitReached;
        case DataStore::ProfileCreation::kFailed:
            break;
    }
    return ProfileResult::kStoreFailed;
}

void ProfilePage::ShowCreateFailure(ProfileResult result) {
    if (result == ProfileResult::kLimitReached) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 69), LoadText("KB.DIALOG", 66));
    } else if (result == ProfileResult::kStoreFailed) {
        dialogs_.MessageBox(store_.LastFailureText(), LoadText("KB.DIALOG", 1937));
    }
}

void ProfilePage::CreateDefaultProfiles(NameStyle style) {
    // The count is taken again inside the transaction: two programs starting on a new
    // database must not both create the defaults.
    DataStore::Transaction transaction(store_);
    if (!transaction.IsActive() || store_.CountProfiles() != 0) {
        return;
    }
    const std::string base = LoadText("KB.DIALOG", kTextNewProfileName);
    int first = 0;
    for (int i = 1; i <= 3; ++i) {
        const int id = store_.InsertProfile(NewProfileRecord(base + " " + std::to_string(i)));
        if (id < 1) {
            return;
        }
        // The main list creates the key rows of the first profile only; the key page copies
        // them into the others when it loads them.
        const bool keyRows =
            hooks_.createDefaultKeyRows && (first == 0 || style == NameStyle::kDialog);
        if ((keyRows && !hooks_.createDefaultKeyRows(id)) || !store_.InsertDefaultConfig(id)) {
            return;
        }
        if (first == 0) {
            first = id;
        }
    }
    if (store_.SetActiveProfile(first)) {
        transaction.Commit();
    }
}

void ProfilePage::RepairProfiles() {
    for (const int id : store_.IncompleteProfiles()) {
        const bool repaired = store_.RepairProfile(id, hooks_.createDefaultKeyRows);
        Trace("Profiles: profile %d lacked rows: %s\n", id, repaired ? "repaired" : "not repaired");
    }
    // Earlier versions stored the Fn key of every new profile as a plain key, which makes it
    // a dead key on the keyboard; those rows get the key's factory function back.
    if (!store_.RestoreDeadKeyRows(kDeadKeyUsages)) {
        Trace("Profiles: dead Fn key rows could not be restored\n");
    }
}

int ProfilePage::FillList(ProfileList& list, NameStyle style) {
    list.ClearList();
    std::vector<ProfileData> profiles;
    store_.LoadProfiles(profiles);

    if (profiles.empty()) {
        // A new (or reset) database: three default profiles, the first one active. The ids
        // the store hands out are used, so a failed insert creates no related rows.
        CreateDefaultProfiles(style);
        store_.LoadProfiles(profiles);
    }

    std::sort(profiles.begin(), profiles.end(),
              [](const ProfileData& a, const ProfileData& b) { return a.profile < b.profile; });
    for (const ProfileData& profile : profiles) {
        list.AddItem(DisplayName(profile.name), profile.profile, kProfileIcon);
    }
    return static_cast<int>(profiles.size());
}

int ProfilePage::LoadProfileList() {
    const int count = FillList(list_, NameStyle::kMainList);
    RepairProfiles();

    int active = store_.GetActiveProfile();
    if (active == 0 && count > 0) {
        // No row is marked active: the first profile becomes active rather than a profile
        // id 0 that every page would read and write in vain.
        active = list_.GetItemData(0);
        store_.SetActiveProfile(active);
    }
    session_.currentProfile = active;
    list_.SetScrollPos(0);
    list_.SetCurData(active);
    session_.currentLayer = 0;

    if (hooks_.readDeviceState) {
        hooks_.readDeviceState();
    }
    if (hooks_.refreshPages) {
        hooks_.refreshPages();
    }
    return count;
}

void ProfilePage::RefreshList() {
    std::vector<ProfileData> profiles;
    store_.LoadProfiles(profiles);
    std::sort(profiles.begin(), profiles.end(),
              [](const ProfileData& a, const ProfileData& b) { return a.profile < b.profile; });
    list_.ClearList();
    for (const ProfileData& profile : profiles) {
        list_.AddItem(DisplayName(profile.name), profile.profile, kProfileIcon);
    }
    list_.SetCurData(session_.currentProfile.load());
}

int ProfilePage::AddProfile() {
    if (list_.GetItemCount() > kMaxProfiles - 1) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 69), LoadText("KB.DIALOG", 66));
        return 0;
    }
    int id = 0;
    ShowCreateFailure(AddProfileNamed("", id));
    return id;
}

ProfileResult ProfilePage::AddProfileNamed(const std::string& name, int& id) {
    id = 0;
    if (!name.empty() && IsBlank(name)) {
        return ProfileResult::kEmptyName;
    }
    if (list_.GetItemCount() > kMaxProfiles - 1) {
        return ProfileResult::kLimitReached;
    }
    const std::string profileName =
        name.empty() ? UniqueName(LoadText("KB.DIALOG", kTextNewProfileName), list_)
                     : CleanProfileName(name);
    if (const ProfileResult created = CreateProfile(profileName, id, true);
        created != ProfileResult::kOk) {
        return created;
    }
    const int index = list_.AddItem(profileName, id, kProfileIcon);
    list_.SetSelectItem(index);
    session_.currentProfile = id;
    poster_.PostTask(kApplyProfileTask);
    return ProfileResult::kOk;
}

ProfileResult ProfilePage::DeleteFromStore(int id, int nextActive) {
    // One transaction: the profile is never deleted without another becoming active, and the
    // count is taken under the write lock, so two programs deleting at once never delete the
    // last profile between them.
    DataStore::Transaction transaction(store_);
    if (!transaction.IsActive()) {
        return ProfileResult::kStoreFailed;
    }
    const int count = store_.CountProfiles();
    if (count < 0) {
        return ProfileResult::kStoreFailed;
    }
    if (count < 2) {
        return ProfileResult::kLastProfile;
    }
    // The next profile must still exist (another program may have deleted it): otherwise no
    // profile would be left active.
    if (!store_.DeleteProfile(id) ||
        (nextActive != 0 &&
         (!store_.SetActiveProfile(nextActive) || store_.GetActiveProfile() != nextActive)) ||
        !transaction.Commit()) {
        return ProfileResult::kStoreFailed;
    }
    return ProfileResult::kOk;
}

int ProfilePage::DeleteSelectedEntry(ProfileList& list, ProfileResult* outcome) {
    const int selected = list.GetSelectItem();
    if (list.GetItemCount() < 2 || selected < 0) {
        if (outcome != nullptr) {
            *outcome = ProfileResult::kLastProfile;
        }
        return 0;
    }
    // The entry before it is selected next, or the first one when it was the first.
    const int id = list.GetItemData(selected > 0 ? selected - 1 : 1);
    const ProfileResult result = DeleteFromStore(list.GetItemData(selected), id);
    if (outcome != nullptr) {
        *outcome = result;
    }
    if (result != ProfileResult::kOk) {
        if (result == ProfileResult::kStoreFailed) {
            dialogs_.MessageBox(store_.LastFailureText(), LoadText("KB.DIALOG", 1937));
        }
        return 0;
    }
    list.DeleteItem(selected);
    list.SetSelectItem(selected > 0 ? selected - 1 : 0);
    return id;
}

bool ProfilePage::DeleteSelectedProfile() {
    const int id = DeleteSelectedEntry(list_);
    if (id == 0) {
        return false;
    }
    session_.currentProfile = id;
    poster_.PostTask(kApplyProfileTask);
    return true;
}

bool ProfilePage::FinishRenameIn(ProfileList& list) {
    return FinishRenameAt(list, list.GetSelectItem());
}

bool ProfilePage::FinishRenameAt(ProfileList& list, int selected) {
    if (selected < 0 || selected >= list.GetItemCount()) {
        return false;
    }
    const int id = list.GetItemData(selected);
    const std::string text = CleanProfileName(list.GetItemText(selected));
    if (!IsBlank(text)) {
        if (store_.RenameProfile(id, text)) {
            if (text != list.GetItemText(selected)) {
                list.SetItemText(selected, text);
            }
            return true;
        }
        dialogs_.MessageBox(store_.LastFailureText(), LoadText("KB.DIALOG", 1937));
    }
    // An empty name, or one the database refused, is not stored: the entry shows the stored
    // name again, as it was shown.
    std::string stored;
    store_.GetProfileName(id, stored);
    list.SetItemText(selected, DisplayName(stored));
    return false;
}

bool ProfilePage::FinishRename() {
    const int index = renameProfile_ != 0 ? list_.FindData(renameProfile_) : list_.GetSelectItem();
    renameProfile_ = 0;
    return FinishRenameAt(list_, index);
}

void ProfilePage::SelectProfile() {
    const int id = list_.GetCurData();
    if (id == 0) {
        return;
    }
    session_.currentProfile = id;
    if (!store_.SetActiveProfile(id)) {
        // The keyboard still gets the profile shown; the next start may begin with another.
        dialogs_.MessageBox(store_.LastFailureText(), LoadText("KB.DIALOG", 1937));
    }
    poster_.PostTask(kApplyProfileTask);
    if (dialogs_.BusyShown()) {
        dialogs_.CloseBusy();
    }
    dialogs_.ShowBusy("");
}

bool ProfilePage::OnListEvent(int event) {
    switch (event) {
        case ProfileList::kEventSelectionChanged:
            SelectProfile();
            return true;
        case ProfileList::kEventContextRequest: {
            // The highlighted entry stays the active profile, whether the menu is used or not.
            contextProfile_ = list_.TakeContextData();
            const int current = session_.currentProfile.load();
            if (current != 0 && list_.GetCurData() != current) {
                list_.SetCurData(current);
            }
            if (hooks_.showContextMenu) {
                hooks_.showContextMenu();
            }
            return true;
        }
        case ProfileList::kEventEditFinished:
            FinishRename();
            return true;
        default:
            return false;
    }
}

bool ProfilePage::ConfirmDelete(const std::string& name) {
    std::string text = LoadText("KB.DIALOG", 2102);
    if (const size_t at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, name);
    }
    return dialogs_.Question(text, LoadText("KB.DIALOG", 1463));
}

bool ProfilePage::OnContextCommand(int command) {
    if (command != kCommandDelete && command != kCommandExport && command != kCommandRename) {
        return false;
    }
    if (const int focused = list_.TakeContextData(); focused != 0) {
        contextProfile_ = focused;
    }
    const int target = contextProfile_ != 0 ? contextProfile_ : list_.GetCurData();
    contextProfile_ = 0;
    const int index = list_.FindData(target);
    if (index < 0) {
        return true;
    }
    switch (command) {
        case kCommandDelete: {
            if (!ConfirmDelete(list_.GetItemText(index))) {
                return true;
            }
            if (index == list_.GetSelectItem()) {
                DeleteSelectedProfile();
            } else if (const ProfileResult result = DeleteProfileById(target);
                       result == ProfileResult::kStoreFailed) {
                dialogs_.MessageBox(store_.LastFailureText(), LoadText("KB.DIALOG", 1937));
            }
            return true;
        }
        case kCommandExport:
            if (hooks_.exportProfile) {
                hooks_.exportProfile(target);
            }
            return true;
        default:
            renameProfile_ = target;
            list_.ShowEdit(index);
            return true;
    }
}

ProfileResult ProfilePage::RenameProfileById(int id, const std::string& name) {
    if (IsBlank(name)) {
        return ProfileResult::kEmptyName;
    }
    const int index = list_.FindData(id);
    if (index < 0) {
        return ProfileResult::kNotFound;
    }
    const std::string clean = CleanProfileName(name);
    if (!store_.RenameProfile(id, clean)) {
        return ProfileResult::kStoreFailed;
    }
    list_.SetItemText(index, clean);
    return ProfileResult::kOk;
}

ProfileResult ProfilePage::DeleteProfileById(int id) {
    const int index = list_.FindData(id);
    if (index < 0) {
        return ProfileResult::kNotFound;
    }
    if (list_.GetItemCount() < 2) {
        return ProfileResult::kLastProfile;
    }
    if (id == session_.currentProfile.load()) {
        list_.SetSelectItem(index);
        ProfileResult result = ProfileResult::kOk;
        const int next = DeleteSelectedEntry(list_, &result);
        if (next != 0) {
            session_.currentProfile = next;
            poster_.PostTask(kApplyProfileTask);
        }
        return result;
    }
    const ProfileResult result = DeleteFromStore(id, 0);
    if (result == ProfileResult::kOk) {
        list_.DeleteItem(index);
    }
    return result;
}

ProfileResult ProfilePage::ActivateProfile(int id) {
    if (list_.FindData(id) < 0) {
        return ProfileResult::kNotFound;
    }
    if (id == session_.currentProfile.load()) {
        if (session_.tableWritePending.load()) {
            // Active in the database, but its write to the keyboard is still owed: asking again
            // tries again (and fails honestly while the keyboard cannot take it).
            poster_.PostTask(kApplyProfileTask);
        }
        return ProfileResult::kOk;
    }
    // The mark first: a failed command changes nothing.
    if (!store_.SetActiveProfile(id)) {
        return ProfileResult::kStoreFailed;
    }
    session_.currentProfile = id;
    list_.SetCurData(id);
    poster_.PostTask(kApplyProfileTask);
    return ProfileResult::kOk;
}

std::vector<std::string> ProfilePage::ProfileNames() {
    std::vector<ProfileData> profiles;
    store_.LoadProfiles(profiles);
    std::sort(profiles.begin(), profiles.end(),
              [](const ProfileData& a, const ProfileData& b) { return a.profile < b.profile; });
    std::vector<std::string> names;
    for (const ProfileData& profile : profiles) {
        names.push_back(DisplayName(profile.name));
    }
    return names;
}

int ProfilePage::FindProfileByName(const std::string& name) {
    std::vector<ProfileData> profiles;
    store_.LoadProfiles(profiles);
    std::sort(profiles.begin(), profiles.end(),
              [](const ProfileData& a, const ProfileData& b) { return a.profile < b.profile; });
    // The name as shown wins: a client names profiles as it read them from the list.
    for (const ProfileData& profile : profiles) {
        if (DisplayName(profile.name) == name) {
            return profile.profile;
        }
    }
    for (const ProfileData& profile : profiles) {
        if (profile.name == name) {
            return profile.profile;
        }
    }
    return 0;
}

void ProfilePage::RequestByName(NamedProfileRequest request, const std::string& name) {
    {
        std::lock_guard lock(requestMutex_);
        namedRequests_.emplace_back(request, name);
    }
    poster_.PostWindowMessage(kMsgProfileRequest, 0, 0);
}

ProfileResult ProfilePage::RunNamedRequest(NamedProfileRequest request, const std::string& name) {
    int id = FindProfileByName(name);
    switch (request) {
        case NamedProfileRequest::kLoad:
            return id == 0 ? ProfileResult::kNotFound : ActivateProfile(id);
        case NamedProfileRequest::kDelete:
            return id == 0 ? ProfileResult::kNotFound : DeleteProfileById(id);
        case NamedProfileRequest::kSave:
            break;
    }
    if (id == 0) {
        if (IsBlank(name)) {
            return ProfileResult::kEmptyName;
        }
        const std::string stored = CleanProfileName(name);
        if (const ProfileResult created = CreateProfile(stored, id);
            created != ProfileResult::kOk) {
            return created;
        }
        list_.AddItem(DisplayName(stored), id, kProfileIcon);
        list_.SetCurData(session_.currentProfile.load());
    }
    if (hooks_.copyLighting && !hooks_.copyLighting(id)) {
        return ProfileResult::kStoreFailed;
    }
    return ProfileResult::kOk;
}

}  // namespace zanvor
