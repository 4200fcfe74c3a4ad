// The device manager: catalogue matching, the scan, records, the current handle, link-level
// queries and receiver polling, against scripted fake interfaces.
#include <gtest/gtest.h>

#include <future>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "device/DeviceManager.h"
#include "support/FakeHid.h"

namespace zanvor {
namespace {

using test::FakeHidBackend;
using test::FakeHidInterface;
using test::Report;

constexpr uint16_t kVid = 0x36B0;
constexpr uint16_t kCablePid = 0x3011;
constexpr uint16_t kReceiverPid = 0x3012;
constexpr uint16_t kOtherCablePid = 0x3021;
constexpr int kType = 101;
constexpr int kOtherType = 102;

// The keyboard (or receiver) side: answers the begin command with its IDs, the battery
// query with a level, the link query with a link frame; everything else with an echo.
struct KeyboardScript {
    uint16_t answeredPid = kCablePid;  // product ID in begin answers and link frames
    int battery = 80;
    int charging = 1;
    int linkState = 4;         // -1: no answer to the link query
    bool answersBegin = true;  // a receiver whose keyboard is off does not
};

std::shared_ptr<FakeHidInterface> Keyboard(const KeyboardScript& script) {
    auto device = std::make_shared<FakeHidInterface>();
    FakeHidInterface* self = device.get();
    device->SetResponder([self, script](const Report& written) -> std::vector<Report> {
        Report answer = self->Answer(written, 0x55);
        switch (written[2]) {
            case 0x10:
                if (!script.answersBegin) {
                    return {};
                }
                answer[9] = kVid & 0xFF;
                answer[10] = kVid >> 8;
                answer[11] = script.answeredPid & 0xFF;
                answer[12] = script.answeredPid >> 8;
                return {answer};
            case 0x30:
                answer[8] = static_cast<uint8_t>(script.battery);
                answer[9] = static_cast<uint8_t>(script.charging);
                return {answer};
            case 0xD0:
                if (script.linkState < 0) {
                    return {};
                }
                return {self->LinkFrame(kVid, script.answeredPid,
                                        static_cast<uint8_t>(script.linkState))};
            default:
                return {answer};
        }
    });
    return device;
}

class DeviceManagerTest : public ::testing::Test {
  protected:
    DeviceManagerTest() {
        manager.SetDelays({std::chrono::milliseconds(0), std::chrono::milliseconds(0), false});
        manager.AddCatalogueEntry(kVid, kCablePid, "", kType, kModeCable);
        manager.AddCatalogueEntry(kVid, kReceiverPid, "", kType, kModeReceiver);
        manager.AddCatalogueEntry(kVid, kOtherCablePid, "", kOtherType, kModeCable);
    }

    std::shared_ptr<FakeHidInterface> AddCable(const std::string& path, KeyboardScript script = {},
                                               uint16_t pid = kCablePid) {
        auto device = Keyboard(script);
        backend->Add(test::VendorInterface(path, kVid, pid), device);
        return device;
    }
    std::shared_ptr<FakeHidInterface> AddReceiver(const std::string& path,
                                                  KeyboardScript script = {}) {
        auto device = Keyboard(script);
        backend->Add(test::VendorInterface(path, kVid, kReceiverPid), device);
        return device;
    }

