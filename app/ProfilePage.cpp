#include "app/ProfilePage.h"

#include <algorithm>

#include "store/DataStore.h"
#include "ui/ControlIds.h"
#include "ui/DeviceTasks.h"
#include "ui/Dialogs.h"
#include "ui/LoadText.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

// Prefixes of the default names stored by earlier versions and by other languages.
constexpr std::string_view kEnglishDefault = "Profile";
constexpr std::string_view kChineseDefault = "配置文件";
constexpr std::string_view kCustomDefault = "我的專屬配寘";

bool StartsWith(const std::string& text, std::string_view prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

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
            return "a profile name cannot be empty";
        case ProfileResult::kStoreFailed:
            return "the profile database could not be changed";
    }
    return "";
}

std::string ProfilePage::DisplayName(const std::string& stored, NameStyle style) {
    if (StartsWith(stored, kEnglishDefault)) {
        return LoadText("KB.DIALOG", 68) + stored.substr(kEnglishDefault.size());
    }
    if (StartsWith(stored, kChineseDefault)) {
        return LoadText("KB.DIALOG", 68) + stored.substr(kChineseDefault.size());
    }
    if (StartsWith(stored, kCustomDefault)) {
        const std::string rest = stored.substr(kCustomDefault.size());
        return (style == NameStyle::kDialog ? LoadText("KB.DIALOG", 68)
                                            : LoadText("KB.DIALOG", 65)) +
               rest;
    }
    return stored;
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
    registry.AddTask(kTaskReloadProfiles, [this] {
        LoadProfileList();
        return TaskResult();
    });
    registry.AddTask(
        kTaskApplyProfile, [&registry] { return registry.RunProfileApplySteps(); },
        TaskOptions{.closesBusyDialog = true});
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
    const int id = store_.InsertProfile(NewProfileRecord(name));
    if (id < 1) {
        return 0;
    }
    if (hooks_.createDefaultKeyRows) {
        hooks_.createDefaultKeyRows(id);
    }
    store_.InsertDefaultConfig(id);
    return id;
}

int ProfilePage::FillList(ProfileList& list, NameStyle style) {
    list.ClearList();
    std::vector<ProfileData> profiles;
    store_.LoadProfiles(profiles);

    if (profiles.empty()) {
        // A new (or reset) database: three default profiles, the first one active. The ids
        // the store hands out are used, so a failed insert creates no related rows.
        const std::string base =
            style == NameStyle::kDialog ? LoadText("KB.DIALOG", 68) : LoadText("KB.DIALOG", 65);
        int first = 0;
        for (int i = 1; i <= 3; ++i) {
            const int id = store_.InsertProfile(NewProfileRecord(base + " " + std::to_string(i)));
            if (id < 1) {
                continue;
            }
            // The main list creates the key rows of the first profile only; the key page
            // copies them into the others when it loads them.
            if (hooks_.createDefaultKeyRows && (first == 0 || style == NameStyle::kDialog)) {
                hooks_.createDefaultKeyRows(id);
            }
            store_.InsertDefaultConfig(id);
            if (first == 0) {
                first = id;
            }
        }
        if (first != 0) {
            store_.SetActiveProfile(first);
        }
        store_.LoadProfiles(profiles);
    }

    std::sort(profiles.begin(), profiles.end(),
              [](const ProfileData& a, const ProfileData& b) { return a.profile < b.profile; });
    for (const ProfileData& profile : profiles) {
        list.AddItem(DisplayName(profile.name, style), profile.profile, kProfileIcon);
    }
    return static_cast<int>(profiles.size());
}

int ProfilePage::LoadProfileList() {
    const int count = FillList(list_, NameStyle::kMainList);

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
        list_.AddItem(DisplayName(profile.name, NameStyle::kMainList), profile.profile,
                      kProfileIcon);
    }
    list_.SetCurData(session_.currentProfile.load());
}

int ProfilePage::AddProfile() {
    if (list_.GetItemCount() > kMaxProfiles - 1) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 69), LoadText("KB.DIALOG", 66));
        return 0;
    }
    int id = 0;
    AddProfileNamed("", id);
    return id;
}

