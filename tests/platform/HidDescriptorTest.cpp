// Report descriptor parsing and the hidraw descriptor lookup, with real-shaped descriptors.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/HidDescriptor.h"
#include "platform/HidapiBackend.h"
#include "support/Rows.h"
#include "support/TestHome.h"

namespace zanvor {
namespace {

using Bytes = std::vector<uint8_t>;

// The keyboard's command interface with `count`-byte input and output reports.
Bytes VendorDescriptor(uint8_t count) {
    return {
        0x06, 0x60,  0xFF,  // Usage Page (Vendor 0xFF60)
        0x09, 0x61,         // Usage (0x61)
        0xA1, 0x01,         // Collection (Application)
        0x09, 0x62,         //   Usage (0x62)
        0x15, 0x00,         //   Logical Minimum (0)
        0x26, 0xFF,  0x00,  //   Logical Maximum (255)
        0x95, count,        //   Report Count
        0x75, 0x08,         //   Report Size (8)
        0x81, 0x02,         //   Input (Data, Variable, Absolute)
        0x09, 0x63,         //   Usage (0x63)
        0x15, 0x00,         //   Logical Minimum (0)
        0x26, 0xFF,  0x00,  //   Logical Maximum (255)
        0x95, count,        //   Report Count
        0x75, 0x08,         //   Report Size (8)
        0x91, 0x02,         //   Output (Data, Variable, Absolute)
        0xC0,               // End Collection
    };
}

// The boot keyboard descriptor of the USB HID class definition (appendix B.1): 8-byte input report,
// LED output.
const Bytes
    kBootKeyboard =
        {
            0x05, 0x01,  // Usage Page (Generic Desktop)
            0x09, 0x06,  // Usage (Keyboard)
            0xA1, 0x01,  // Collection (Application)
            0x05, 0x07,  //   Usage Page (Key Codes)
            0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00, 0x25, 0x01, 0x75, 0x01, 0x95, 0x08,
            0x81, 0x02,                          //   8 modifier bits
            0x95, 0x01, 0x75, 0x08, 0x81, 0x01,  //   reserved byte
            0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01, 0x29, 0x05, 0x91, 0x02,  //   5 LED bits
            0x95, 0x01, 0x75, 0x03, 0x91, 0x01,  //   LED padding
            0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65, 0x05, 0x07, 0x19, 0x00,
            0x29, 0x65, 0x81, 0x00,  //   6 key codes
            0xC0,                    // End Collection
};

// Two collections on one node: consumer control with report ID 3, then the vendor
// collection with report ID 6 and nested collections, a push/pop pair and a long item.
const Bytes kConsumerAndVendor = {
    0x05, 0x0C, 0x09, 0x01, 0xA1, 0x01,              // Consumer Control
    0x85, 0x03, 0x75, 0x10, 0x95, 0x01,              //   Report ID 3, one 16-bit field
    0x81, 0x00,                                      //   Input
    0xC0,                                            //
    0x06, 0x60, 0xFF, 0x09, 0x61, 0xA1, 0x01,        // Vendor 0xFF60/0x61
    0x85, 0x06,                                      //   Report ID 6
    0xA4,                                            //   Push
    0x75, 0x08, 0x95, 0x20,                          //   32 bytes
    0xA1, 0x02,                                      //   Collection (Logical)
    0x09, 0x62, 0x81, 0x02,                          //     Input
    0xC0,                                            //   End Collection
    0xB4,                                            //   Pop
    0xFE, 0x02, 0x10, 0xAB, 0xCD,                    //   Long item (skipped)
    0x75, 0x08, 0x95, 0x3F, 0x09, 0x63, 0x91, 0x02,  // Output, 63 bytes
    0xC0,
};

// A usage with its page in the high half (4-byte usage item).
const Bytes kExtendedUsage = {
    0x0B, 0x61, 0x00, 0x60, 0xFF,  // Usage (0xFF60:0x0061)
    0xA1, 0x01, 0x75, 0x08, 0x95, 0x40, 0x91, 0x02, 0xC0,
};

struct ParseCase {
    const char* name;
    Bytes descriptor;
    bool valid;
    std::vector<HidTopLevelCollection> collections;  // page, usage, input, output, feature
};

TEST(HidDescriptor, ParsesTopLevelCollectionsAndReportLengths) {
    Bytes truncated = VendorDescriptor(64);
    truncated.resize(13);  // inside the three-byte Logical Maximum item
    Bytes unclosed = VendorDescriptor(64);
    unclosed.pop_back();

    const std::vector<ParseCase> cases = {
        {"64-byte vendor interface", VendorDescriptor(64), true, {{0xFF60, 0x61, 65, 65, 0}}},
        {"32-byte vendor interface", VendorDescriptor(32), true, {{0xFF60, 0x61, 33, 33, 0}}},
        {"boot keyboard", kBootKeyboard, true, {{0x01, 0x06, 9, 2, 0}}},
        {"two collections with report IDs",
         kConsumerAndVendor,
         true,
         {{0x0C, 0x01, 3, 0, 0}, {0xFF60, 0x61, 33, 64, 0}}},
        {"extended usage", kExtendedUsage, true, {{0xFF60, 0x61, 0, 65, 0}}},
        {"empty", {}, true, {}},
        {"truncated item", truncated, false, {}},
        {"collection never closed", unclosed, false, {}},
        {"end without collection", {0xC0}, false, {}},
        {"pop without push", {0xB4}, false, {}},
        {"truncated long item", {0xFE, 0x10, 0x00, 0x01}, false, {}},
        {"huge report size and count",
         {0x09, 0x01, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81,
          0x02, 0x81, 0x02, 0xC0},
         true,
         {{0x00, 0x01, 65537, 0, 0}}},
    };
    test::ForEachRow(cases, [&](const ParseCase& c) {
        SCOPED_TRACE(c.name);
        std::vector<HidTopLevelCollection> collections;
        EXPECT_EQ(ParseHidReportDescriptor(c.descriptor.data(), c.descriptor.size(), collections),
                  c.valid);
        if (!c.valid) {
            return;
        }
        ASSERT_EQ(collections.size(), c.collections.size());
        for (size_t i = 0; i < collections.size(); ++i) {
            EXPECT_EQ(collections[i].usage_page, c.collections[i].usage_page);
            EXPECT_EQ(collections[i].usage, c.collections[i].usage);
            EXPECT_EQ(collections[i].input_report_length, c.collections[i].input_report_length);
            EXPECT_EQ(collections[i].output_report_length, c.collections[i].output_report_length);
            EXPECT_EQ(collections[i].feature_report_length, c.collections[i].feature_report_length);
        }
    });
}

TEST(HidDescriptor, InterfaceCapsPreferTheVendorCollectionAndFallBackTo65) {
    struct Case {
        const char* name;
        Bytes descriptor;
        bool known;
        HidInterfaceCaps caps;  // page, usage, input, output
    };
    const std::vector<Case> cases = {
        {"64-byte vendor", VendorDescriptor(64), true, {0xFF60, 0x61, 65, 65}},
        {"32-byte vendor", VendorDescriptor(32), true, {0xFF60, 0x61, 33, 33}},
        {"vendor after consumer", kConsumerAndVendor, true, {0xFF60, 0x61, 33, 64}},
        {"boot keyboard", kBootKeyboard, true, {0x01, 0x06, 9, 2}},
        {"no input report", kExtendedUsage, true, {0xFF60, 0x61, 65, 65}},
        {"garbage", {0xC0, 0xC0, 0x13, 0x37}, false, {0, 0, 65, 65}},
        {"empty", {}, false, {0, 0, 65, 65}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HidInterfaceCaps caps{1, 2, 3, 4};
        EXPECT_EQ(InterfaceCapsFromDescriptor(c.descriptor.data(), c.descriptor.size(), caps),
                  c.known);
        EXPECT_EQ(caps.usage_page, c.caps.usage_page);
        EXPECT_EQ(caps.usage, c.caps.usage);
        EXPECT_EQ(caps.input_report_length, c.caps.input_report_length);
        EXPECT_EQ(caps.output_report_length, c.caps.output_report_length);
    }
}

// A cut-off descriptor (a short read) never reports a collection it did not see complete.
TEST(HidDescriptor, CutOffDescriptorReportsOnlyCompleteCollections) {
    for (const Bytes& full : {VendorDescriptor(64), kBootKeyboard, kConsumerAndVendor}) {
        std::vector<HidTopLevelCollection> all;
        ASSERT_TRUE(ParseHidReportDescriptor(full.data(), full.size(), all));
        for (size_t length = 0; length < full.size(); ++length) {
            SCOPED_TRACE(length);
            const Bytes prefix(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(length));
            std::vector<HidTopLevelCollection> collections;
            ParseHidReportDescriptor(prefix.data(), prefix.size(), collections);
            EXPECT_LT(collections.size(), all.size());
        }
    }
}

TEST(HidrawNode, NameFromAnyDevicePath) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"/dev/hidraw3", "hidraw3"},
        {"/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.1/0003:36B0:3011.0007/hidraw/"
         "hidraw12",
         "hidraw12"},
        {"/SYS/DEVICES/PCI0000:00/USB1/1-2/1-2:1.1/0003:36B0:3011.0007/HIDRAW/HIDRAW12",
         "hidraw12"},
        {"/sys/class/hidraw/hidraw4/", "hidraw4"},
        {"/dev/hidraw", ""},
        {"/dev/hidrawX1", ""},
        {"/dev/usb/hiddev0", ""},
        {"", ""},
    };
    for (const auto& [path, node] : cases) {
        EXPECT_EQ(HidrawNodeName(path), node) << path;
    }
}