    std::shared_ptr<FakeHidBackend> backend = std::make_shared<FakeHidBackend>();
    DeviceManager manager{backend};
};

TEST_F(DeviceManagerTest, CatalogueMatchingTakesTheFirstEntryAndHonoursProductNames) {
    DeviceManager m{backend};
    m.AddCatalogueEntry(0x1000, 0x0001, "Zanvor K1 Pro", 150, 0);
    m.AddCatalogueEntry(0x1000, 0x0001, "", 151, 1);
    m.AddCatalogueEntry(0x1000, 0x0001, "", 152, 2);  // shadowed by the entry above
    m.AddCatalogueEntry(0x1000, 0x0002, "Zanvor K2", 160, 2);
    struct Case {
        int vid, pid;
        std::string product;
        bool isProduct;
        int type, mode;
    };
    const std::vector<Case> cases = {
        {0x1000, 0x0001, "Zanvor K1 Pro", true, 150, 0},
        {0x1000, 0x0001, "Zanvor K1", true, 151, 1},  // names must match exactly
        {0x1000, 0x0001, "", true, 151, 1},
        {0x1000, 0x0002, "Zanvor K2", true, 160, 2},
        {0x1000, 0x0002, "zanvor k2", false, 0, 0},
        {0x1000, 0x0002, "", false, 0, 0},
        {0x1000, 0x0003, "", false, 0, 0},
        {0x2000, 0x0001, "Zanvor K1 Pro", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << c.vid << ":" << c.pid << " '" << c.product << "'");
        EXPECT_EQ(m.IsProduct(c.vid, c.pid, c.product), c.isProduct);
        EXPECT_EQ(m.DeviceTypeOf(c.vid, c.pid, c.product), c.type);
        EXPECT_EQ(m.ConnectionModeOf(c.vid, c.pid, c.product), c.mode);
    }
}

TEST_F(DeviceManagerTest, NoSupportedInterfaceGivesNoRecords) {
    // A catalogued keyboard's other interface, and an unknown vendor interface.
    HidInterfaceInfo keyboardInterface = test::VendorInterface("/dev/hidraw0", kVid, kCablePid);
    keyboardInterface.usage_page = 0x0001;
    keyboardInterface.usage = 0x0006;
    backend->Add(keyboardInterface, std::make_shared<FakeHidInterface>());
    backend->Add(test::VendorInterface("/dev/hidraw1", 0x1234, 0x5678),
                 std::make_shared<FakeHidInterface>());
    manager.EnumerateDevice();
    std::vector<DeviceRecordInfo> records;
    EXPECT_FALSE(manager.GetSelectedRecords(records));
    EXPECT_EQ(manager.RecordCount(), 0u);
    manager.SetSelectedDeviceType(kType);
    EXPECT_EQ(manager.CurrentConnectionMode(), -1);
    EXPECT_EQ(manager.CurrentHandle(), nullptr);
    EXPECT_EQ(manager.RecordOnline(kType, kModeCable), -1);
    EXPECT_EQ(manager.RecordState(kVid, kCablePid, "", kModeCable), -1);
    int battery = 0, charging = 0;
    EXPECT_FALSE(manager.WiredBattery(kType, battery, charging));
}

TEST_F(DeviceManagerTest, CabledKeyboardRecord) {
    backend->Add(test::VendorInterface("/dev/hidraw5", kVid, kCablePid, "Zanvor K1"), nullptr);
    auto cable = AddCable("/dev/hidraw6", {.battery = 57, .charging = 1});
    manager.EnumerateDevice();

    std::vector<DeviceRecordInfo> records;
    ASSERT_TRUE(manager.GetSelectedRecords(records));
    ASSERT_EQ(records.size(), 1u) << "an interface that cannot be opened is skipped";
    const DeviceRecordInfo& r = records[0];
    EXPECT_EQ(r.index, 0);
    EXPECT_EQ(r.path, "/dev/hidraw6");
    EXPECT_EQ(r.device_type, kType);
    EXPECT_EQ(r.mode, kModeCable);
    EXPECT_EQ(r.online, 1);
    EXPECT_EQ(r.battery, 57);
    EXPECT_EQ(r.charging, 1);
    int battery = 0, charging = 0;
    ASSERT_TRUE(manager.WiredBattery(kType, battery, charging));
    EXPECT_EQ(battery, 57);
    EXPECT_EQ(charging, 1);
    // A cable record is never asked for a link state.
    for (const Report& w : cable->Writes()) {
        EXPECT_NE(w[2], 0xD0);
    }
}

TEST_F(DeviceManagerTest, BatteryOfZeroOrLessReadsAsFullAndNotCharging) {
    struct Case {
        int level;  // as the byte the keyboard sends
        int charging;
        int wantBattery, wantCharging;
    };
    for (const Case& c : std::vector<Case>{{0, 1, 100, 0}, {1, 1, 1, 1}, {100, 0, 100, 0}}) {
        SCOPED_TRACE(c.level);
        auto device = Keyboard({.battery = c.level, .charging = c.charging});
        auto fake = std::make_shared<FakeHidBackend>();
        fake->Add(test::VendorInterface("/dev/hidraw1", kVid, kCablePid), device);
        int battery = 100, charging = 0;
        EXPECT_TRUE(manager.QueryBattery(fake->Open("/dev/hidraw1").get(), battery, charging));
        EXPECT_EQ(battery, c.wantBattery);
        EXPECT_EQ(charging, c.wantCharging);
    }
}

TEST_F(DeviceManagerTest, BatteryQueryBracketsTheQueryWithBeginAndEnd) {
    auto device = Keyboard({.battery = 42, .charging = 0});
    backend->Add(test::VendorInterface("/dev/hidraw1", kVid, kCablePid), device);
    auto handle = backend->Open("/dev/hidraw1");
    int battery = 100, charging = 1;
    ASSERT_TRUE(manager.QueryBattery(handle.get(), battery, charging));
    EXPECT_EQ(battery, 42);
    EXPECT_EQ(charging, 0);
    const std::vector<Report> writes = device->Writes();
    ASSERT_EQ(writes.size(), 3u);
    const std::vector<std::vector<uint8_t>> heads = {
        {0x00, 0xAA, 0x10, 0x00, 0x00, 0x00},
        {0x00, 0xAA, 0x30, 0x00, 0x00, 56},
        {0x00, 0xAA, 0x11, 0x00, 0x00, 0x00},
    };
    for (size_t i = 0; i < writes.size(); ++i) {
        EXPECT_EQ(writes[i].size(), 65u);
        EXPECT_EQ((Report{writes[i].begin(), writes[i].begin() + 6}), heads[i]) << i;
    }
    EXPECT_EQ(device->ReadTimeouts(), (std::vector<int>{200, 200, 200}));
    EXPECT_FALSE(manager.QueryBattery(nullptr, battery, charging));
}

TEST_F(DeviceManagerTest, BatteryQueryIgnoresAnAnswerToAnotherCommand) {
    auto device = std::make_shared<FakeHidInterface>();
    backend->Add(test::VendorInterface("/dev/hidraw1", kVid, kCablePid), device);
    // The battery query is answered by a link frame (byte 8 would read as a level).
    Report frame = device->LinkFrame(kVid, kCablePid, 4);
    frame[8] = 0x33;
    device->Script({{}, {frame}, {}});
    auto handle = backend->Open("/dev/hidraw1");
    int battery = 77, charging = 1;
    ASSERT_TRUE(manager.QueryBattery(handle.get(), battery, charging));
    EXPECT_EQ(battery, 77);
    EXPECT_EQ(charging, 1);
}

TEST_F(DeviceManagerTest, CableIsPreferredOverTheReceiver) {
    AddReceiver("/dev/hidraw2");
    auto cable = AddCable("/dev/hidraw3");
    manager.EnumerateDevice();
    ASSERT_EQ(manager.RecordCount(), 2u);
    manager.SetSelectedDeviceType(kType);
    EXPECT_EQ(manager.CurrentConnectionMode(), kModeCable);
    HidDevice* handle = manager.CurrentHandle();
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(manager.PacingDelay(), 2);

    cable->ClearLog();
    uint8_t buffer[65] = {0xAA, 0x10};
    ASSERT_TRUE(manager.SendCommand(buffer));
    EXPECT_EQ(cable->Writes().size(), 1u) << "commands go over the cable";
}

TEST_F(DeviceManagerTest, ReceiverWithItsKeyboardOnIsUsedWithTheSlowerPacing) {
    auto receiver = AddReceiver("/dev/hidraw2", {.battery = 64, .charging = 0});
    manager.EnumerateDevice();
    std::vector<DeviceRecordInfo> records;
    ASSERT_TRUE(manager.GetSelectedRecords(records));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].mode, kModeReceiver);
    EXPECT_EQ(records[0].device_type, kType) << "the type of the keyboard behind it";
    EXPECT_EQ(records[0].online, 1);
    EXPECT_EQ(records[0].battery, 64);

