#include "app/ProfileDlg.h"

#include "app/FocusSwitcher.h"
#include "app/ProgramBindings.h"
#include "platform/DesktopFocus.h"
#include "store/DataStore.h"
#include "ui/Dialogs.h"
#include "ui/LoadText.h"

namespace zanvor {

ProfileDlg::ProfileDlg(DataStore& store, Dialogs& dialogs, ProfilePage& mainPage,
                       FocusSwitcher* focus)
    : store_(store), dialogs_(dialogs), mainPage_(mainPage), focus_(focus) {
    list_.SetEventSink([this](int controlId, int event) { OnMessage(controlId, event); });
}

void ProfileDlg::OnInitDialog() {
    result_ = Result::kOpen;
    changed_ = false;
    mainPage_.FillList(list_, ProfilePage::NameStyle::kDialog);
    rememberedId_ = store_.GetActiveProfile();
    list_.SetCurData(rememberedId_);
    LoadPrograms();
}

void ProfileDlg::OnMessage(int controlId, int event) {
    if (result_ != Result::kOpen) {
        return;
    }
    switch (controlId) {
        case kIdCancel:
        case kIdClose:
            Close(Result::kCancelled);
            break;
        case kIdAdd:
            AddProfile();
            break;
        case kIdOk:
            rememberedId_ = list_.GetCurData() != 0 ? list_.GetCurData() : rememberedId_;
            Close(Result::kConfirmed);
            break;
        case kIdList:
            if (event == ProfileList::kEventContextRequest) {
                list_.TakeContextData();
                if (list_.GetItemCount() < 2 ||
                    !mainPage_.ConfirmDelete(list_.GetItemText(list_.GetSelectItem()))) {
                    break;
                }
                if (const int id = mainPage_.DeleteSelectedEntry(list_); id != 0) {
                    rememberedId_ = id;
                    changed_ = true;
                    LoadPrograms();
                }
            } else if (event == ProfileList::kEventEditFinished) {
                if (mainPage_.FinishRenameIn(list_)) {
                    changed_ = true;
                }
            } else if (event == ProfileList::kEventSelectionChanged) {
                if (const int id = list_.GetCurData(); id != 0) {
                    store_.SetActiveProfile(id);
                    rememberedId_ = id;
                }
                LoadPrograms();
            }
            break;
        default:
            break;
    }
}

void ProfileDlg::AddProfile() {
    if (list_.GetItemCount() > ProfilePage::kMaxProfiles - 1) {
        dialogs_.MessageBox(LoadText("KB.DIALOG", 69), LoadText("KB.DIALOG", 66));
        return;
    }
    const std::string name =
        ProfilePage::UniqueName(LoadText("KB.DIALOG", ProfilePage::kTextNewProfileName), list_);
    int id = 0;
    if (const ProfileResult created = mainPage_.CreateProfile(name, id);
        created != ProfileResult::kOk) {
        mainPage_.ShowCreateFailure(created);
        return;
    }
    store_.SetActiveProfile(id);
    const int index = list_.AddItem(name, id, ProfilePage::kProfileIcon);
    list_.SetSelectItem(index);
    rememberedId_ = id;
    changed_ = true;
    LoadPrograms();
}

void ProfileDlg::LoadPrograms() {
    programs_.DeleteAllItems();
    for (const std::string& program : ProgramBindings(store_).ProgramsOf(list_.GetCurData())) {
        programs_.AddItem(program);
    }
}

bool ProfileDlg::ProgramsAvailable() const {
    return focus_ != nullptr && focus_->Following();
}

std::string ProfileDlg::ProgramsUnavailableReason() const {
    return ProgramsAvailable() ? std::string() : LoadText("KB.DIALOG", kTextNoFocusSource);
}

std::vector<FocusedWindow> ProfileDlg::RunningWindows() {
    return ProgramsAvailable() ? focus_->ListWindows() : std::vector<FocusedWindow>();
}

bool ProfileDlg::AddProgramByName(const std::string& name) {
    const int profile = list_.GetCurData();
    if (!ProgramsAvailable() || profile == 0) {
        return false;
    }
    const Binding binding = ProgramBindings(store_).Bind(profile, name);
    const std::string title = LoadText("KB.DIALOG", kTextPrograms);
    switch (binding.result) {
        case BindingResult::kOk:
            LoadPrograms();
            return true;
        case BindingResult::kBadName:
            dialogs_.MessageBox(LoadText("KB.DIALOG", kTextBadProgramName), title);
            return false;
        case BindingResult::kBoundElsewhere: {
            const int index = list_.FindData(binding.holder);
            const std::string holder =
                index >= 0 ? list_.GetItemText(index) : std::to_string(binding.holder);
            dialogs_.MessageBox(BindingText(kTextBoundElsewhere, binding.program, holder), title);
            return false;
        }
        case BindingResult::kStoreFailed:
            dialogs_.MessageBox(store_.LastFailureText(), title);
            return false;
        case BindingResult::kNoProfile:
        case BindingResult::kNotBound:
            break;
    }
    return false;
}

bool ProfileDlg::AddProgramFromWindow(const FocusedWindow& window) {
    // The class names the program most plainly (a game started through a runner has the
    // runner's executable but its own class).
    return AddProgramByName(!window.windowClass.empty() ? window.windowClass
                            : !window.instance.empty()  ? window.instance
                                                        : window.executable);
}

bool ProfileDlg::RemoveSelectedProgram() {
    const std::optional<std::string> program = programs_.GetItem(programs_.GetCurSel());
    if (!ProgramsAvailable() || !program) {
        return false;
    }
    const Binding binding = ProgramBindings(store_).Unbind(list_.GetCurData(), *program);
    if (binding.result == BindingResult::kStoreFailed) {
        dialogs_.MessageBox(store_.LastFailureText(), LoadText("KB.DIALOG", kTextPrograms));
    }
    LoadPrograms();
    return binding.result == BindingResult::kOk;
}

void ProfileDlg::Close(Result result) {
    result_ = result;
    // The main list shows what the dialog added, deleted or renamed.
    if (changed_) {
        mainPage_.RefreshList();
    }
    const int current = mainPage_.CurrentProfile();
    std::string name;
    if (result == Result::kCancelled && store_.GetProfileName(current, name)) {
        // Cancelling keeps the main window's profile: the database's active mark goes back
        // to it, so a later reload does not switch profiles behind the keyboard's back.
        if (store_.GetActiveProfile() != current) {
            store_.SetActiveProfile(current);
        }
        return;
    }
    // Confirmed, or cancelled after deleting the main window's profile: the remembered
    // profile becomes current and is sent to the keyboard.
    if (rememberedId_ != 0 && rememberedId_ != current) {
        mainPage_.ActivateProfile(rememberedId_);
    }
}

}  // namespace zanvor
