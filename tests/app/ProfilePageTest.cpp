// The main window's profile commands over a real database: the default profiles, adding up
// to the limit, deleting with its selection rules, renaming, switching and display names.

#include <gtest/gtest.h>

#include "ProfileFixture.h"
#include "support/CaseName.h"

namespace zanvor {
namespace {

using test::ProfileTest;

TEST_F(ProfileTest, FirstStartCreatesThreeDefaultProfilesWithTheirRows) {
    session.currentLayer = 2;
    EXPECT_EQ(page->LoadProfileList(), 3);

    EXPECT_EQ(ListTexts(),
              (std::vector<std::string>{"My profile 1", "My profile 2", "My profile 3"}));
    EXPECT_EQ(ListIds(), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Rows("SELECT profile, name, status, icon_image FROM t_profile_data ORDER BY profile"),
              (std::vector<std::vector<std::string>>{
                  {"1", "My profile 1", "1", "icon\\icon_profile.png"},
                  {"2", "My profile 2", "0", "icon\\icon_profile.png"},
                  {"3", "My profile 3", "0", "icon\\icon_profile.png"}}));
    EXPECT_EQ(Rows("SELECT profile, COUNT(*) FROM t_config_data GROUP BY profile"),
              (std::vector<std::vector<std::string>>{{"1", "33"}, {"2", "33"}, {"3", "33"}}));
    EXPECT_EQ(Rows("SELECT layer_id, profile FROM t_musiclayer_data ORDER BY layer_id"),
              (std::vector<std::vector<std::string>>{{"1", "1"}, {"2", "2"}, {"3", "3"}}));
    EXPECT_EQ(Rows("SELECT profile, COUNT(*) FROM t_customlight_data GROUP BY profile"),
              (std::vector<std::vector<std::string>>{{"1", "1"}, {"2", "1"}, {"3", "1"}}));

    EXPECT_EQ(session.currentProfile.load(), 1);
    EXPECT_EQ(session.currentLayer.load(), 0);
    EXPECT_EQ(list.GetCurData(), 1);
    EXPECT_EQ(list.GetScrollPos(), 0);
    // Key rows for the first profile only; then the keyboard is read, then the pages refresh.
    EXPECT_EQ(calls, (std::vector<std::string>{"keys 1", "read", "refresh"}));
    EXPECT_TRUE(tasks.Tasks().empty());
}

TEST_F(ProfileTest, ReloadingKeepsTheProfilesAndTheActiveOne) {
    page->LoadProfileList();
    list.ClickItem(2);
    page->LoadProfileList();
    EXPECT_EQ(list.GetItemCount(), 3);
    EXPECT_EQ(session.currentProfile.load(), 3);
    EXPECT_EQ(list.GetCurData(), 3);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM t_config_data"),
              (std::vector<std::vector<std::string>>{{"99"}}));
}

TEST_F(ProfileTest, WithoutADatabaseTheListStaysEmpty) {
    store.CloseDatabase();
    EXPECT_EQ(page->LoadProfileList(), 0);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_EQ(page->AddProfile(), 0);
    EXPECT_EQ(list.GetItemCount(), 0);
    EXPECT_TRUE(tasks.Tasks().empty()) << "a failed insert posts nothing";
}

TEST_F(ProfileTest, NoActiveRowMakesTheFirstProfileActive) {
    page->LoadProfileList();
    store.SetActiveProfile(77);  // clears every status, marks nothing
    ASSERT_EQ(store.GetActiveProfile(), 0);
    page->LoadProfileList();
    EXPECT_EQ(session.currentProfile.load(), 1);
    EXPECT_EQ(store.GetActiveProfile(), 1);
}

TEST_F(ProfileTest, AddingWithNineProfilesAddsATenthThatBecomesCurrent) {
    LoadWithProfiles(9);

    const int id = page->AddProfile();

    EXPECT_EQ(id, 10);
    EXPECT_EQ(list.GetItemCount(), 10);
    EXPECT_EQ(list.GetItemText(9), "My profile 10");
    EXPECT_EQ(list.GetCurData(), 10);
    EXPECT_EQ(session.currentProfile.load(), 10);
    EXPECT_EQ(store.GetActiveProfile(), 10);
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{6});
    EXPECT_EQ(calls, std::vector<std::string>{"keys 10"});
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM t_config_data WHERE profile = 10"),
              (std::vector<std::vector<std::string>>{{"33"}}));
}

