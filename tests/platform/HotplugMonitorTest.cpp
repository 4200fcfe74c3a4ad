// The hotplug monitor's thread starts, stops promptly and can be restarted.
#include <gtest/gtest.h>

#include <chrono>
#include <optional>

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

// What a real hidraw node's add and remove carry (udevadm monitor --property), and the
// events around them that are not arrivals or removals.
TEST(HotplugMonitor, UdevEventsMapToArrivalAndRemoval) {
    const std::string devpath =
        "/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.1/0003:36b0:3011.0007/hidraw/hidraw3";
    const std::string upper =
        "/SYS/DEVICES/PCI0000:00/0000:00:14.0/USB1/1-2/1-2:1.1/0003:36B0:3011.0007/HIDRAW/HIDRAW3";
    const UdevProperties hidraw{
        {"DEVPATH", devpath}, {"SUBSYSTEM", "hidraw"}, {"DEVNAME", "/dev/hidraw3"},
        {"SEQNUM", "4711"},   {"MAJOR", "241"},        {"MINOR", "3"}};
    const auto with = [&](UdevProperties properties, const std::string& name,
                          const std::string& value) {
        properties[name] = value;
        return properties;
    };
    struct Case {
        const char* what;
        UdevProperties properties;
        std::optional<HotplugAction> action;
    };
    const Case cases[] = {
        {"add", with(hidraw, "ACTION", "add"), HotplugAction::kArrival},
        {"remove", with(hidraw, "ACTION", "remove"), HotplugAction::kRemoval},
        {"change", with(hidraw, "ACTION", "change"), std::nullopt},
        {"bind", with(hidraw, "ACTION", "bind"), std::nullopt},
        {"no action", hidraw, std::nullopt},
        {"the hid parent", with(with(hidraw, "ACTION", "add"), "SUBSYSTEM", "hid"), std::nullopt},
        {"no device path", with(with(hidraw, "ACTION", "add"), "DEVPATH", ""), std::nullopt},
    };
    for (const Case& c : cases) {
        const std::optional<HotplugEvent> event = HotplugEventOf(c.properties);
        EXPECT_EQ(event.has_value(), c.action.has_value()) << c.what;
        if (event && c.action) {
            EXPECT_EQ(event->action, *c.action) << c.what;
            EXPECT_EQ(event->devicePath, upper) << c.what;
        }
    }
}

TEST(HotplugMonitor, DevicePathsAreUpperCased) {
    EXPECT_EQ(UpperCaseDevicePath("/sys/devices/pci0000:00/0003:36b0:3011.0007/hidraw/hidraw3"),
              "/SYS/DEVICES/PCI0000:00/0003:36B0:3011.0007/HIDRAW/HIDRAW3");
}

}  // namespace
}  // namespace zanvor
