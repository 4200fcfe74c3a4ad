// One process at a time works with the keyboards when no desktop program runs, and a read of
// the keyboard never takes its tables into another profile than the one they belong to.

#include <gtest/gtest.h>

#include "CliFixture.h"
#include "platform/KeyboardLock.h"
#include "platform/Paths.h"
#include "store/DataStore.h"

namespace zanvor::test {
namespace {

constexpr const char* kModel = "Zanvor Nova 75 Wireless";

class KeyboardAccessTest : public CliTest {
  protected:
    // Esc of the base layer in a profile, as "type:value".
    std::string Esc(int profile) {
        DataStore store;
        EXPECT_TRUE(store.OpenDeviceDatabase(DataFolder(), kModel));
        KeyMacroData row;
        store.GetKey(profile, 0, 0x29, row);
        return std::to_string(row.macro_type) + ":" + std::to_string(row.macro_value);
    }
    int ProfileCount() {
        DataStore store;
        EXPECT_TRUE(store.OpenDeviceDatabase(DataFolder(), kModel));
        std::vector<ProfileData> profiles;
        return store.LoadProfiles(profiles);
    }
};

TEST_F(KeyboardAccessTest, ACommandWaitsForTheKeyboardsAndThenSaysWhoKeepsThem) {
    ASSERT_EQ(Zanvorctl("--device 101 profile list").status, 0);
    const int profiles = ProfileCount();
    const struct {
        const char* holder;
        const char* said;
    } cases[] = {
        {"zanvorctl", "another zanvorctl is still using them"},
        {"zanvor-hub", "the desktop program is running with the real keyboards"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.holder);
        KeyboardLock lock;
        ASSERT_EQ(lock.Acquire(KeyboardLockPath(), c.holder, std::chrono::milliseconds(0)),
                  KeyboardLock::Result::kAcquired);
        const Run run =
            Zanvorctl("--device 101 profile add Waiting", "ZANVOR_HUB_LOCK_WAIT_MS=200 ");
        EXPECT_EQ(run.status, 1);
        EXPECT_NE(run.err.find(c.said), std::string::npos) << run.err;
        EXPECT_EQ(ProfileCount(), profiles) << "nothing changed";
    }
    // Released: the next command goes through.
    EXPECT_EQ(Zanvorctl("--device 101 profile add Through").status, 0);
    EXPECT_EQ(ProfileCount(), profiles + 1);
}

// A switch that reached the database but not the keyboard (another process, a kill, a keyboard
// that went away): the next read writes the active profile instead of taking the keyboard's
// tables, which are another profile's, into it.
TEST_F(KeyboardAccessTest, AReadNeverTakesTheKeyboardsTablesIntoAnotherProfile) {
    ASSERT_EQ(Zanvorctl("--device 101 profile activate 1").status, 0);
    ASSERT_EQ(Zanvorctl("--device 101 key set Esc media:101").status, 0);
    ASSERT_EQ(Zanvorctl("--device 101 profile activate 2").status, 0);
    ASSERT_EQ(Zanvorctl("--device 101 key set Esc key:B").status, 0);
    {
        DataStore store;
        ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), kModel));
        ASSERT_TRUE(store.SetActiveProfile(1));  // the keyboard still holds profile 2
    }
    const Run read = Zanvorctl("--device 101 key list");
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_EQ(Esc(1), "6:101") << "profile 1 kept its own Esc";
    EXPECT_EQ(Esc(2), "2:5");

    // The keyboard got profile 1: switching to 2 and back reads nothing wrong either.
    ASSERT_EQ(Zanvorctl("--device 101 profile activate 2").status, 0);
    ASSERT_EQ(Zanvorctl("--device 101 profile activate 1").status, 0);
    EXPECT_EQ(Esc(1), "6:101");
    EXPECT_EQ(Esc(2), "2:5");
}

}  // namespace
}  // namespace zanvor::test