TEST_F(ProfileTest, AddingWithTenProfilesShowsTheLimitMessageAndChangesNothing) {
    LoadWithProfiles(10);

    EXPECT_EQ(page->AddProfile(), 0);

    const auto shown = dialogs.History();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].kind, "message");
    EXPECT_EQ(shown[0].text, "You can create at most 10 profiles!");
    EXPECT_EQ(shown[0].caption, "Add profile");
    EXPECT_EQ(list.GetItemCount(), 10);
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM t_profile_data"),
              (std::vector<std::vector<std::string>>{{"10"}}));
    EXPECT_TRUE(tasks.Tasks().empty());
    int id = 0;
    EXPECT_EQ(page->AddProfileNamed("More", id), ProfileResult::kLimitReached);
    EXPECT_EQ(dialogs.History().size(), 1u) << "the command line gets no message box";
}

TEST_F(ProfileTest, NewNamesTakeTheFirstFreeNumber) {
    page->LoadProfileList();
    list.SetItemText(1, "Gaming");  // "My profile 2" is free now
    EXPECT_EQ(ProfilePage::UniqueName("My profile", list), "My profile 2");
    EXPECT_EQ(ProfilePage::UniqueName("Other", list), "Other 1");
}

struct DeleteCase {
    const char* name;
    int selectIndex;
    std::vector<int> idsAfter;
    int selectedAfter;
};

class DeleteProfileTest : public ProfileTest, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(DeleteProfileTest, SelectsTheEntryBeforeOrTheNewFirst) {
    const DeleteCase& c = GetParam();
    LoadWithProfiles(3);
    list.SetSelectItem(c.selectIndex);
    dialogs.QueueAnswer(false);
    EXPECT_TRUE(page->OnContextCommand(ProfilePage::kCommandDelete));
    EXPECT_EQ(ListIds(), (std::vector<int>{1, 2, 3})) << "the question was declined";

    dialogs.QueueAnswer(true);
    EXPECT_TRUE(page->OnContextCommand(ProfilePage::kCommandDelete));

    EXPECT_EQ(ListIds(), c.idsAfter);
    EXPECT_EQ(list.GetCurData(), c.selectedAfter);
    EXPECT_EQ(session.currentProfile.load(), c.selectedAfter);
    EXPECT_EQ(store.GetActiveProfile(), c.selectedAfter);
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{6});
    // Only the profile row goes; the profile's other rows stay behind.
    const std::string deleted = std::to_string(c.selectIndex + 1);
    EXPECT_TRUE(Rows("SELECT * FROM t_profile_data WHERE profile = " + deleted).empty());
    EXPECT_EQ(Rows("SELECT COUNT(*) FROM t_config_data WHERE profile = " + deleted),
              (std::vector<std::vector<std::string>>{{"33"}}));
}

INSTANTIATE_TEST_SUITE_P(Entries, DeleteProfileTest,
                         ::testing::Values(DeleteCase{"First", 0, {2, 3}, 2},
                                           DeleteCase{"Second", 1, {1, 3}, 1},
                                           DeleteCase{"Last", 2, {1, 2}, 2}),
                         [](const auto& info) { return info.param.name; });

TEST_F(ProfileTest, TheLastProfileOrNoSelectionIsNeverDeleted) {
    LoadWithProfiles(3);
    list.SetSelectItem(-1);
    EXPECT_FALSE(page->DeleteSelectedProfile());
    list.SetSelectItem(0);
    ASSERT_TRUE(page->DeleteSelectedProfile());
    ASSERT_TRUE(page->DeleteSelectedProfile());
    tasks.Clear();

    EXPECT_FALSE(page->DeleteSelectedProfile());

    EXPECT_EQ(ListIds(), std::vector<int>{3});
    EXPECT_EQ(Rows("SELECT profile FROM t_profile_data"),
              (std::vector<std::vector<std::string>>{{"3"}}));
    EXPECT_TRUE(tasks.Tasks().empty());
    EXPECT_EQ(page->DeleteProfileById(3), ProfileResult::kLastProfile);
}