    // Link query: flush, then 0xD0 with the chunk size as length.
    const std::vector<Report> writes = receiver->Writes();
    ASSERT_FALSE(writes.empty());
    EXPECT_EQ((Report{writes[0].begin(), writes[0].begin() + 6}),
              (Report{0x00, 0xAA, 0xD0, 0x00, 0x00, 56}));
    EXPECT_EQ(receiver->ReadTimeouts().at(0), 1);

    manager.SetSelectedDeviceType(kType);
    EXPECT_EQ(manager.CurrentConnectionMode(), kModeReceiver);
    EXPECT_NE(manager.CurrentHandle(), nullptr);
    EXPECT_EQ(manager.PacingDelay(), 6);
}

TEST_F(DeviceManagerTest, ReceiverWithItsKeyboardOffIsPresentButNotUsable) {
    AddReceiver("/dev/hidraw2", {.linkState = 0, .answersBegin = false});
    manager.EnumerateDevice();
    ASSERT_EQ(manager.RecordCount(), 1u);
    manager.SetSelectedDeviceType(kType);
    EXPECT_EQ(manager.RecordOnline(kType, kModeReceiver), 0);
    EXPECT_EQ(manager.RecordState(kVid, kReceiverPid, "", kModeReceiver), 0);
    EXPECT_EQ(manager.CurrentConnectionMode(), kModeReceiver);
    EXPECT_EQ(manager.CurrentHandle(), nullptr);
    uint8_t buffer[65] = {0xAA, 0x10};
    EXPECT_FALSE(manager.SendCommand(buffer));
}

