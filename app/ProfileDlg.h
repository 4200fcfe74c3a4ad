#pragma once

#include <string>
#include <vector>

#include "app/ProfilePage.h"
#include "platform/FocusSource.h"
#include "ui/ProfileList.h"
#include "ui/ProgramList.h"

namespace zanvor {

class DataStore;
class Dialogs;
class FocusSwitcher;

// The profile dialog: its own profile list where profiles are added, deleted, renamed and
// picked, without sending anything to the keyboard until the dialog is confirmed. Headless
// logic; a view renders List() and the buttons and routes their events to OnMessage.
class ProfileDlg {
  public:
    // Control ids of the dialog.
    enum Control : int {
        kIdCancel = 33,
        kIdAdd = 34,
        kIdList = 35,
        kIdClose = 36,
        kIdOk = 37,
        kIdPrograms = 38,
    };
    enum class Result { kOpen, kCancelled, kConfirmed };

    // `mainPage` is the main window's profile page: the dialog's result is applied to it.
    // `focus`: what follows the window in front; without one running (a desktop that does not
    // tell, or none given) the programs cannot be changed.
    ProfileDlg(DataStore& store, Dialogs& dialogs, ProfilePage& mainPage,
               FocusSwitcher* focus = nullptr);
    ProfileDlg(const ProfileDlg&) = delete;
    ProfileDlg& operator=(const ProfileDlg&) = delete;

    ProfileList& List() { return list_; }
    // The programs bound to the selected profile.
    ProgramList& Programs() { return programs_; }

    // Whether programs can be bound here; the reason (text 2305) when not.
    bool ProgramsAvailable() const;
    std::string ProgramsUnavailableReason() const;
    // The windows on screen, for the picker (listed by title).
    std::vector<FocusedWindow> RunningWindows();
    // Binds a program to the selected profile: typed by name, or the program of a picked
    // window (its window class, else its executable). A refusal is shown (the profile that
    // has the program, or what a name must be). False when nothing was bound.
    bool AddProgramByName(const std::string& name);
    bool AddProgramFromWindow(const FocusedWindow& window);
    // Unbinds the selected entry of Programs().
    bool RemoveSelectedProgram();

    // Loads the list (three default profiles in an empty database) and remembers the
    // active profile.
    void OnInitDialog();
    // A control event of the dialog (buttons: any event is a click).
    void OnMessage(int controlId, int event);

    Result GetResult() const { return result_; }
    // The profile the dialog would make current.
    int RememberedId() const { return rememberedId_; }

  private:
    void AddProfile();
    void LoadPrograms();
    void Close(Result result);

    DataStore& store_;
    Dialogs& dialogs_;
    ProfilePage& mainPage_;
    FocusSwitcher* focus_;
    ProfileList list_{kIdList};
    ProgramList programs_{kIdPrograms};
    int rememberedId_ = 0;
    bool changed_ = false;  // profiles were added, deleted or renamed
    Result result_ = Result::kOpen;
};

}  // namespace zanvor