// QueryUsage and the descriptor lookup read a sysfs tree; here a fake one.
TEST(HidrawNode, QueryUsageReadsTheNodeDescriptorFromSysfs) {
    test::TempDir sysfs;
    auto addNode = [&](const std::string& node, const Bytes& descriptor) {
        const std::string folder = sysfs.path() + "class/hidraw/" + node + "/device";
        std::filesystem::create_directories(folder);
        test::WriteFile(folder + "/report_descriptor",
                        std::string(descriptor.begin(), descriptor.end()));
    };
    addNode("hidraw2", kBootKeyboard);
    addNode("hidraw3", kConsumerAndVendor);
    addNode("hidraw4", {0xC0});

    HidapiBackend backend(sysfs.path());
    uint16_t page = 0, usage = 0;
    ASSERT_TRUE(
        backend.QueryUsage("/SYS/DEVICES/X/0003:36B0:3011.0007/HIDRAW/HIDRAW3", page, usage));
    EXPECT_EQ(page, 0xFF60);
    EXPECT_EQ(usage, 0x61);
    ASSERT_TRUE(backend.QueryUsage("/dev/hidraw2", page, usage));
    EXPECT_EQ(page, 0x01);
    EXPECT_EQ(usage, 0x06);
    EXPECT_FALSE(backend.QueryUsage("/dev/hidraw4", page, usage)) << "malformed descriptor";
    EXPECT_FALSE(backend.QueryUsage("/SYS/DEVICES/X/HIDRAW/HIDRAW9", page, usage));
    EXPECT_FALSE(backend.QueryUsage("/SYS/DEVICES/X/INPUT/EVENT3", page, usage));
}

}  // namespace
}  // namespace zanvor
