// The profile dialog: its own list, its commands, and what reaches the main window when it
// is confirmed or cancelled.

#include "app/ProfileDlg.h"

#include <gtest/gtest.h>

#include "ProfileFixture.h"
#include "app/FocusSwitcher.h"
#include "app/HeadlessHost.h"

namespace zanvor {
namespace {

class ProfileDlgTest : public test::ProfileTest {
  protected:
    void Open() {
        dlg = std::make_unique<ProfileDlg>(store, dialogs, *page);
        dlg->OnInitDialog();
    }
    void Click(int control) { dlg->OnMessage(control, 1); }

    std::vector<int> DialogIds() const {
        std::vector<int> ids;
        for (const ProfileListItem& item : dlg->List().GetItems()) {
            ids.push_back(item.data);
        }
        return ids;
    }

    std::unique_ptr<ProfileDlg> dlg;
};

TEST_F(ProfileDlgTest, OpensOnTheProfilesWithTheActiveOneRemembered) {
    LoadWithProfiles(3);
    store.RenameProfile(3, "我的專屬配寘 3");
    list.ClickItem(1);
    tasks.Clear();

    Open();

    EXPECT_EQ(DialogIds(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(dlg->List().GetItemText(2), "My profile 3");
    EXPECT_EQ(dlg->RememberedId(), 2);
    EXPECT_EQ(dlg->List().GetCurData(), 2);
    EXPECT_EQ(dlg->GetResult(), ProfileDlg::Result::kOpen);
}

TEST_F(ProfileDlgTest, AnEmptyDatabaseGetsDefaultsWithKeyRowsForEach) {
    Open();
    EXPECT_EQ(dlg->List().GetItemText(0), "My profile 1");
    EXPECT_EQ(dlg->List().GetItemText(2), "My profile 3");
    EXPECT_EQ(calls, (std::vector<std::string>{"keys 1", "keys 2", "keys 3"}));
    EXPECT_EQ(dlg->RememberedId(), 1);
}

TEST_F(ProfileDlgTest, AProfileAddedAndConfirmedBecomesCurrentInTheMainList) {
    LoadWithProfiles(3);
    Open();

    Click(ProfileDlg::kIdAdd);
    EXPECT_TRUE(tasks.Tasks().empty()) << "nothing is sent while the dialog is open";
    EXPECT_EQ(dlg->List().GetItemText(3), "My profile 4") << "named as the main list names it";
    EXPECT_EQ(dlg->RememberedId(), 4);
    Click(ProfileDlg::kIdOk);

    EXPECT_EQ(dlg->GetResult(), ProfileDlg::Result::kConfirmed);
    EXPECT_EQ(ListIds(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_EQ(list.GetCurData(), 4);
    EXPECT_EQ(session.currentProfile.load(), 4);
    EXPECT_EQ(store.GetActiveProfile(), 4);
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{6});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM t_config_data WHERE profile = 4"),
              (std::vector<std::vector<std::string>>{{"33"}}));
}

TEST_F(ProfileDlgTest, TheLimitMessageUsesTheDialogsTexts) {
    LoadWithProfiles(10);
    Open();
    Click(ProfileDlg::kIdAdd);
    const auto shown = dialogs.History();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, "You can create at most 10 profiles!");
    EXPECT_EQ(shown[0].caption, "Add profile");
    EXPECT_EQ(dlg->List().GetItemCount(), 10);
}

TEST_F(ProfileDlgTest, ConfirmingTheCurrentProfileSendsNothing) {
    LoadWithProfiles(3);
    Open();
    Click(ProfileDlg::kIdOk);
    EXPECT_TRUE(tasks.Tasks().empty());
    EXPECT_EQ(session.currentProfile.load(), 1);
}

TEST_F(ProfileDlgTest, PickingAnEntryAndConfirmingSwitchesTheMainWindow) {
    LoadWithProfiles(3);
    Open();
    dlg->List().ClickItem(2);
    EXPECT_EQ(store.GetActiveProfile(), 3);
    EXPECT_EQ(session.currentProfile.load(), 1) << "the main window switches only on OK";

    Click(ProfileDlg::kIdOk);

    EXPECT_EQ(session.currentProfile.load(), 3);
    EXPECT_EQ(list.GetCurData(), 3);
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{6});
}

TEST_F(ProfileDlgTest, CancellingLeavesTheMainWindowsProfileActive) {
    LoadWithProfiles(3);
    Open();
    dlg->List().ClickItem(2);

    Click(ProfileDlg::kIdCancel);

    EXPECT_EQ(dlg->GetResult(), ProfileDlg::Result::kCancelled);
    EXPECT_EQ(session.currentProfile.load(), 1);
    EXPECT_EQ(store.GetActiveProfile(), 1);
    EXPECT_TRUE(tasks.Tasks().empty());
    Click(ProfileDlg::kIdOk);
    EXPECT_EQ(dlg->GetResult(), ProfileDlg::Result::kCancelled) << "a closed dialog stays closed";
}

TEST_F(ProfileDlgTest, DeletingTheCurrentProfileInTheDialogSwitchesEvenOnClose) {
    LoadWithProfiles(3);
    Open();
    dialogs.QueueAnswer(false);
    dlg->List().RequestContext(0);  // the delete icon of profile 1, the current one
    EXPECT_EQ(DialogIds(), (std::vector<int>{1, 2, 3})) << "declined";
    dialogs.QueueAnswer(true);
    dlg->List().RequestContext(0);
    EXPECT_EQ(DialogIds(), (std::vector<int>{2, 3}));
    EXPECT_EQ(dlg->RememberedId(), 2);
    EXPECT_TRUE(tasks.Tasks().empty());

    Click(ProfileDlg::kIdClose);

    EXPECT_EQ(ListIds(), (std::vector<int>{2, 3})) << "the main list no longer offers it";
    EXPECT_EQ(session.currentProfile.load(), 2);
    EXPECT_EQ(list.GetCurData(), 2);
    EXPECT_EQ(store.GetActiveProfile(), 2);
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{6});
}

TEST_F(ProfileDlgTest, RenamesReachTheMainListAndEmptyOnesAreUndone) {
    LoadWithProfiles(3);
    Open();
    ProfileList& dialogList = dlg->List();
    dialogList.SetSelectItem(1);
    dialogList.ShowEdit(1);
    dialogList.FinishEdit("");
    EXPECT_EQ(dialogList.GetItemText(1), "My profile 2");
    dialogList.ShowEdit(1);
    dialogList.FinishEdit("Office");

    Click(ProfileDlg::kIdCancel);

    EXPECT_EQ(StoredName(2), "Office");
    EXPECT_EQ(list.GetItemText(1), "Office");
    EXPECT_EQ(list.GetCurData(), 1);
}

// A desktop whose windows the test lists; it reports no focus change.
class ListedWindows : public FocusSource {
  public:
    explicit ListedWindows(std::vector<FocusedWindow> windows) : windows_(std::move(windows)) {}
    bool Start(Callback, std::string&) override { return true; }
    void Stop() override {}
    std::vector<FocusedWindow> ListWindows() override { return windows_; }

