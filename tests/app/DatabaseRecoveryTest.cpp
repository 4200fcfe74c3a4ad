// A damaged database at start-up: the desktop program says so at once instead of showing an
// empty profile list as if it were the user's, and offers to move the file aside and start
// afresh; the old file is kept.

#include <gtest/gtest.h>

#include <filesystem>

#include "SimSession.h"
#include "app/DevicePages.h"

namespace zanvor {
namespace {

namespace fs = std::filesystem;

class DatabaseRecoveryTest : public test::SimSessionTest,
                             public ::testing::WithParamInterface<bool> {
  protected:
    std::string DatabaseFile() const {
        return DataStore::DatabasePath(DataFolder(), "Zanvor Nova 75 Wireless");
    }
    std::vector<std::string> MovedAside() const {
        std::vector<std::string> moved;
        for (const auto& entry : fs::directory_iterator(DataFolder() + "db")) {
            if (entry.path().string().rfind(DatabaseFile() + ".damaged-", 0) == 0) {
                moved.push_back(entry.path().string());
            }
        }
        return moved;
    }
};

TEST_P(DatabaseRecoveryTest, ADamagedDatabaseIsSaidAndCanBeMovedAsideForAFreshStart) {
    const bool moveAside = GetParam();
    const std::string garbage(4096, '\x42');
    CreateFolders(DataFolder() + "db");
    test::WriteFile(DatabaseFile(), garbage);
    dialogs.QueueAnswer(moveAside);
    Start("101:cable", true, [this] { dialog->Pages().application.OfferDatabaseRecovery(true); });
    ASSERT_TRUE(WaitIdle());

    const auto shown = dialogs.History();
    const auto question = std::find_if(shown.begin(), shown.end(),
                                       [](const auto& s) { return s.kind == "question"; });
    ASSERT_NE(question, shown.end());
    EXPECT_NE(question->text.find(DatabaseFile()), std::string::npos) << question->text;
    EXPECT_NE(question->text.find("damaged"), std::string::npos) << question->text;

    const ProfileList& profiles = dialog->Pages().profile.List();
    if (!moveAside) {
        EXPECT_FALSE(store.IsOpen());
        EXPECT_EQ(profiles.GetItemCount(), 0) << "no profiles pretend to be the user's";
        EXPECT_TRUE(test::ReadFile(DatabaseFile()) == garbage) << "the file is left alone";
        EXPECT_TRUE(MovedAside().empty());
        return;
    }
    ASSERT_TRUE(store.IsOpen());
    EXPECT_EQ(profiles.GetItemCount(), 3) << "a fresh database with its default profiles";
    const std::vector<std::string> moved = MovedAside();
    ASSERT_EQ(moved.size(), 1u);
    EXPECT_TRUE(test::ReadFile(moved[0]) == garbage) << "the old file is kept whole";
    EXPECT_TRUE(dialog->session.ConnectionRead());
}

INSTANTIATE_TEST_SUITE_P(Answers, DatabaseRecoveryTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return std::string(info.param ? "MovedAside" : "LeftAlone");
                         });

}  // namespace
}  // namespace zanvor
