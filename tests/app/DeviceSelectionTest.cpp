#include <gtest/gtest.h>

#include <thread>

#include "SimSession.h"
#include "app/HeadlessHost.h"
#include "app/KeyboardDlg.h"
#include "device/DeviceManager.h"
#include "platform/HotplugMonitor.h"
#include "platform/Paths.h"
#include "platform/Registry.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"
#include "store/DataStore.h"
#include "support/TestHome.h"
#include "ui/ScriptedDialogs.h"
#include "ui/WindowMessages.h"

namespace zanvor {
namespace {

class DeviceSelectionTest : public test::SimSessionTest {
  protected:
    // Waits until the worker pass running now has ended (the next one has begun), so what
    // the pass does after a flag changed (a rescan) is complete.
    bool CurrentPassEnded() {
        const uint64_t pass = dialog->Passes();
        return Eventually([&] { return dialog->Passes() > pass; });
    }
};

TEST_F(DeviceSelectionTest, NoKeyboardShowsTheDisconnectedHomePage) {
    Start("101:cable");
    sim->Unplug(101, kModeCable);
    ASSERT_TRUE(
        Eventually([&] { return !dialog->session.devicePresent.load() && dialog->Idle(); }));
    EXPECT_FALSE(dialog->session.deviceOnline.load());
    EXPECT_EQ(dialog->session.currentConnectionMode.load(), -1);
    EXPECT_TRUE(dialog->mainView.DisconnectedShown());
    EXPECT_EQ(dialog->deviceList.GetDeviceState(101, kModeCable), 0);
}

TEST_F(DeviceSelectionTest, CableIsPreferredOverTheReceiver) {
    Start("101:cable,101:receiver");
    EXPECT_TRUE(dialog->session.devicePresent.load());
    EXPECT_TRUE(dialog->session.deviceOnline.load());
    EXPECT_EQ(dialog->session.currentConnectionMode.load(), kModeCable);
    EXPECT_TRUE(dialog->mainView.DevicePagesShown());
    EXPECT_EQ(dialog->deviceList.GetSelectDevice(), 101);
    EXPECT_EQ(ReadRegistryInt("DeviceType"), 101);
    EXPECT_TRUE(store.IsOpen());
    EXPECT_EQ(store.Path(), DataFolder() + "db/Zanvor Nova 75 Wireless_data.db");
    EXPECT_FALSE(dialog->session.KeyMapsCopy().codeToKeyIndex.empty());
}

TEST_F(DeviceSelectionTest, ReceiverWithTheKeyboardOffIsPresentButNotOnlineAndDropsTasks) {
    Start("101:receiver", /*receiverLinked=*/false);
    EXPECT_TRUE(dialog->session.devicePresent.load());
    EXPECT_FALSE(dialog->session.deviceOnline.load());
    EXPECT_TRUE(dialog->mainView.DisconnectedShown());

    sim->ClearReports();
    dialog->PostTask(kTaskWriteSettings);
    ASSERT_TRUE(WaitIdle());
    EXPECT_TRUE(dialog->Queue().Empty());
    EXPECT_TRUE(dialog->RanTasks().empty());
    EXPECT_EQ(WritesOf(0x15), 0u);
}

TEST_F(DeviceSelectionTest, LinkUpForTheSelectedKeyboardSetsOnlineWithoutARescan) {
    Start("101:receiver", /*receiverLinked=*/false);
    ASSERT_FALSE(dialog->session.deviceOnline.load());
    sim->ClearReports();
    sim->SetReceiverLink(101, true);
    ASSERT_TRUE(Eventually([&] { return dialog->session.deviceOnline.load(); }));
    EXPECT_TRUE(dialog->mainView.DevicePagesShown());
    EXPECT_EQ(dialog->deviceList.GetDeviceState(101, kModeReceiver), 1);
    EXPECT_FALSE(dialog->mainView.TabVisible(3)) << "no music page through the receiver";
    EXPECT_EQ(WritesOf(0xD0), 0u) << "a rescan would have asked the receiver again";
}

// The keyboard switched off behind its receiver while the user is on the key page: the
// receiver stays plugged (its frame no longer names the keyboard), so the program keeps it in
// the list but goes offline, shows the disconnected page and scans again.
TEST_F(DeviceSelectionTest, LinkDownForTheSelectedKeyboardClearsOnlineAndRescans) {
    Start("101:receiver");
    ASSERT_TRUE(dialog->session.deviceOnline.load());
    ASSERT_TRUE(dialog->mainView.DevicePagesShown());
    dialog->mainView.SelectPage(kPageKeys);
    sim->ClearReports();
    sim->SetReceiverLink(101, false);
    ASSERT_TRUE(Eventually([&] { return !dialog->session.deviceOnline.load(); }));
    ASSERT_TRUE(CurrentPassEnded());
    ASSERT_TRUE(WaitIdle());
    EXPECT_FALSE(dialog->session.deviceOnline.load()) << "the rescan found it still off";
    EXPECT_TRUE(dialog->session.devicePresent.load()) << "the receiver is still plugged";
    EXPECT_TRUE(dialog->mainView.DisconnectedShown());
    EXPECT_EQ(dialog->deviceList.GetDeviceState(101, kModeReceiver), 0);
    EXPECT_GT(WritesOf(0xD0), 0u) << "the rescan asks the receiver for its link state";

    // Switched on again, the same session comes back online.
    sim->SetReceiverLink(101, true);
    ASSERT_TRUE(Eventually([&] { return dialog->session.deviceOnline.load() && dialog->Idle(); }));
    EXPECT_TRUE(dialog->mainView.DevicePagesShown());
}

// With the cable also plugged, the keyboard going off the air leaves it online over the cable.
TEST_F(DeviceSelectionTest, LinkDownWithTheCablePluggedStaysOnline) {
    Start("101:cable,101:receiver");
    ASSERT_TRUE(dialog->session.deviceOnline.load());
    sim->SetReceiverLink(101, false);
    ASSERT_TRUE(
        Eventually([&] { return dialog->deviceList.GetDeviceState(101, kModeReceiver) == 0; }));
    ASSERT_TRUE(CurrentPassEnded());
    EXPECT_TRUE(dialog->session.deviceOnline.load());
    EXPECT_EQ(dialog->session.currentConnectionMode.load(), kModeCable);
    EXPECT_TRUE(dialog->mainView.DevicePagesShown());
}

TEST_F(DeviceSelectionTest, ArrivalOfANonVendorInterfacePostsNothing) {
    Start("102:cable");
    std::string plainPath;
    std::string vendorPath;
    for (const HidInterfaceInfo& info : sim->Enumerate()) {
        (info.usage_page == 0xFF60 ? vendorPath : plainPath) = info.path;
    }
    ASSERT_FALSE(plainPath.empty());
    dialog->Keyboards().UpdateUSBDevice(true, plainPath);
    EXPECT_TRUE(dialog->Queue().Empty());

    dialog->Keyboards().UpdateUSBDevice(true,
                                        "/sys/devices/virtual/0003:1234:5678.0001/hidraw/hidraw9");
    EXPECT_TRUE(dialog->Queue().Empty());

    dialog->suspended = true;  // keep the worker from taking the code before we look
    dialog->Keyboards().UpdateUSBDevice(true, vendorPath);
    EXPECT_EQ(dialog->Queue().Snapshot(), std::vector<int>{kTaskDeviceInstall});
    dialog->suspended = false;
    dialog->Wake();
}

// The udev events of the keyboard's vendor node, as the system monitor hands them on: an
// add posts the install task, a remove the removal task.
TEST_F(DeviceSelectionTest, UdevAddAndRemoveOfTheVendorNodePostInstallAndRemoval) {
    Start("102:cable");
    std::string vendorPath;
    for (const HidInterfaceInfo& info : sim->Enumerate()) {
        if (info.usage_page == 0xFF60) {
            vendorPath = info.path;
        }
    }
    ASSERT_EQ(vendorPath.rfind("/sys/", 0), 0u) << vendorPath;
    dialog->suspended = true;  // keep the worker from taking the codes before we look
    size_t expected = 0;
    for (const char* action : {"add", "remove"}) {
        const std::optional<HotplugEvent> event = HotplugEventOf({{"ACTION", action},
                                                                  {"DEVPATH", vendorPath.substr(4)},
                                                                  {"SUBSYSTEM", "hidraw"},
                                                                  {"DEVNAME", "/dev/hidraw7"},
                                                                  {"SEQNUM", "812"}});
        ASSERT_TRUE(event) << action;
        dialog->Keyboards().OnHotplugEvent(event->action == HotplugAction::kArrival,
                                           event->devicePath);
        ++expected;
        ASSERT_TRUE(Eventually([&] { return dialog->Queue().Size() == expected; })) << action;
    }
    EXPECT_EQ(dialog->Queue().Snapshot(),
              (std::vector<int>{kTaskDeviceInstall, kTaskDeviceUnInstall}));
    dialog->Queue().Clear();
    dialog->suspended = false;
}

TEST_F(DeviceSelectionTest, UnplugAndReplugRescanThroughHotplugEvents) {
    WriteRegistryInt("DeviceType", 102);
    Start("102:cable");
    ASSERT_TRUE(dialog->session.deviceOnline.load());
    sim->Unplug(102, kModeCable);
    ASSERT_TRUE(
        Eventually([&] { return !dialog->session.devicePresent.load() && dialog->Idle(); }));
    sim->Replug(102, kModeCable);
    ASSERT_TRUE(Eventually([&] { return dialog->session.deviceOnline.load() && dialog->Idle(); }));
    EXPECT_TRUE(dialog->mainView.TabVisible(2)) << "the matrix screen page of type 102";
}

TEST_F(DeviceSelectionTest, OnlyAnotherModelPluggedLeavesTheRememberedOneDisconnected) {
    Start("102:cable");
    EXPECT_TRUE(dialog->session.devicePresent.load());
    EXPECT_FALSE(dialog->session.deviceOnline.load());
    EXPECT_EQ(dialog->deviceList.GetSelectDevice(), 101);
    EXPECT_EQ(dialog->deviceList.GetDeviceState(102, kModeCable), 1);
    EXPECT_TRUE(dialog->mainView.DisconnectedShown());
}

TEST_F(DeviceSelectionTest, PickingAnotherModelSwitchesItsDatabaseAndLayout) {
    Start("101:cable,160:cable");
    dialog->deviceList.ClickDevice(160);
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(manager->SelectedDeviceType(), 160);
    EXPECT_EQ(dialog->session.currentDeviceType.load(), 160);
    EXPECT_EQ(store.Path(), DataFolder() + "db/Zanvor Mini 60_data.db");
    EXPECT_EQ(ReadRegistryInt("DeviceType"), 160);
    for (int tab = 1; tab <= 3; ++tab) {
        EXPECT_FALSE(dialog->mainView.TabVisible(tab));
    }
}

TEST_F(DeviceSelectionTest, LinkNotificationMessagePostsInstallOrRemoval) {
    Start("101:cable");
    dialog->suspended = true;  // keep the worker from taking the codes
    dialog->OnWindowMessage(kMsgLinkNotification, 0, 1);
    dialog->OnWindowMessage(kMsgLinkNotification, 0, 0);
    EXPECT_EQ(dialog->Queue().Snapshot(),
              (std::vector<int>{kTaskDeviceInstall, kTaskDeviceUnInstall}));
    dialog->Queue().Clear();
    dialog->suspended = false;
}

}  // namespace
}  // namespace zanvor
