#include <gtest/gtest.h>

#include "SimSession.h"
#include "app/DevicePages.h"
#include "device/KeyLayout.h"
#include "lighting/LightRows.h"
#include "platform/Paths.h"
#include "ui/MainView.h"

namespace zanvor {
namespace {

// Lighting across the main window object on a virtual keyboard: what the connection read
// brings and what profile switches send.
class LightingFlowTest : public test::SimSessionTest {
  protected:
    void PickKeyboard(int deviceType) {
        dialog->deviceList.ClickDevice(deviceType);
        ASSERT_TRUE(WaitIdle());
    }
};

TEST_F(LightingFlowTest, PickingTheKeyboardReadsItsLedPositionsIntoTheSession) {
    Start("103:cable");
    PickKeyboard(103);
    KeyLayout layout;
    ASSERT_TRUE(ReadLayoutFile(LayoutFilePath(ApplicationFolder(), "vista96"), layout));
    const LightPositionMap map = dialog->session.LightMap();
    ASSERT_TRUE(map.read);
    for (const LayoutKey& key : layout.keys) {
        EXPECT_EQ(map.LedOf(key.code), key.lightIndex) << key.name;
    }
}

TEST_F(LightingFlowTest, SwitchingProfileWritesThatProfilesLightModeOrCustomSet) {
    Start("101:cable");
    PickKeyboard(101);
    ProfileList& list = dialog->Pages().profile.List();
    ASSERT_EQ(list.GetItemCount(), 3);
    const int second = list.GetItemData(1);
    const int third = list.GetItemData(2);
    // Profile 2 shows static mode 4 in green on its keys; profile 3 custom set 0x81 with Esc
    // painted blue.
    ASSERT_TRUE(EnsureDefaultLightRows(store, second, 101));
    ASSERT_TRUE(EnsureDefaultLightRows(store, third, 101));
    store.SetActiveLightMode(second, kLightMain, 4);
    LightData row;
    ASSERT_TRUE(store.GetLightRow(second, kLightMain, 4, row));
    row.color_value = 0x00FF00;
    row.colorful = 0;
    store.UpdateLightRow(kLightMain, 4, row);
    store.SetActiveLightMode(third, kLightMain, 0x81);
    UserLightRgbData esc;
    esc.profile = third;
    esc.userlight_id = 0x81;
    esc.key_code = 0x29;
    esc.key_rgb = 0xFF0000;
    store.InsertUserLightColors({esc});

    list.ClickItem(1);
    ASSERT_TRUE(WaitIdle());
    std::vector<uint8_t> block = sim->Keyboard(101)->BlockData(0x14);
    EXPECT_EQ(std::vector<uint8_t>(block.begin() + 1, block.begin() + 10),
              (std::vector<uint8_t>{0x00, 0x04, 200, 0x02, 0x00, 0x00, 0x00, 0xFF, 0x00}));

    list.ClickItem(2);
    ASSERT_TRUE(WaitIdle());
    block = sim->Keyboard(101)->BlockData(0x14);
    EXPECT_EQ(block[2], 0xFD);
    EXPECT_EQ(block[10], 0x01);
    const std::vector<uint8_t> set = sim->Keyboard(101)->BlockData(0x24);
    const int led = dialog->session.LightMap().LedOf(0x29);
    ASSERT_GE(led, 0);
    EXPECT_EQ(std::vector<uint8_t>(set.begin() + 3 * led, set.begin() + 3 * led + 3),
              (std::vector<uint8_t>{0x00, 0x00, 0xFF}));
}

TEST_F(LightingFlowTest, TheMirrorKeepsTheWorkerPassingOnlyWhileItIsOnAndShown) {
    Start("101:cable");
    PickKeyboard(101);
    LightPage& page = dialog->Pages().lighting;
    host.ShowNormal();
    dialog->mainView.SelectPage(kPageLighting);
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(dialog->Registry().IdleWorkWanted());

    page.liveMirrorSwitch.Click();
    EXPECT_TRUE(dialog->Registry().IdleWorkWanted());
    // The picture follows the keyboard pass after pass.
    sim->ClearReports();
    ASSERT_TRUE(Eventually([&] { return WritesOf(0x34) >= 3 * 7; }));
    EXPECT_EQ(page.picture.GetKeyboardCtrlMode(), kPicturePerKey);

    // Another page: the mirror rests.
    dialog->mainView.SelectPage(kPageKeys);
    EXPECT_FALSE(dialog->Registry().IdleWorkWanted());
    dialog->mainView.SelectPage(kPageLighting);
    EXPECT_TRUE(dialog->Registry().IdleWorkWanted());
    // A hidden window shows nothing to mirror.
    host.Hide();
    EXPECT_FALSE(dialog->Registry().IdleWorkWanted());
    host.ShowNormal();
    page.liveMirrorSwitch.Click();
    EXPECT_FALSE(dialog->Registry().IdleWorkWanted());
}

}  // namespace
}  // namespace zanvor