TEST_F(ProfileTest, IdsAreNeverReusedAfterADeletion) {
    LoadWithProfiles(3);
    list.SetSelectItem(1);
    ASSERT_TRUE(page->DeleteSelectedProfile());

    EXPECT_EQ(page->AddProfile(), 4);

    MusicLayerData layer;
    ASSERT_TRUE(store.GetMusicLayer(4, layer));
    EXPECT_EQ(layer.profile, 4);
    EXPECT_EQ(list.GetItemText(2), "My profile 2") << "the deleted profile's name is free again";
}

TEST_F(ProfileTest, AnEmptyRenameKeepsTheOldNameAndOthersAreStored) {
    LoadWithProfiles(3);
    list.SetSelectItem(1);
    ASSERT_TRUE(page->OnContextCommand(ProfilePage::kCommandRename));
    ASSERT_EQ(list.EditItem(), 1);

    list.FinishEdit("");
    EXPECT_EQ(list.GetItemText(1), "My profile 2");
    EXPECT_EQ(StoredName(2), "My profile 2");

    list.ShowEdit(1);
    list.FinishEdit("Gaming ünd Spaß");
    EXPECT_EQ(StoredName(2), "Gaming ünd Spaß");
    EXPECT_TRUE(tasks.Tasks().empty()) << "a name is not sent to the keyboard";
}

TEST_F(ProfileTest, ClickingAnEntrySwitchesBehindABusyDialog) {
    LoadWithProfiles(3);
    dialogs.ShowBusy("earlier");

    list.ClickItem(2);

    EXPECT_EQ(session.currentProfile.load(), 3);
    EXPECT_EQ(store.GetActiveProfile(), 3);
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{6});
    EXPECT_TRUE(dialogs.BusyShown());
    const auto shown = dialogs.History();
    EXPECT_EQ(
        std::count_if(shown.begin(), shown.end(), [](const auto& s) { return s.kind == "busy"; }),
        2);
}

TEST_F(ProfileTest, ContextRequestAndExportGoThroughTheHooks) {
    LoadWithProfiles(3);
    list.RequestContext(1);
    EXPECT_TRUE(page->OnContextCommand(ProfilePage::kCommandExport));
    EXPECT_FALSE(page->OnContextCommand(603));
    EXPECT_EQ(calls, (std::vector<std::string>{"menu", "export 2"}));
}

struct NameCase {
    std::string stored;
    std::string shown;  // in the main list and in the profile dialog alike
};

class DisplayNameTest : public ProfileTest, public ::testing::WithParamInterface<NameCase> {
  protected:
    void SetUp() override {
        ProfileTest::SetUp();
        SetActiveLanguageId(1045);
    }
};

TEST_P(DisplayNameTest, DefaultPrefixesAreShownInTheCurrentLanguage) {
    const NameCase& c = GetParam();
    EXPECT_EQ(ProfilePage::DisplayName(c.stored), c.shown);
}

INSTANTIATE_TEST_SUITE_P(
    Names, DisplayNameTest,
    ::testing::Values(NameCase{"Profile 7", "Profil 7"}, NameCase{"ProfileX", "ProfilX"},
                      NameCase{"配置文件 2", "Profil 2"},
                      NameCase{"我的專屬配寘 3", "Mój profil 3"},
                      NameCase{"profile 1", "profile 1"}, NameCase{"Profil", "Profil"},
                      NameCase{"Gaming", "Gaming"},
                      // Default names made in any installed language.
                      NameCase{"My profile 3", "Mój profil 3"},
                      NameCase{"Mein Profil 12", "Mój profil 12"}, NameCase{"Perfil 2", "Profil 2"},
                      NameCase{"My profile", "My profile"},
                      NameCase{"My profile 3b", "My profile 3b"},
                      NameCase{"My profile for games", "My profile for games"}),
    [](const auto& info) { return test::CaseName(info.param.stored, info.index); });