TEST_F(DeviceManagerTest, ReceiverThatDoesNotKnowItsKeyboardAsksTheKeyboard) {
    // The link frame says "connected" with product ID 0; the begin command names the keyboard.
    auto receiver = Keyboard({.answeredPid = kOtherCablePid});
    receiver->Script({{receiver->LinkFrame(kVid, 0, 4)}});  // the answer to 0xD0
    backend->Add(test::VendorInterface("/dev/hidraw2", kVid, kReceiverPid), receiver);
    manager.EnumerateDevice();
    std::vector<DeviceRecordInfo> records;
    ASSERT_TRUE(manager.GetSelectedRecords(records));
    EXPECT_EQ(records.at(0).device_type, kOtherType);
    EXPECT_EQ(records.at(0).online, 1);
    // The second query began with the begin command and stopped there.
    std::vector<uint8_t> commands;
    for (const Report& w : receiver->Writes()) {
        commands.push_back(w[2]);
    }
    EXPECT_EQ(commands, (std::vector<uint8_t>{0xD0, 0x10, 0x10, 0x30, 0x11}));
}

TEST_F(DeviceManagerTest, ReceiverThatGivesNoLinkFrameKeepsOnline) {
    AddReceiver("/dev/hidraw2", {.linkState = -1, .answersBegin = false});
    manager.EnumerateDevice();
    std::vector<DeviceRecordInfo> records;
    ASSERT_TRUE(manager.GetSelectedRecords(records));
    EXPECT_EQ(records.at(0).online, 1);
}

TEST_F(DeviceManagerTest, LinkQueryResults) {
    auto device = std::make_shared<FakeHidInterface>();
    backend->Add(test::VendorInterface("/dev/hidraw2", kVid, kReceiverPid), device);
    auto handle = backend->Open("/dev/hidraw2");
    uint16_t vid = 1, pid = 1;
    int online = 7;

    // An answer that is not a link frame leaves everything as it was (IDs zeroed).
    device->SetResponder([](const Report&) { return std::vector<Report>{Report(64, 0)}; });
    ASSERT_TRUE(manager.QueryLinkState(handle.get(), false, vid, pid, online));
    EXPECT_EQ(vid, 0);
    EXPECT_EQ(pid, 0);
    EXPECT_EQ(online, 7);

    device->Script({{device->LinkFrame(0x1234, 0x5678, 3)}});
    ASSERT_TRUE(manager.QueryLinkState(handle.get(), false, vid, pid, online));
    EXPECT_EQ(vid, 0x1234);
    EXPECT_EQ(pid, 0x5678);
    EXPECT_EQ(online, 0);

    device->SetWriteFails(true);
    EXPECT_FALSE(manager.QueryLinkState(handle.get(), true, vid, pid, online));
    EXPECT_FALSE(manager.QueryLinkState(nullptr, false, vid, pid, online));
}

