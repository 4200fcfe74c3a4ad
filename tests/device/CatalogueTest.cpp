#include <gtest/gtest.h>

#include "device/DeviceCatalogue.h"
#include "support/TestHome.h"
#include "ui/CDeviceList.h"

namespace zanvor {
namespace {

constexpr const char* kApp = "/opt/zanvor/";

// Two models: one reached by cable and receiver, one with hex values written in other forms
// and attributes left out.
constexpr const char* kCatalogue = R"(<?xml version="1.0" encoding="UTF-8"?>
<config>
  <language.info><lan value="1033"/><lan value="1045"/></language.info>
  <software name="Zanvor HUB" version="1.2.3">
    <website url="https://www.example.com/"/>
    <faqs url="https://www.example.com/faq"/>
    <upgrade url="https://download.example.com/hub/"/>
  </software>
  <device.info>
    <keyboard name="Nova" device_type="101" device_info="nova" img_connected="nova_on.png"
              img_disconnected="nova_off.png">
      <mode value="0" desc="USB cable" vid="36B0" pid="0A1B" product_name=""
            hid_interface="/0003:36B0:0A1B."/>
      <mode value="1" desc="Receiver" vid="0x36b0" pid="0X3006" product_name="Nova Receiver"
            hid_interface="/0003:36B0:3006."/>
    </keyboard>
    <keyboard name="Bare" device_type="160">
      <mode value="0" vid="zz12" pid=" 3030 "/>
    </keyboard>
  </device.info>
</config>)";

TEST(CatalogueTest, ReadsLanguagesSoftwareAndLinks) {
    DeviceCatalogue catalogue;
    ASSERT_TRUE(ParseCatalogue(kCatalogue, kApp, catalogue));

    EXPECT_EQ(catalogue.languages, (std::vector<int>{1033, 1045}));
    EXPECT_EQ(catalogue.software.name, "Zanvor HUB");
    EXPECT_EQ(catalogue.software.version, "1.2.3");
    EXPECT_EQ(catalogue.software.website, "https://www.example.com/");
    EXPECT_EQ(catalogue.software.faqs, "https://www.example.com/faq");
    EXPECT_EQ(catalogue.software.upgrade, "https://download.example.com/hub/");
    // Links that are not there read as empty.
    EXPECT_EQ(catalogue.software.feedback, "");
    EXPECT_EQ(catalogue.software.store, "");
}

TEST(CatalogueTest, KeyboardsAndTheirConnections) {
    DeviceCatalogue catalogue;
    ASSERT_TRUE(ParseCatalogue(kCatalogue, kApp, catalogue));

    ASSERT_EQ(catalogue.keyboards.size(), 2u);
    const KeyboardEntry& nova = catalogue.keyboards[0];
    EXPECT_EQ(nova.name, "Nova");
    EXPECT_EQ(nova.deviceType, 101);
    EXPECT_EQ(nova.layoutName, "nova");
    EXPECT_EQ(nova.imgConnected, "/opt/zanvor/device/nova_on.png");
    EXPECT_EQ(nova.imgDisconnected, "/opt/zanvor/device/nova_off.png");

    // Two modes of one keyboard: two entries, same type and layout, different modes.
    ASSERT_EQ(catalogue.connections.size(), 3u);
    const ConnectionEntry& cable = catalogue.connections[0];
    const ConnectionEntry& receiver = catalogue.connections[1];
    EXPECT_EQ(cable.deviceType, 101);
    EXPECT_EQ(receiver.deviceType, 101);
    EXPECT_EQ(cable.layoutName, "nova");
    EXPECT_EQ(receiver.imgConnected, nova.imgConnected);
    EXPECT_EQ(cable.mode, kModeCable);
    EXPECT_EQ(receiver.mode, kModeReceiver);
    EXPECT_EQ(cable.desc, "USB cable");
    EXPECT_EQ(cable.vendorId, 0x36B0);
    EXPECT_EQ(cable.productId, 0x0A1B);
    EXPECT_EQ(receiver.vendorId, 0x36B0);   // "0x36b0"
    EXPECT_EQ(receiver.productId, 0x3006);  // "0X3006"
    EXPECT_EQ(cable.productName, "");
    EXPECT_EQ(receiver.productName, "Nova Receiver");
    EXPECT_EQ(cable.hidInterface, "/0003:36B0:0A1B.");
    EXPECT_FALSE(cable.present);
    EXPECT_FALSE(receiver.present);
}

TEST(CatalogueTest, MissingAndMalformedAttributesReadAsEmptyOrZero) {
    DeviceCatalogue catalogue;
    ASSERT_TRUE(ParseCatalogue(kCatalogue, kApp, catalogue));

    const KeyboardEntry& bare = catalogue.keyboards[1];
    EXPECT_EQ(bare.layoutName, "");
    EXPECT_EQ(bare.imgConnected, "");  // no picture: no path into device/
    const ConnectionEntry& entry = catalogue.connections[2];
    EXPECT_EQ(entry.deviceType, 160);
    EXPECT_EQ(entry.vendorId, 0);        // "zz12" is not hexadecimal
    EXPECT_EQ(entry.productId, 0x3030);  // surrounding blanks are ignored
    EXPECT_EQ(entry.desc, "");
    EXPECT_EQ(entry.hidInterface, "");
}

TEST(CatalogueTest, NumberTexts) {
    struct Case {
        const char* text;
        uint32_t hex;
        int decimal;
    };
    const Case cases[] = {
        {"0A1B", 0x0A1B, 0},
        {"0x36B0", 0x36B0, 0},
        {"0X36b0", 0x36B0, 0},
        {"101", 0x101, 101},
        {"", 0, 0},
        {"0x", 0, 0},
        {"12G", 0, 0},
        {"-5", 0, -5},
        {"FFFFFFFF", 0xFFFFFFFF, 0},
        {"100000000", 0, 100000000},
        {" 7 ", 7, 7},
        {"99999999999", 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseHexText(c.text), c.hex) << '"' << c.text << '"';
        EXPECT_EQ(ParseDecimalText(c.text), c.decimal) << '"' << c.text << '"';
    }
}

TEST(CatalogueTest, BrokenDocumentsGiveAnEmptyCatalogue) {
    const char* documents[] = {
        "",
        "<config><device.info><keyboard name='x'",    // cut off
        "<settings><software name='x'/></settings>",  // no config root
    };
    for (const char* document : documents) {
        DeviceCatalogue catalogue;
        catalogue.languages = {1033};
        catalogue.keyboards.push_back({});
        EXPECT_FALSE(ParseCatalogue(document, kApp, catalogue)) << document;
        EXPECT_TRUE(catalogue.languages.empty());
        EXPECT_TRUE(catalogue.keyboards.empty());
        EXPECT_TRUE(catalogue.connections.empty());
        EXPECT_EQ(catalogue.software.name, "");
    }

    // A config root without a device list: languages and name still count.
    DeviceCatalogue partial;
    ASSERT_TRUE(ParseCatalogue("<config><software name='Hub'/></config>", kApp, partial));
    EXPECT_EQ(partial.software.name, "Hub");
    EXPECT_TRUE(partial.keyboards.empty());
}

TEST(CatalogueTest, ReadsTheFileOfAnApplicationFolder) {
    test::TempDir app;
    DeviceCatalogue catalogue;
    EXPECT_FALSE(ReadCatalogueFile(app.path(), catalogue));  // no config.xml
    EXPECT_TRUE(catalogue.keyboards.empty());

    test::WriteFile(app.path() + "config.xml", kCatalogue);
    ASSERT_TRUE(ReadCatalogueFile(app.path(), catalogue));
    ASSERT_EQ(catalogue.keyboards.size(), 2u);
    EXPECT_EQ(catalogue.keyboards[0].imgConnected, app.path() + "device/nova_on.png");

    // A UTF-16 file (with byte order mark) is read too.
    std::string utf16 = "\xFF\xFE";
    for (char c : std::string("<config><software name='Hub'/></config>")) {
        utf16 += c;
        utf16 += '\0';
    }
    test::WriteFile(app.path() + "config.xml", utf16);
    ASSERT_TRUE(ReadCatalogueFile(app.path(), catalogue));
    EXPECT_EQ(catalogue.software.name, "Hub");
}

TEST(CatalogueTest, StoredDeviceTypeToSelect) {
    const std::pair<int, int> cases[] = {{0, 101},   {-3, 101},  {99, 101},
                                         {100, 100}, {102, 102}, {160, 160}};
    for (auto [stored, selected] : cases) {
        EXPECT_EQ(DeviceTypeToSelect(stored), selected) << stored;
    }
}

TEST(CatalogueTest, FindsKeyboardByType) {
    DeviceCatalogue catalogue;
    ASSERT_TRUE(ParseCatalogue(kCatalogue, kApp, catalogue));
    ASSERT_NE(FindKeyboard(catalogue.keyboards, 160), nullptr);
    EXPECT_EQ(FindKeyboard(catalogue.keyboards, 160)->name, "Bare");
    EXPECT_EQ(FindKeyboard(catalogue.keyboards, 102), nullptr);
}

TEST(CatalogueTest, FillsTheDeviceListWithEveryModel) {
    DeviceCatalogue catalogue;
    ASSERT_TRUE(ParseCatalogue(kCatalogue, kApp, catalogue));
    CDeviceList list;
    list.AddDevice("Stale", 999, "", "");
    list.SetSelectDevice(999);
    FillDeviceList(catalogue, list);

    std::vector<DeviceListItem> devices = list.GetDevices();
    ASSERT_EQ(devices.size(), 2u);  // one row per model, not per connection
    EXPECT_EQ(devices[0].name, "Nova");
    EXPECT_EQ(devices[0].deviceType, 101);
    EXPECT_EQ(devices[0].imgConnected, "/opt/zanvor/device/nova_on.png");
    EXPECT_EQ(devices[1].deviceType, 160);
    EXPECT_EQ(list.GetSelectDevice(), 0);
    EXPECT_TRUE(list.SetSelectDevice(DeviceTypeToSelect(0)));
}

TEST(CatalogueTest, MatchesInterfacePathsAgainstPatterns) {
    DeviceCatalogue catalogue;
    ASSERT_TRUE(ParseCatalogue(kCatalogue, kApp, catalogue));
    std::vector<ConnectionEntry>& entries = catalogue.connections;

    const std::string receiverPath = UpperCasePath(
        "/sys/devices/pci0000:00/0000:00:14.0/usb1/1-2/1-2:1.1/0003:36b0:3006.000a/hidraw/"
        "hidraw3");
    EXPECT_EQ(receiverPath,
              "/SYS/DEVICES/PCI0000:00/0000:00:14.0/USB1/1-2/1-2:1.1/0003:36B0:3006.000A/HIDRAW/"
              "HIDRAW3");
    EXPECT_EQ(FindConnectionByPath(entries, receiverPath, false), 1);
    // A product ID that merely starts with the pattern's does not match.
    EXPECT_EQ(FindConnectionByPath(entries, "/0003:36B0:30061.0001/HIDRAW", false), -1);
    // The third entry has no pattern: it must not match every path.
    EXPECT_EQ(FindConnectionByPath(entries, "/0003:046D:C52B.0001/HIDRAW/HIDRAW0", false), -1);

    // Removals only consider entries marked present.
    EXPECT_EQ(FindConnectionByPath(entries, receiverPath, true), -1);
    entries[1].present = true;
    EXPECT_EQ(FindConnectionByPath(entries, receiverPath, true), 1);
}

}  // namespace
}  // namespace zanvor