  private:
    std::vector<FocusedWindow> windows_;
};

class ProfileProgramsDlgTest : public ProfileDlgTest {
  protected:
    void OpenWithFocus() {
        focus = std::make_unique<FocusSwitcher>(store, session, tasks, list, host,
                                                FocusSwitcher::Hooks{});
        std::string error;
        ASSERT_TRUE(focus->Start(
            std::make_unique<ListedWindows>(std::vector<FocusedWindow>{
                {7, 100, "wine64-preloader", "steam_app_570", "steam_app_570", "Dota 2"},
                {8, 101, "factorio", "", "", "Factorio"}}),
            error));
        dlg = std::make_unique<ProfileDlg>(store, dialogs, *page, focus.get());
        dlg->OnInitDialog();
    }
    std::vector<std::string> Shown() { return dlg->Programs().GetItems(); }

    HeadlessHost host;
    std::unique_ptr<FocusSwitcher> focus;
};

TEST_F(ProfileProgramsDlgTest, ProgramsAreAddedFromWindowsOrByNameAndRemovedPerProfile) {
    LoadWithProfiles(3);
    OpenWithFocus();
    ASSERT_TRUE(dlg->ProgramsAvailable());
    EXPECT_EQ(dlg->ProgramsUnavailableReason(), "");
    const std::vector<FocusedWindow> windows = dlg->RunningWindows();
    ASSERT_EQ(windows.size(), 2u);
    EXPECT_EQ(windows[0].title, "Dota 2");

    // A game started by a runner is bound by its window class; a window without a class by
    // its executable.
    EXPECT_TRUE(dlg->AddProgramFromWindow(windows[0]));
    EXPECT_TRUE(dlg->AddProgramFromWindow(windows[1]));
    EXPECT_TRUE(dlg->AddProgramByName(" /opt/games/hl2_linux "));
    EXPECT_EQ(Shown(), (std::vector<std::string>{"steam_app_570", "factorio", "hl2_linux"}));

    dlg->Programs().Select(1);
    EXPECT_TRUE(dlg->RemoveSelectedProgram());
    EXPECT_EQ(Shown(), (std::vector<std::string>{"steam_app_570", "hl2_linux"}));

    // Another profile has its own programs; one of the first profile's is refused with the
    // name of the profile that has it.
    dlg->List().ClickItem(1);
    EXPECT_TRUE(Shown().empty());
    EXPECT_FALSE(dlg->AddProgramByName("STEAM_APP_570"));
    ASSERT_EQ(dialogs.HistoryOf("message").size(), 1u);
    EXPECT_EQ(dialogs.HistoryOf("message")[0].text,
              "STEAM_APP_570 is already bound to the profile 'My profile 1'.");
    EXPECT_FALSE(dlg->AddProgramByName("a\nb"));
    EXPECT_FALSE(dlg->AddProgramByName("   "));
    EXPECT_EQ(dialogs.HistoryOf("message").size(), 3u);
    EXPECT_TRUE(Shown().empty());
    dlg->List().ClickItem(0);
    EXPECT_EQ(Shown(), (std::vector<std::string>{"steam_app_570", "hl2_linux"}));
}

TEST_F(ProfileProgramsDlgTest, WithoutAFocusSourceProgramsCannotBeChangedAndTheReasonIsPlain) {
    LoadWithProfiles(2);
    int holder = 0;
    ASSERT_EQ(store.BindProgram(1, "dota2", holder), DataStore::BindOutcome::kOk);
    Open();
    EXPECT_FALSE(dlg->ProgramsAvailable());
    EXPECT_EQ(dlg->ProgramsUnavailableReason(),
              "This desktop does not tell programs which window is in front");
    EXPECT_EQ(Shown(), std::vector<std::string>{"dota2"}) << "still shown";
    EXPECT_FALSE(dlg->AddProgramByName("factorio"));
    dlg->Programs().Select(0);
    EXPECT_FALSE(dlg->RemoveSelectedProgram());
    EXPECT_TRUE(dlg->RunningWindows().empty());
    EXPECT_EQ(Shown(), std::vector<std::string>{"dota2"});
}

}  // namespace
}  // namespace zanvor