TEST_F(DeviceManagerTest, SelectionPicksTheRecordsAndTheHandle) {
    auto first = AddCable("/dev/hidraw1");
    auto other = AddCable("/dev/hidraw2", {}, kOtherCablePid);
    manager.EnumerateDevice();
    std::vector<DeviceRecordInfo> records;
    ASSERT_TRUE(manager.GetSelectedRecords(records));
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(records[1].index, 1);

    manager.SetSelectedDeviceType(kOtherType);
    ASSERT_TRUE(manager.GetSelectedRecords(records));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].path, "/dev/hidraw2");

    // Changing the selection drops the cached handle: commands follow the new choice.
    first->ClearLog();
    other->ClearLog();
    uint8_t buffer[65] = {0xAA, 0x10};
    ASSERT_TRUE(manager.SendCommand(buffer));
    manager.SetSelectedDeviceType(kType);
    ASSERT_TRUE(manager.SendCommand(buffer));
    EXPECT_EQ(other->Writes().size(), 1u);
    EXPECT_EQ(first->Writes().size(), 1u);

    manager.SetSelectedDeviceType(999);
    ASSERT_TRUE(manager.GetSelectedRecords(records)) << "records exist, none of that type";
    EXPECT_TRUE(records.empty());
}

TEST_F(DeviceManagerTest, RecordStateMatchesTheProductNameWhenGiven) {
    backend->Add(test::VendorInterface("/dev/hidraw1", kVid, kCablePid, "Zanvor K1"), Keyboard({}));
    manager.EnumerateDevice();
    EXPECT_EQ(manager.RecordState(kVid, kCablePid, "Zanvor K1", kModeCable), 1);
    EXPECT_EQ(manager.RecordState(kVid, kCablePid, "", kModeCable), 1);
    EXPECT_EQ(manager.RecordState(kVid, kCablePid, "Zanvor K2", kModeCable), -1);
    EXPECT_EQ(manager.RecordState(kVid, kCablePid, "Zanvor K1", kModeReceiver), -1);
}

TEST_F(DeviceManagerTest, CloseAllClosesEveryHandleOnlyAfterAScan) {
    auto cable = AddCable("/dev/hidraw1");
    auto receiver = AddReceiver("/dev/hidraw2");
    EXPECT_FALSE(manager.IsActive());
    manager.EnumerateDevice();
    EXPECT_TRUE(manager.IsActive());
    EXPECT_EQ(cable->OpenHandles(), 1);

    manager.SetActive(false);
    manager.CloseAll();
    EXPECT_EQ(manager.RecordCount(), 2u) << "nothing closed while inactive";

    manager.SetActive(true);
    manager.CloseAll();
    EXPECT_EQ(manager.RecordCount(), 0u);
    EXPECT_EQ(cable->OpenHandles(), 0);
    EXPECT_EQ(receiver->OpenHandles(), 0);
    manager.SetSelectedDeviceType(kType);
    EXPECT_EQ(manager.CurrentHandle(), nullptr);

    // A rescan opens each interface once again.
    manager.EnumerateDevice();
    EXPECT_EQ(cable->OpenHandles(), 1);
    EXPECT_NE(manager.CurrentHandle(), nullptr);
}

TEST_F(DeviceManagerTest, ScanSleepsBeforeOpeningEachSupportedInterface) {
    AddCable("/dev/hidraw1");
    AddCable("/dev/hidraw2", {}, kOtherCablePid);
    backend->Add(test::VendorInterface("/dev/hidraw3", 0x1111, 0x2222),
                 std::make_shared<FakeHidInterface>());
    manager.SetDelays({std::chrono::milliseconds(30), std::chrono::milliseconds(0), false});
    const auto start = std::chrono::steady_clock::now();
    manager.EnumerateDevice();
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(60));
}

TEST_F(DeviceManagerTest, IsVendorInterfaceAsksTheBackendForTheUsage) {
    HidInterfaceInfo boot = test::VendorInterface("/SYS/HIDRAW0", kVid, kCablePid);
    boot.usage_page = 0x0001;
    boot.usage = 0x0006;
    backend->Add(boot, nullptr);
    backend->Add(test::VendorInterface("/SYS/HIDRAW1", kVid, kCablePid), nullptr);
    EXPECT_FALSE(manager.IsVendorInterface("/SYS/HIDRAW0"));
    EXPECT_TRUE(manager.IsVendorInterface("/SYS/HIDRAW1"));
    EXPECT_FALSE(manager.IsVendorInterface("/SYS/HIDRAW9"));
}

