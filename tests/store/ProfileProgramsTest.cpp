// Programs bound to profiles: how the app column holds them, and the rule that a program
// belongs to one profile at most.
#include <sqlite3.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "StoreFixture.h"
#include "store/ProfilePrograms.h"

namespace zanvor::test {
namespace {

using Programs = std::vector<std::string>;

TEST(ProfileProgramsTextTest, ColumnTextReadsAsTheListItWasWrittenFrom) {
    const struct {
        const char* app;
        Programs programs;
    } cases[] = {
        {"", {}},
        {"dota2", {"dota2"}},
        {"dota2\nsteam_app_570", {"dota2", "steam_app_570"}},
        // Hand-edited or foreign text: blanks, empty lines, CR and repeats in another case.
        {" dota2 \r\n\n\nDOTA2\nfactorio\n", {"dota2", "factorio"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ParseProfilePrograms(c.app), c.programs) << c.app;
        EXPECT_EQ(ParseProfilePrograms(JoinProfilePrograms(c.programs)), c.programs) << c.app;
    }
    EXPECT_EQ(JoinProfilePrograms({"a", "b"}), "a\nb");
}

TEST(ProfileProgramsTextTest, TypedNamesBecomeFileNamesOrNothing) {
    const struct {
        std::string typed;
        std::string identity;
    } cases[] = {
        {"  dota2  ", "dota2"},
        {"/usr/games/factorio", "factorio"},
        {"steam_app_570", "steam_app_570"},
        {"Żółw", "Żółw"},
        {"", ""},
        {"   ", ""},
        {"/usr/bin/", ""},
        {"two\nlines", ""},  // would split into two programs in the column
        {"tab\there", ""},
        {std::string(255, 'x'), std::string(255, 'x')},
        {std::string(256, 'x'), ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgramIdentity(c.typed), c.identity) << c.typed;
    }
    EXPECT_TRUE(SameProgram("Steam_App_570", "steam_app_570"));
    EXPECT_FALSE(SameProgram("dota", "dota2"));
}

class ProfileBindingTest : public StoreTest {
  protected:
    void SetUp() override {
        StoreTest::SetUp();
        for (const char* name : {"A", "B"}) {
            ProfileData profile;
            profile.name = name;
            ASSERT_GT(store.InsertProfile(profile), 0);
        }
    }
    Programs ProgramsOf(int profile) {
        Programs programs{"stale"};
        EXPECT_TRUE(store.GetProfilePrograms(profile, programs));
        return programs;
    }
    using Outcome = DataStore::BindOutcome;
};

TEST_F(ProfileBindingTest, AProgramBelongsToOneProfileAtMost) {
    int holder = -1;
    EXPECT_EQ(store.BindProgram(1, "dota2", holder), Outcome::kOk);
    EXPECT_EQ(holder, 0);
    EXPECT_EQ(store.BindProgram(1, "steam_app_570", holder), Outcome::kOk);
    EXPECT_EQ(store.BindProgram(1, "DOTA2", holder), Outcome::kOk) << "has it already";
    EXPECT_EQ(Rows("SELECT app FROM t_profile_data WHERE profile = 1"),
              (std::vector<std::vector<std::string>>{{"dota2\nsteam_app_570"}}));

    EXPECT_EQ(store.BindProgram(2, "Dota2", holder), Outcome::kBoundElsewhere);
    EXPECT_EQ(holder, 1);
    EXPECT_EQ(ProgramsOf(2), Programs{}) << "nothing stored for the refused binding";

    EXPECT_EQ(store.UnbindProgram(2, "dota2"), Outcome::kNotBound);
    EXPECT_EQ(store.UnbindProgram(1, "DOTA2"), Outcome::kOk);
    EXPECT_EQ(ProgramsOf(1), Programs{"steam_app_570"});
    EXPECT_EQ(store.BindProgram(2, "dota2", holder), Outcome::kOk) << "free again";
    EXPECT_EQ(ProgramsOf(2), Programs{"dota2"});

    EXPECT_EQ(store.BindProgram(9, "factorio", holder), Outcome::kNoProfile);
    EXPECT_EQ(store.UnbindProgram(9, "factorio"), Outcome::kNoProfile);
    Programs none;
    EXPECT_FALSE(store.GetProfilePrograms(9, none));
}

TEST_F(ProfileBindingTest, AnOlderDatabaseWithNullOrEmptyAppHasNoPrograms) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(dbPath().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "UPDATE t_profile_data SET app = NULL WHERE profile = 1", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(ProgramsOf(1), Programs{});
    EXPECT_EQ(ProgramsOf(2), Programs{});
    int holder = 0;
    EXPECT_EQ(store.BindProgram(1, "factorio", holder), Outcome::kOk);
    EXPECT_EQ(ProgramsOf(1), Programs{"factorio"});
}

TEST_F(ProfileBindingTest, WithoutADatabaseNothingIsBound) {
    store.CloseDatabase();
    int holder = 0;
    EXPECT_EQ(store.BindProgram(1, "dota2", holder), Outcome::kFailed);
    EXPECT_EQ(store.UnbindProgram(1, "dota2"), Outcome::kFailed);
}

}  // namespace
}  // namespace zanvor::test