ProfileResult ProfilePage::AddProfileNamed(const std::string& name, int& id) {
    id = 0;
    if (list_.GetItemCount() > kMaxProfiles - 1) {
        return ProfileResult::kLimitReached;
    }
    const std::string profileName =
        name.empty() ? UniqueName(LoadText("KB.DIALOG", 65), list_) : name;
    id = CreateProfile(profileName);
    if (id == 0) {
        return ProfileResult::kStoreFailed;
    }
    store_.SetActiveProfile(id);
    const int index = list_.AddItem(profileName, id, kProfileIcon);
    list_.SetSelectItem(index);
    session_.currentProfile = id;
    poster_.PostTask(kApplyProfileTask);
    return ProfileResult::kOk;
}

int ProfilePage::DeleteSelectedEntry(ProfileList& list) {
    const int selected = list.GetSelectItem();
    if (list.GetItemCount() < 2 || selected < 0) {
        return 0;
    }
    if (!store_.DeleteProfile(list.GetItemData(selected))) {
        return 0;
    }
    list.DeleteItem(selected);
    const int next = selected > 0 ? selected - 1 : 0;
    list.SetSelectItem(next);
    const int id = list.GetItemData(next);
    store_.SetActiveProfile(id);
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

bool ProfilePage::FinishRenameIn(ProfileList& list, NameStyle style) {
    const int selected = list.GetSelectItem();
    if (selected < 0) {
        return false;
    }
    const int id = list.GetItemData(selected);
    const std::string text = list.GetItemText(selected);
    if (!text.empty()) {
        return store_.RenameProfile(id, text);
    }
    // An empty name is not stored: the entry shows the stored name again, as it was shown.
    std::string stored;
    store_.GetProfileName(id, stored);
    list.SetItemText(selected, DisplayName(stored, style));
    return false;
}

bool ProfilePage::FinishRename() {
    return FinishRenameIn(list_, NameStyle::kMainList);
}

void ProfilePage::SelectProfile() {
    const int id = list_.GetCurData();
    if (id == 0) {
        return;
    }
    session_.currentProfile = id;
    store_.SetActiveProfile(id);
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
        case ProfileList::kEventContextRequest:
            if (hooks_.showContextMenu) {
                hooks_.showContextMenu();
            }
            return true;
        case ProfileList::kEventEditFinished:
            FinishRename();
            return true;
        default:
            return false;
    }
}

bool ProfilePage::OnContextCommand(int command) {
    switch (command) {
        case kCommandDelete:
            DeleteSelectedProfile();
            return true;
        case kCommandExport:
            if (hooks_.exportProfile && list_.GetCurData() != 0) {
                hooks_.exportProfile(list_.GetCurData());
            }
            return true;
        case kCommandRename:
            list_.ShowEdit(list_.GetSelectItem());
            return true;
        default:
            return false;
    }
}

ProfileResult ProfilePage::RenameProfileById(int id, const std::string& name) {
    if (name.empty()) {
        return ProfileResult::kEmptyName;
    }
    const int index = list_.FindData(id);
    if (index < 0) {
        return ProfileResult::kNotFound;
    }
    if (!store_.RenameProfile(id, name)) {
        return ProfileResult::kStoreFailed;
    }
    list_.SetItemText(index, name);
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
        return DeleteSelectedProfile() ? ProfileResult::kOk : ProfileResult::kStoreFailed;
    }
    if (!store_.DeleteProfile(id)) {
        return ProfileResult::kStoreFailed;
    }
    list_.DeleteItem(index);
    return ProfileResult::kOk;
}

ProfileResult ProfilePage::ActivateProfile(int id) {
    if (list_.FindData(id) < 0) {
        return ProfileResult::kNotFound;
    }
    if (id == session_.currentProfile.load()) {
        return ProfileResult::kOk;
    }
    session_.currentProfile = id;
    list_.SetCurData(id);
    if (!store_.SetActiveProfile(id)) {
        return ProfileResult::kStoreFailed;
    }
    poster_.PostTask(kApplyProfileTask);
    return ProfileResult::kOk;
}

}  // namespace zanvor