TEST_F(DeviceManagerTest, SelectionNeverWaitsForARunningExchange) {
    auto cable = AddCable("/dev/hidraw1");
    AddCable("/dev/hidraw2", {}, kOtherCablePid);
    manager.EnumerateDevice();
    manager.SetSelectedDeviceType(kType);

    std::promise<void> inExchange;
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    cable->SetResponder([&inExchange, released](const Report&) {
        inExchange.set_value();
        released.wait();  // the keyboard takes its time
        return std::vector<Report>{};
    });
    std::thread worker([this] {
        uint8_t buffer[65] = {0xAA, 0x10};
        manager.SendCommand(buffer);
    });
    inExchange.get_future().wait();

    auto choose = std::async(std::launch::async, [this] {
        manager.SetSelectedDeviceType(kOtherType);
        return manager.CurrentConnectionMode();
    });
    const bool done = choose.wait_for(std::chrono::seconds(2)) == std::future_status::ready;
    release.set_value();
    worker.join();
    ASSERT_TRUE(done) << "selection waited for the exchange";
    EXPECT_EQ(choose.get(), kModeCable);
    EXPECT_EQ(manager.SelectedDeviceType(), kOtherType);
}

// ---- receiver polling ----

class DeviceNotify : public DeviceManagerTest {
  protected:
    void SetUp() override {
        cable = AddCable("/dev/hidraw1", {}, kOtherCablePid);
        receiver = AddReceiver("/dev/hidraw2", {.linkState = 0, .answersBegin = false});
        manager.EnumerateDevice();
        ASSERT_EQ(manager.RecordOnline(kType, kModeReceiver), 0);
        cable->ClearLog();
        receiver->ClearLog();
    }
    std::shared_ptr<FakeHidInterface> cable;
    std::shared_ptr<FakeHidInterface> receiver;
    uint8_t buffer[65] = {};
    int deviceType = -1;
};

TEST_F(DeviceNotify, NothingToReadReturnsFalse) {
    EXPECT_FALSE(manager.GetDeviceNotify(buffer, deviceType));
    EXPECT_EQ(receiver->ReadTimeouts(), (std::vector<int>{5}));
    EXPECT_TRUE(cable->ReadTimeouts().empty()) << "only receivers are polled";
}

TEST_F(DeviceNotify, KeyboardSwitchedOnUpdatesTheRecord) {
    manager.SetSelectedDeviceType(kType);
    EXPECT_EQ(manager.CurrentHandle(), nullptr);
    receiver->QueueInput(receiver->LinkFrame(kVid, kCablePid, 4));
    ASSERT_TRUE(manager.GetDeviceNotify(buffer, deviceType));
    EXPECT_EQ(deviceType, kType);
    EXPECT_EQ(buffer[0], 0xAA);
    EXPECT_EQ(buffer[1], 0xD0);
    EXPECT_EQ(buffer[13], 4);
    EXPECT_EQ(manager.RecordOnline(kType, kModeReceiver), 1);
    EXPECT_NE(manager.CurrentHandle(), nullptr) << "the receiver is usable now";
    EXPECT_TRUE(receiver->Writes().empty()) << "a known product ID needs no further query";
}

TEST_F(DeviceNotify, KeyboardSwitchedOffTakesTheReceiverOffline) {
    receiver->QueueInput(receiver->LinkFrame(kVid, kCablePid, 4));
    ASSERT_TRUE(manager.GetDeviceNotify(buffer, deviceType));
    manager.SetSelectedDeviceType(kType);
    ASSERT_NE(manager.CurrentHandle(), nullptr);

    receiver->QueueInput(receiver->LinkFrame(kVid, kCablePid, 1));
    ASSERT_TRUE(manager.GetDeviceNotify(buffer, deviceType));
    EXPECT_EQ(deviceType, kType);
    EXPECT_EQ(manager.RecordOnline(kType, kModeReceiver), 0);
    EXPECT_EQ(manager.CurrentHandle(), nullptr);
}

