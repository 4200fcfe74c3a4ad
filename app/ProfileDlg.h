#pragma once

#include "app/ProfilePage.h"
#include "ui/ProfileList.h"

namespace zanvor {

class DataStore;
class Dialogs;

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
    };
    enum class Result { kOpen, kCancelled, kConfirmed };

    // `mainPage` is the main window's profile page: the dialog's result is applied to it.
    ProfileDlg(DataStore& store, Dialogs& dialogs, ProfilePage& mainPage);
    ProfileDlg(const ProfileDlg&) = delete;
    ProfileDlg& operator=(const ProfileDlg&) = delete;

    ProfileList& List() { return list_; }

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
    void Close(Result result);

    DataStore& store_;
    Dialogs& dialogs_;
    ProfilePage& mainPage_;
    ProfileList list_{kIdList};
    int rememberedId_ = 0;
    bool changed_ = false;  // profiles were added, deleted or renamed
    Result result_ = Result::kOpen;
};

}  // namespace zanvor
