// The hotplug monitor's thread starts, stops promptly and can be restarted.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/HotplugMonitor.h"

namespace zanvor {
namespace {

TEST(HotplugMonitor, StopsPromptlyAndRestarts) {
    HotplugMonitor monitor;
    if (!monitor.Start([](HotplugAction, const std::string&) {})) {
        GTEST_SKIP() << "udev monitoring is not available here";
    }
    EXPECT_TRUE(monitor.Running());
    EXPECT_FALSE(monitor.Start([](HotplugAction, const std::string&) {})) << "already running";

    const auto start = std::chrono::steady_clock::now();
    monitor.Stop();
    // The stop wakes the thread; without that it would wait for the next udev event.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(monitor.Running());
    monitor.Stop();  // a second stop does nothing

    EXPECT_TRUE(monitor.Start([](HotplugAction, const std::string&) {}));
    // The destructor stops it.
}

TEST(HotplugMonitor, DevicePathsAreUpperCased) {
    EXPECT_EQ(UpperCaseDevicePath("/sys/devices/pci0000:00/0003:36b0:3011.0007/hidraw/hidraw3"),
              "/SYS/DEVICES/PCI0000:00/0003:36B0:3011.0007/HIDRAW/HIDRAW3");
}

}  // namespace
}  // namespace zanvor