TEST_F(DeviceNotify, UnknownProductIdIsAskedFromTheKeyboard) {
    receiver->SetResponder(nullptr);
    Report begin(64, 0);
    begin[0] = 0xAA;
    begin[1] = 0x10;
    begin[7] = 0x55;
    begin[9] = kVid & 0xFF;
    begin[10] = kVid >> 8;
    begin[11] = kOtherCablePid & 0xFF;
    begin[12] = kOtherCablePid >> 8;
    Report battery(64, 0);
    battery[1] = 0x30;
    battery[8] = 35;
    battery[9] = 1;
    // Link query's begin, then the battery query's begin, battery and end.
    receiver->Script({{begin}, {}, {battery}, {}});
    receiver->QueueInput(receiver->LinkFrame(kVid, 0, 4));
    ASSERT_TRUE(manager.GetDeviceNotify(buffer, deviceType));
    EXPECT_EQ(deviceType, kOtherType);
    std::vector<DeviceRecordInfo> records;
    manager.GetSelectedRecords(records);
    const DeviceRecordInfo& r = records.at(1);
    EXPECT_EQ(r.device_type, kOtherType);
    EXPECT_EQ(r.online, 1);
    EXPECT_EQ(r.battery, 35);
    EXPECT_EQ(r.charging, 1);
}

TEST_F(DeviceNotify, OtherReportIsReturnedAsRead) {
    Report other(64, 0);
    other[0] = 0xAA;
    other[1] = 0x42;
    other[8] = 0x99;
    receiver->QueueInput(other);
    ASSERT_TRUE(manager.GetDeviceNotify(buffer, deviceType));
    EXPECT_EQ(deviceType, 0);
    EXPECT_EQ(buffer[1], 0x42);
    EXPECT_EQ(buffer[8], 0x99);
    EXPECT_EQ(manager.RecordOnline(kType, kModeReceiver), 0);
}

// Interfaces whose device node this user may not open (no udev rule): enumerated, never opened.
class PermissionBackend : public FakeHidBackend {
  public:
    std::unique_ptr<HidDevice> Open(const std::string& path) override {
        return denied.count(path) != 0 ? nullptr : FakeHidBackend::Open(path);
    }
    bool OpenDenied(const std::string& path) override { return denied.count(path) != 0; }
    std::set<std::string> denied;
};

TEST(DeviceManagerAccessTest, AScanNamesTheKeyboardsThisUserMayNotOpenUntilAccessIsGranted) {
    auto backend = std::make_shared<PermissionBackend>();
    DeviceManager manager{backend};
    manager.SetDelays({std::chrono::milliseconds(0), std::chrono::milliseconds(0), false});
    manager.AddCatalogueEntry(kVid, kCablePid, "", kType, kModeCable);
    manager.AddCatalogueEntry(kVid, kReceiverPid, "", kType, kModeReceiver);
    manager.AddCatalogueEntry(kVid, kOtherCablePid, "", kOtherType, kModeCable);
    backend->Add(test::VendorInterface("/dev/hidraw0", kVid, kCablePid), Keyboard({}));
    backend->Add(test::VendorInterface("/dev/hidraw1", kVid, kReceiverPid), Keyboard({}));
    // Fails to open for another reason (gone between enumeration and opening): not named.
    backend->Add(test::VendorInterface("/dev/hidraw2", kVid, kOtherCablePid), nullptr);
    // Not a catalogued keyboard: never opened, never named.
    backend->Add(test::VendorInterface("/dev/hidraw3", 0x1234, 0x5678), nullptr);
    backend->denied = {"/dev/hidraw1", "/dev/hidraw3"};

    manager.EnumerateDevice();
    EXPECT_EQ(manager.RecordCount(), 1u);
    const std::vector<UnreachableInterface> unreachable = manager.UnreachableInterfaces();
    ASSERT_EQ(unreachable.size(), 1u);
    EXPECT_EQ(unreachable[0].device_type, kType);
    EXPECT_EQ(unreachable[0].mode, kModeReceiver);
    EXPECT_EQ(unreachable[0].path, "/dev/hidraw1");

    // The udev rule is installed: the next scan opens the receiver and names nothing.
    backend->denied.clear();
    manager.CloseAll();
    manager.EnumerateDevice();
    EXPECT_EQ(manager.RecordCount(), 2u);
    EXPECT_TRUE(manager.UnreachableInterfaces().empty());
}

}  // namespace
}  // namespace zanvor
