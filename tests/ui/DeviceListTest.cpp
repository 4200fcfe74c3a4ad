#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "ui/CDeviceList.h"

namespace zanvor {
namespace {

class DeviceListTest : public ::testing::Test {
  protected:
    void SetUp() override {
        list.SetEventSink([this](int id, int event) { events.emplace_back(id, event); });
        list.AddDevice("Nova", 101, "/app/device/nova_on.png", "/app/device/nova_off.png");
        list.AddDevice("Pulse", 102, "/app/device/pulse_on.png", "/app/device/pulse_off.png");
    }

    CDeviceList list{7};
    std::vector<std::pair<int, int>> events;
};

TEST_F(DeviceListTest, SelectionOnlyOfListedModels) {
    EXPECT_EQ(list.GetSelectDevice(), 0);
    EXPECT_TRUE(list.SetSelectDevice(102));
    EXPECT_EQ(list.GetSelectDevice(), 102);
    EXPECT_FALSE(list.SetSelectDevice(160));  // not in the catalogue
    EXPECT_EQ(list.GetSelectDevice(), 102);
    EXPECT_TRUE(events.empty());  // selecting from code raises nothing

    list.ClickDevice(101);
    EXPECT_EQ(list.GetSelectDevice(), 101);
    list.ClickDevice(150);
    EXPECT_EQ(events, (std::vector<std::pair<int, int>>{{7, CDeviceList::kEventSelectDevice}}));

    list.ClearList();
    EXPECT_EQ(list.GetSelectDevice(), 0);
    EXPECT_TRUE(list.GetDevices().empty());
}

TEST_F(DeviceListTest, ScanResultSetsStatesPerTypeAndMode) {
    list.SetDeviceState(101, 0, 1);
    list.SetDeviceState(102, 0, 1);

    // The next scan finds 101 only through its receiver, keyboard off, and 102 not at all.
    list.ApplyRecordStates({{101, 1, 0, 100, 0}, {160, 0, 1, 100, 0}});
    EXPECT_EQ(list.GetDeviceState(101, 0), 0);
    EXPECT_EQ(list.GetDeviceState(101, 1), 0);
    EXPECT_EQ(list.GetDeviceState(102, 0), 0);
    DeviceListItem nova;
    ASSERT_TRUE(list.GetDevice(101, nova));
    EXPECT_FALSE(nova.Connected());
    EXPECT_EQ(nova.imgDisconnected, "/app/device/nova_off.png");

    // Cable and receiver both up: two states of one model.
    list.ApplyRecordStates({{101, 0, 1, 100, 0}, {101, 1, 1, 64, 1}});
    EXPECT_EQ(list.GetDeviceState(101, 0), 1);
    EXPECT_EQ(list.GetDeviceState(101, 1), 1);
    int level = 0;
    int charging = 0;
    ASSERT_TRUE(list.GetDeviceBattery(101, 1, level, charging));
    EXPECT_EQ(level, 64);
    EXPECT_EQ(charging, 1);
    ASSERT_TRUE(list.GetDevice(101, nova));
    EXPECT_TRUE(nova.Connected());

    // A link notification takes the receiver down; the battery stays as last read.
    EXPECT_TRUE(list.SetDeviceState(101, 1, 0));
    EXPECT_EQ(list.GetDeviceState(101, 1), 0);
    ASSERT_TRUE(list.GetDeviceBattery(101, 1, level, charging));
    EXPECT_EQ(level, 64);

    EXPECT_FALSE(list.SetDeviceState(160, 0, 1));
    EXPECT_FALSE(list.SetDeviceBattery(160, 0, 50, 0));
    EXPECT_FALSE(list.GetDeviceBattery(102, 2, level, charging));
    EXPECT_EQ(list.GetDeviceState(160, 0), 0);

    list.ResetDeviceStates();
    EXPECT_EQ(list.GetDeviceState(101, 0), 0);
}

TEST_F(DeviceListTest, AddingATypeAgainReplacesIt) {
    list.AddDevice("Nova II", 101, "a.png", "b.png");
    std::vector<DeviceListItem> devices = list.GetDevices();
    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].name, "Nova II");
    EXPECT_EQ(devices[1].deviceType, 102);
}

}  // namespace
}  // namespace zanvor