TEST_F(ProfileTest, TheListShowsStoredDefaultNamesInTheCurrentLanguage) {
    page->LoadProfileList();
    store.RenameProfile(2, "Profile 2");
    SetActiveLanguageId(1045);
    page->LoadProfileList();
    EXPECT_EQ(list.GetItemText(1), "Profil 2");
    EXPECT_EQ(list.GetItemText(0), "Mój profil 1") << "a default name made in English";

    list.SetSelectItem(1);
    list.ShowEdit(1);
    list.FinishEdit("");
    EXPECT_EQ(list.GetItemText(1), "Profil 2") << "the entry shows what it showed before";
    EXPECT_EQ(StoredName(2), "Profile 2");
}

TEST_F(ProfileTest, DefaultNamesFollowALanguageSwitchAndNewOnesCountOn) {
    PageRegistry registry;
    page->Register(registry);
    SetActiveLanguage(1033);
    page->LoadProfileList();
    store.RenameProfile(3, "Gaming");
    page->RefreshList();

    SetActiveLanguage(1045);
    EXPECT_EQ(ListTexts(), (std::vector<std::string>{"Mój profil 1", "Mój profil 2", "Gaming"}));
    int id = 0;
    ASSERT_EQ(page->AddProfileNamed("", id), ProfileResult::kOk);
    EXPECT_EQ(list.GetItemText(3), "Mój profil 3") << "the first number no listed name has";
    SetActiveLanguage(1033);
    EXPECT_EQ(ListTexts(),
              (std::vector<std::string>{"My profile 1", "My profile 2", "Gaming", "My profile 3"}));
}

TEST_F(ProfileTest, CommandsByIdReportWhatWentWrong) {
    LoadWithProfiles(3);
    int id = 0;
    EXPECT_EQ(page->AddProfileNamed("Work", id), ProfileResult::kOk);
    EXPECT_EQ(id, 4);
    EXPECT_EQ(list.GetItemText(3), "Work");
    EXPECT_EQ(session.currentProfile.load(), 4);

    EXPECT_EQ(page->RenameProfileById(2, ""), ProfileResult::kEmptyName);
    EXPECT_EQ(page->RenameProfileById(9, "x"), ProfileResult::kNotFound);
    EXPECT_EQ(page->RenameProfileById(2, "Games"), ProfileResult::kOk);
    EXPECT_EQ(list.GetItemText(1), "Games");
    EXPECT_EQ(StoredName(2), "Games");

    tasks.Clear();
    // Deleting another profile keeps the current one and sends nothing.
    EXPECT_EQ(page->DeleteProfileById(2), ProfileResult::kOk);
    EXPECT_EQ(ListIds(), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(session.currentProfile.load(), 4);
    EXPECT_EQ(list.GetCurData(), 4);
    EXPECT_TRUE(tasks.Tasks().empty());
    EXPECT_EQ(page->DeleteProfileById(2), ProfileResult::kNotFound);

    // Deleting the current one switches to the entry before it.
    EXPECT_EQ(page->DeleteProfileById(4), ProfileResult::kOk);
    EXPECT_EQ(session.currentProfile.load(), 3);
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{6});

    tasks.Clear();
    EXPECT_EQ(page->ActivateProfile(3), ProfileResult::kOk);
    EXPECT_TRUE(tasks.Tasks().empty()) << "already current";
    EXPECT_EQ(page->ActivateProfile(1), ProfileResult::kOk);
    EXPECT_EQ(store.GetActiveProfile(), 1);
    EXPECT_EQ(list.GetCurData(), 1);
    EXPECT_EQ(tasks.Tasks(), std::vector<int>{6});
    EXPECT_EQ(page->ActivateProfile(4), ProfileResult::kNotFound);
}

}  // namespace
}  // namespace zanvor
