// Profiles asked for by name through the SDK hub, run by the program's own profile commands:
// the names as the list shows them, a load that switches, a save that stores the current
// lighting (creating the profile within the limit), a delete that never takes the last one.

#include <gtest/gtest.h>

#include "app/DevicePages.h"
#include "app/SimSession.h"
#include "lighting/LightRows.h"
#include "serve/KeyboardHub.h"
#include "store/DataStore.h"

namespace zanvor::test {
namespace {

class KeyboardHubProfileTest : public SimSessionTest {
  protected:
    void SetUp() override {
        SimSessionTest::SetUp();
        Start("101:cable");
        dialog->deviceList.ClickDevice(101);
        ASSERT_TRUE(WaitIdle());
        ASSERT_TRUE(dialog->session.ConnectionRead());
        hub = std::make_unique<KeyboardHub>(*dialog);
    }
    void TearDown() override {
        hub.reset();
        SimSessionTest::TearDown();
    }
    // A client's request, run as the UI thread runs it.
    void Ask(uint32_t packetId, const std::string& name) {
        hub->ProfileRequest(packetId, name);
        ASSERT_TRUE(WaitIdle());
    }
    int IdOf(const std::string& name) { return dialog->Pages().profile.FindProfileByName(name); }
    int Current() const { return dialog->session.currentProfile.load(); }

    std::unique_ptr<KeyboardHub> hub;
};

TEST_F(KeyboardHubProfileTest, ProfilesAreListedLoadedSavedAndDeletedByName) {
    ProfileList& list = dialog->Pages().profile.List();
    std::vector<std::string> shown;
    for (int i = 0; i < list.GetItemCount(); ++i) {
        shown.push_back(list.GetItemText(i));
    }
    ASSERT_EQ(shown.size(), 3u);
    EXPECT_EQ(hub->ProfileNames(), shown);

    // The current profile's lighting: a main mode with its own speed, and a custom colour set.
    const int first = Current();
    ASSERT_TRUE(EnsureDefaultLightRows(store, first, 101));
    LightData wave;
    ASSERT_TRUE(store.GetLightRow(first, kLightMain, 3, wave));
    wave.speed = 1;
    ASSERT_TRUE(store.UpdateLightRow(kLightMain, 3, wave));
    ASSERT_TRUE(store.SetActiveLightMode(first, kLightMain, 3));
    ASSERT_EQ(store.InsertUserLightColors({{0, first, kCustomModeFirst + 1, 0x29, 0x123456}}), 1);

    // Saved under a new name: a new profile with that lighting; the current one stays.
    Ask(kSdkRequestSaveProfile, "Evening");
    const int evening = IdOf("Evening");
    ASSERT_NE(evening, 0);
    EXPECT_EQ(Current(), first);
    EXPECT_EQ(list.GetItemCount(), 4);
    EXPECT_EQ(store.GetActiveLightMode(evening, kLightMain), 3);
    LightData copied;
    ASSERT_TRUE(store.GetLightRow(evening, kLightMain, 3, copied));
    EXPECT_EQ(copied.speed, 1);
    std::vector<UserLightRgbData> colors;
    ASSERT_EQ(store.ListUserLightColors(evening, kCustomModeFirst + 1, colors), 1);
    EXPECT_EQ(colors[0].key_rgb, 0x123456);

    // Saved under a name shown in the list: that profile takes the lighting, none is added.
    const int second = IdOf(shown[1]);
    ASSERT_NE(second, 0);
    Ask(kSdkRequestSaveProfile, shown[1]);
    EXPECT_EQ(store.CountProfiles(), 4);
    EXPECT_EQ(store.GetActiveLightMode(second, kLightMain), 3);

    // Load switches as the list does.
    Ask(kSdkRequestLoadProfile, "Evening");
    EXPECT_EQ(Current(), evening);
    EXPECT_EQ(store.GetActiveProfile(), evening);
    Ask(kSdkRequestLoadProfile, "Nobody");
    EXPECT_EQ(Current(), evening);

    // Blank names create nothing; at the limit nothing more is created.
    Ask(kSdkRequestSaveProfile, "   ");
    EXPECT_EQ(store.CountProfiles(), 4);
    for (int i = 5; i <= 11; ++i) {
        Ask(kSdkRequestSaveProfile, "Extra " + std::to_string(i));
    }
    EXPECT_EQ(store.CountProfiles(), ProfilePage::kMaxProfiles);
    EXPECT_EQ(IdOf("Extra 11"), 0);
    EXPECT_EQ(list.GetItemCount(), ProfilePage::kMaxProfiles);

    // Deleting the current profile selects another; the last one is never deleted.
    Ask(kSdkRequestDeleteProfile, "Evening");
    EXPECT_EQ(IdOf("Evening"), 0);
    EXPECT_NE(Current(), evening);
    for (const std::string& name : hub->ProfileNames()) {
        Ask(kSdkRequestDeleteProfile, name);
    }
    EXPECT_EQ(store.CountProfiles(), 1);
    EXPECT_EQ(hub->ProfileNames().size(), 1u);
    EXPECT_EQ(store.GetActiveProfile(), Current());
}

}  // namespace
}  // namespace zanvor::test
