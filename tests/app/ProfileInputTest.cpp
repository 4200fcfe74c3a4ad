// Profile names and changes from outside (the command line, the in-place editor, a disk that
// refuses): names are stored as one line of valid UTF-8, blank names are refused like empty
// ones, and a change the database refuses is shown and changes nothing.

#include <sqlite3.h>

#include <gtest/gtest.h>

#include "ProfileFixture.h"
#include "support/FaultVfs.h"
#include "support/Rows.h"

namespace zanvor {
namespace {

using test::ProfileTest;

TEST_F(ProfileTest, NamesAreStoredOnOneLineAsValidUtf8AndBlankNamesAreRefused) {
    LoadWithProfiles(3);
    const struct {
        const char* given;
        ProfileResult result;
        const char* stored;  // nullptr: nothing stored
    } cases[] = {
        {"Racing", ProfileResult::kOk, "Racing"},
        {"   ", ProfileResult::kEmptyName, nullptr},
        {"\t\n ", ProfileResult::kEmptyName, nullptr},
        {"two\nlines", ProfileResult::kOk, "two lines"},
        {"bad\xff\xfe"
         "bytes",
         ProfileResult::kOk,
         "bad\xEF\xBF\xBD\xEF\xBF\xBD"
         "bytes"},
        {"cut \xC5", ProfileResult::kOk, "cut \xEF\xBF\xBD"},
        {"Zażółć", ProfileResult::kOk, "Zażółć"},
    };
    test::ForEachRow(cases, [&](const auto& c) {
        SCOPED_TRACE(c.given);
        EXPECT_EQ(page->RenameProfileById(2, c.given), c.result);
        int id = 0;
        EXPECT_EQ(page->AddProfileNamed(c.given, id), c.result);
        if (c.stored == nullptr) {
            EXPECT_EQ(id, 0);
            return;
        }
        EXPECT_EQ(StoredName(2), c.stored);
        EXPECT_EQ(StoredName(id), c.stored);
        EXPECT_EQ(list.GetItemText(list.FindData(id)), c.stored);
        ASSERT_EQ(page->DeleteProfileById(id), ProfileResult::kOk);
    });

    // The in-place editor: blanks put the shown name back, other text is cleaned and stored.
    list.SetSelectItem(list.FindData(2));
    list.SetItemText(list.FindData(2), "  ");
    EXPECT_FALSE(page->FinishRename());
    EXPECT_EQ(list.GetItemText(list.FindData(2)), StoredName(2));
    list.SetItemText(list.FindData(2), "a\tb");
    EXPECT_TRUE(page->FinishRename());
    EXPECT_EQ(StoredName(2), "a b");
    EXPECT_EQ(list.GetItemText(list.FindData(2)), "a b");
}

// A disk that refuses: the user is told why, the list, the current profile and the keyboard
// stay as they were.
TEST_F(ProfileTest, AChangeTheDatabaseRefusesIsShownAndChangesNothing) {
    test::FaultVfs vfs;
    store.CloseDatabase();
    ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), "Profile Test"));
    LoadWithProfiles(3);
    const std::vector<int> ids = ListIds();
    const int current = session.currentProfile.load();

    const struct {
        const char* name;
        std::function<void()> change;
    } changes[] = {
        {"add", [&] { page->AddProfile(); }},
        {"delete", [&] { page->DeleteSelectedProfile(); }},
        {"rename",
         [&] {
             list.SetItemText(list.GetSelectItem(), "New name");
             page->FinishRename();
         }},
    };
    for (const auto& change : changes) {
        SCOPED_TRACE(change.name);
        list.SetCurData(current);
        const std::string name = StoredName(current);
        dialogs.ClearHistory();
        vfs.FailWritesFrom(1, SQLITE_FULL);
        change.change();
        vfs.FailWritesFrom(0, SQLITE_OK);

        const auto shown = dialogs.History();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].kind, "message");
        EXPECT_NE(shown[0].text.find("full"), std::string::npos) << shown[0].text;
        EXPECT_NE(shown[0].text.find(store.Path()), std::string::npos) << shown[0].text;
        EXPECT_EQ(ListIds(), ids);
        EXPECT_EQ(session.currentProfile.load(), current);
        EXPECT_EQ(store.GetActiveProfile(), current);
        EXPECT_EQ(StoredName(current), name);
        EXPECT_EQ(list.GetItemText(list.FindData(current)), ProfilePage::DisplayName(name));
        EXPECT_TRUE(tasks.Tasks().empty()) << "nothing goes to the keyboard";
        std::vector<ProfileData> profiles;
        EXPECT_EQ(store.LoadProfiles(profiles), 3);
    }
}

}  // namespace
}  // namespace zanvor
