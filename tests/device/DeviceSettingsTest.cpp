// The connection read and the keyboard settings commands, end to end against virtual keyboards
// of the installed catalogue: assertions are on the bytes the keyboard received and kept, the
// configuration values of the profile and the main window's labels.

#include "device/DeviceSettings.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <mutex>
#include <random>

#include "device/DeviceCatalogue.h"
#include "device/DeviceManager.h"
#include "platform/Paths.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"
#include "store/DataStore.h"
#include "support/CaseName.h"
#include "support/FakeHid.h"
#include "support/TestHome.h"
#include "ui/CDeviceList.h"
#include "ui/LoadText.h"
#include "ui/MainView.h"

namespace zanvor {
namespace {

using namespace std::chrono_literals;

struct PostedMessage {
    uint32_t id;
    uintptr_t wParam;
    intptr_t lParam;
};

class RecordingPoster : public TaskPoster {
  public:
    void PostTask(int code) override {
        std::lock_guard lock(mutex_);
        tasks_.push_back(code);
    }
    void PostTaskIfIdle(int code) override { PostTask(code); }
    void PostWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        std::lock_guard lock(mutex_);
        messages_.push_back({id, wParam, lParam});
    }
    std::vector<PostedMessage> Messages() const {
        std::lock_guard lock(mutex_);
        return messages_;
    }

  private:
    mutable std::mutex mutex_;  // guards tasks_ and messages_
    std::vector<int> tasks_;
    std::vector<PostedMessage> messages_;
};

constexpr uint16_t kPulseReceiverPid = 0x3011;

class DeviceSettingsTest : public test::IsolatedHomeTest {
  protected:
    void SetUp() override {
        IsolatedHomeTest::SetUp();
        SetActiveLanguageId(1033);
        ASSERT_TRUE(ReadCatalogueFile(ApplicationFolder(), catalogue_));
        FillDeviceList(catalogue_, deviceList);
        ASSERT_TRUE(CreateFolders(DataFolder() + "db"));
        ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), "Settings Test"));
        ProfileData profile;
        profile.name = "Test";
        profileId = store.InsertProfile(profile);
        ASSERT_GT(profileId, 0);
        store.InsertDefaultConfig(profileId);
        session.currentProfile = profileId;
    }

    // Connects one virtual keyboard ("102:cable"); `adjust` changes its model first. The 102
    // model gains a receiver connection for tests that need one.
    void Connect(int type, int mode,
                 const std::function<void(VirtualKeyboardModel&)>& adjust = nullptr) {
        std::vector<VirtualKeyboardModel> models;
        ASSERT_TRUE(LoadCatalogueModels(ApplicationFolder(), models));
        for (VirtualKeyboardModel& model : models) {
            if (model.device_type == 102) {
                model.connections.push_back(
                    {kModeReceiver, kZanvorVendorId, kPulseReceiverPid, ""});
            }
            if (model.device_type == type && adjust) {
                adjust(model);
            }
        }
        std::string error;
        sim = MakeSimBackend(
            models, std::to_string(type) + (mode == kModeCable ? ":cable" : ":receiver"), error);
        ASSERT_TRUE(sim) << error;
        Bind(sim, type);
        manager->AddCatalogueEntry(kZanvorVendorId, kPulseReceiverPid, "", 102, kModeReceiver);
        manager->EnumerateDevice();
        manager->SetActive(true);
        manager->SetSelectedDeviceType(type);
        ASSERT_NE(manager->CurrentHandle(), nullptr);
        sim->ClearReports();
    }

    // A manager over `backend` with the catalogue's connection entries, and the page objects.
    void Bind(std::shared_ptr<HidBackend> backend, int type) {
        manager = std::make_unique<DeviceManager>(std::move(backend));
        manager->SetDelays({0ms, 0ms, false});
        for (const ConnectionEntry& c : catalogue_.connections) {
            manager->AddCatalogueEntry(c.vendorId, c.productId, c.productName, c.deviceType,
                                       c.mode);
        }
        session.currentDeviceType = type;
        settings = std::make_unique<DeviceSettings>(*manager, store, session, poster, mainView,
                                                    deviceList, hooks);
    }

    std::shared_ptr<VirtualKeyboard> Keyboard() {
        return sim->Keyboard(session.currentDeviceType.load());
    }

    // The keyboard's parameter block replaced through the protocol.
    void SetKeyboardParameters(const ParameterBlock& block) {
        ParameterBlock copy = block;
        ASSERT_TRUE(manager->WriteBlock(kCommandWriteParameters, copy));
        sim->ClearReports();
    }

    ParameterBlock KeyboardParameters() {
        const std::vector<uint8_t> data = Keyboard()->BlockData(kCommandReadParameters);
        ParameterBlock block{};
        std::copy_n(data.begin(), std::min(data.size(), block.size()), block.begin());
        return block;
    }

    // The command bytes the keyboard received, in order.
    std::vector<uint8_t> Commands() {
        std::vector<uint8_t> commands;
        for (const SimReport& report : sim->Reports()) {
            if (report.to_device && report.bytes.size() > 2) {
                commands.push_back(report.bytes[2]);
            }
        }
        return commands;
    }

    // Reports written with this command (report ID first).
    std::vector<std::vector<uint8_t>> WritesOf(uint8_t command) {
        std::vector<std::vector<uint8_t>> writes;
        for (const SimReport& report : sim->Reports()) {
            if (report.to_device && report.bytes.size() > 2 && report.bytes[2] == command) {
                writes.push_back(report.bytes);
            }
        }
        return writes;
    }

    std::string Config(const char* key) {
        std::string value;
        store.GetConfigValue(profileId, key, value);
        return value;
    }

    void ExpectPlaceholderLabels() {
        EXPECT_EQ(mainView.InfoLabel(0), "Firmware: v1.00");
        EXPECT_EQ(mainView.InfoLabel(1), LoadText("KB.DIALOG", 531));
        EXPECT_EQ(mainView.InfoLabel(2), LoadText("KB.DIALOG", 532));
    }

    DeviceCatalogue catalogue_;
    DataStore store;
    SessionState session;
    RecordingPoster poster;
    MainView mainView;
    CDeviceList deviceList;
    DeviceSettings::Hooks hooks;
    int profileId = 0;
    std::shared_ptr<SimHidBackend> sim;
    std::unique_ptr<DeviceManager> manager;
    std::unique_ptr<DeviceSettings> settings;
};

// ---- writing the settings ----------------------------------------------------------------

struct WriteCase {
    uint8_t lightingVersion;
    size_t game, mac, lockWin, wasd, keyResponse, sleep;
};

class WriteSettingsTest : public DeviceSettingsTest,
                          public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteSettingsTest, PatchesTheSixSettingsAndKeepsEveryOtherByte) {
    const WriteCase c = GetParam();
    Connect(101, kModeCable,
            [&](VirtualKeyboardModel& m) { m.lighting_protocol_version = c.lightingVersion; });
    ParameterBlock before{};
    for (size_t i = 0; i < before.size(); ++i) {
        before[i] = static_cast<uint8_t>(0xA0 + i);
    }
    SetKeyboardParameters(before);
    ASSERT_TRUE(settings->ReadDeviceInfo());
    store.UpdateConfigValue(profileId, "game_mode", "1");
    store.UpdateConfigValue(profileId, "mac_mode", "1");
    store.UpdateConfigValue(profileId, "lock_win", "0");
    store.UpdateConfigValue(profileId, "wasd_mode", "1");
    store.UpdateConfigValue(profileId, "key_keyresponse", "16");
    store.UpdateConfigValue(profileId, "sleep_time", "10");
    sim->ClearReports();

    ASSERT_TRUE(settings->TaskWriteSettings());

    ParameterBlock expected = before;
    expected[c.game] = 1;
    expected[c.mac] = 1;
    expected[c.lockWin] = 0;
    expected[c.wasd] = 1;
    expected[c.keyResponse] = 16;
    expected[c.sleep] = 0x58;  // 600 seconds
    expected[c.sleep + 1] = 0x02;
    expected[c.sleep + 2] = 0x00;
    EXPECT_EQ(KeyboardParameters(), expected);
    EXPECT_EQ(session.Parameters(), expected);
    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x10, 0x14, 0x14, 0x15, 0x15, 0x11}));
}

INSTANTIATE_TEST_SUITE_P(LightingProtocolVersions, WriteSettingsTest,
                         ::testing::Values(WriteCase{2, 38, 39, 40, 41, 42, 46},
                                           WriteCase{1, 29, 30, 31, 32, 33, 35}),
                         [](const auto& info) {
                             return "Version" + std::to_string(info.param.lightingVersion);
                         });

TEST_F(DeviceSettingsTest, WritingBeforeAnyReadLearnsTheLayoutFromTheKeyboard) {
    // A keyboard below version 2 keeps its sleep time at 35-37; bytes 46-48 hold lighting.
    Connect(101, kModeCable, [](VirtualKeyboardModel& m) { m.lighting_protocol_version = 1; });
    ParameterBlock before{};
    before[46] = 0x11;
    before[47] = 0x22;
    before[48] = 0x33;
    SetKeyboardParameters(before);
    store.UpdateConfigValue(profileId, "sleep_time", "10");

    ASSERT_TRUE(settings->TaskWriteSettings());

    const ParameterBlock after = KeyboardParameters();
    EXPECT_EQ(after[35], 0x58);
    EXPECT_EQ(after[36], 0x02);
    EXPECT_EQ(after[46], 0x11);
    EXPECT_EQ(after[47], 0x22);
    EXPECT_EQ(after[48], 0x33);
}

TEST_F(DeviceSettingsTest, AFailedBlockReadWritesNothingButStillEnds) {
    Connect(101, kModeCable);
    ASSERT_TRUE(settings->ReadDeviceInfo());
    sim->ClearReports();
    sim->RefuseCommand(kCommandReadParameters, true);

    EXPECT_FALSE(settings->TaskWriteSettings());

    EXPECT_TRUE(WritesOf(kCommandWriteParameters).empty());
    EXPECT_EQ(Commands().back(), 0x11);
}

TEST_F(DeviceSettingsTest, OutOfRangeConfigurationValuesAreClampedToTheirBytes) {
    Connect(101, kModeCable);
    ASSERT_TRUE(settings->ReadDeviceInfo());
    store.UpdateConfigValue(profileId, "sleep_time", "999999999");
    store.UpdateConfigValue(profileId, "key_keyresponse", "-4");

    ASSERT_TRUE(settings->TaskWriteSettings());

    const ParameterBlock after = KeyboardParameters();
    EXPECT_EQ(after[42], 0);
    EXPECT_EQ(after[46], 0xFF);
    EXPECT_EQ(after[47], 0xFF);
    EXPECT_EQ(after[48], 0xFF);
}

// ---- reading the keyboard ----------------------------------------------------------------

TEST_F(DeviceSettingsTest, TheKeyboardsSettingsBecomeTheProfilesConfigurationValues) {
    Connect(101, kModeCable);
    ParameterBlock block{};
    block[38] = 1;   // game mode
    block[39] = 0;   // Windows
    block[40] = 1;   // Windows key locked
    block[41] = 1;   // WASD swapped
    block[42] = 16;  // key response
    block[46] = 90;  // 90 seconds
    SetKeyboardParameters(block);

    ASSERT_TRUE(settings->ReadDeviceInfo());

    EXPECT_EQ(Config("game_mode"), "1");
    EXPECT_EQ(Config("mac_mode"), "0");
    EXPECT_EQ(Config("lock_win"), "1");
    EXPECT_EQ(Config("wasd_mode"), "1");
    EXPECT_EQ(Config("key_keyresponse"), "16");
    EXPECT_EQ(Config("sleep_time"), "1");
    EXPECT_EQ(session.Parameters(), block);
}

TEST_F(DeviceSettingsTest, TheInformationBlockIsMirroredAndShowsTheModelsPages) {
    bool matrixHook = false;
    std::pair<bool, bool> zones{false, false};
    hooks.matrixScreenPresent = [&](bool present) { matrixHook = present; };
    hooks.lightingZones = [&](bool zone1, bool zone2) { zones = {zone1, zone2}; };
    Connect(102, kModeCable, [](VirtualKeyboardModel& m) {
        m.macro_capacity_units = 12;
        m.has_zone1 = true;
        m.has_zone2 = false;
        m.zone1_max_brightness = 200;
        m.matrix_max_speed = 4;
    });
    mainView.SetTabVisible(kMatrixScreenTab, false);

    ASSERT_TRUE(settings->ReadDeviceInfo());

    const DeviceInfo info = session.Info();
    EXPECT_TRUE(info.valid);
    EXPECT_EQ(info.lightingProtocolVersion, 2);
    EXPECT_EQ(info.macroCapacity, 12 * 256);
    EXPECT_TRUE(info.zone1Present);
    EXPECT_EQ(info.zone1MaxBrightness, 200);
    EXPECT_FALSE(info.zone2Present);
    EXPECT_TRUE(info.matrixPresent);
    EXPECT_EQ(info.matrixMaxSpeed, 4);
    EXPECT_TRUE(mainView.TabVisible(kMatrixScreenTab));
    EXPECT_TRUE(matrixHook);
    EXPECT_EQ(zones, std::make_pair(true, false));
    EXPECT_EQ(session.currentConnectionMode.load(), kModeCable);
}

TEST_F(DeviceSettingsTest, AKeyboardWithoutMatrixScreenHidesItsTab) {
    Connect(101, kModeCable);
    mainView.SetTabVisible(kMatrixScreenTab, true);
    ASSERT_TRUE(settings->ReadDeviceInfo());
    EXPECT_FALSE(session.Info().matrixPresent);
    EXPECT_FALSE(mainView.TabVisible(kMatrixScreenTab));
}

struct FirmwareCase {
    uint16_t version;
    std::string text;
    std::string label;
};

class FirmwareLabelTest : public DeviceSettingsTest,
                          public ::testing::WithParamInterface<FirmwareCase> {};

TEST_P(FirmwareLabelTest, ShowsTheFirstAndTheLastTwoCharactersOfTheHexText) {
    const FirmwareCase c = GetParam();
    Connect(101, kModeCable, [&](VirtualKeyboardModel& m) { m.firmware_version = c.version; });
    ASSERT_TRUE(settings->ReadDeviceInfo());
    EXPECT_EQ(session.Info().firmwareText, c.text);
    EXPECT_EQ(mainView.InfoLabel(0), c.label);
    EXPECT_EQ(mainView.InfoLabel(1), LoadText("KB.DIALOG", 531));
    EXPECT_EQ(mainView.InfoLabel(2), LoadText("KB.DIALOG", 532));
}

INSTANTIATE_TEST_SUITE_P(Versions, FirmwareLabelTest,
                         ::testing::Values(FirmwareCase{0x0114, "114", "Firmware: v1.14"},
                                           FirmwareCase{0x0005, "5", "Firmware: v5.5"},
                                           FirmwareCase{0x0042, "42", "Firmware: v4.42"},
                                           FirmwareCase{0x1ABC, "1abc", "Firmware: v1.bc"}),
                         [](const auto& info) { return "Firmware_" + info.param.text; });

struct OfferCase {
    int type;
    int mode;
    uint16_t firmware;
    int state;
    bool posted;
};

class FirmwareOfferTest : public DeviceSettingsTest,
                          public ::testing::WithParamInterface<OfferCase> {};

TEST_P(FirmwareOfferTest, OnlyACabledPulseBelow115IsOfferedAnUpdate) {
    const OfferCase c = GetParam();
    Connect(c.type, c.mode, [&](VirtualKeyboardModel& m) { m.firmware_version = c.firmware; });

    ASSERT_TRUE(settings->ReadDeviceInfo());

    EXPECT_EQ(session.Info().firmwareOffer, c.state);
    const std::vector<PostedMessage> messages = poster.Messages();
    if (c.posted) {
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_EQ(messages[0].id, 0x69Eu);
        EXPECT_EQ(messages[0].wParam, 2u);
        EXPECT_EQ(messages[0].lParam, 0);
        EXPECT_EQ(mainView.InfoLabel(1), "New version: v1.15");
        EXPECT_EQ(mainView.InfoLabel(2), "Firmware update");
    } else {
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(mainView.InfoLabel(1), LoadText("KB.DIALOG", 531));
    }
}

INSTANTIATE_TEST_SUITE_P(Models, FirmwareOfferTest,
                         ::testing::Values(OfferCase{102, kModeCable, 0x0114, 1, true},
                                           OfferCase{102, kModeCable, 0x0115, 2, false},
                                           OfferCase{102, kModeCable, 0x0120, 2, false},
                                           OfferCase{102, kModeReceiver, 0x0114, 0, false},
                                           OfferCase{101, kModeCable, 0x0114, 0, false}),
                         [](const auto& info) {
                             const OfferCase& c = info.param;
                             char hex[8];
                             std::snprintf(hex, sizeof hex, "%04x", c.firmware);
                             return test::CaseName(
                                 "Type" + std::to_string(c.type) +
                                     (c.mode == kModeCable ? "_cable_" : "_receiver_") + hex,
                                 info.index);
                         });

TEST_F(DeviceSettingsTest, TheOfferRemembersTheFirmwareToolsVersion) {
    Connect(101, kModeCable);
    ASSERT_TRUE(settings->ReadDeviceInfo());
    EXPECT_EQ(settings->FirmwareToolVersion(), "22");
    Connect(102, kModeCable);
    ASSERT_TRUE(settings->ReadDeviceInfo());
    EXPECT_EQ(settings->FirmwareToolVersion(), "115");
}

TEST_F(DeviceSettingsTest, ABatteryLevelIsShownAndAZeroLevelChangesNothing) {
    std::vector<std::pair<int, int>> shown;
    hooks.showBattery = [&](int level, int charging) { shown.emplace_back(level, charging); };
    Connect(101, kModeReceiver);

    sim->SetBattery(101, 80, true);
    ASSERT_TRUE(settings->ReadDeviceInfo());
    EXPECT_EQ(session.Info().battery, 80);
    EXPECT_EQ(session.Info().charging, 1);
    int level = 0;
    int charging = 0;
    ASSERT_TRUE(deviceList.GetDeviceBattery(101, kModeCable, level, charging));
    EXPECT_EQ(level, 80);
    EXPECT_EQ(charging, 1);

    sim->SetBattery(101, 0, false);
    ASSERT_TRUE(settings->ReadDeviceInfo());
    EXPECT_EQ(session.Info().battery, 80);
    EXPECT_EQ(session.Info().charging, 1);
    ASSERT_TRUE(deviceList.GetDeviceBattery(101, kModeCable, level, charging));
    EXPECT_EQ(level, 80);
    EXPECT_EQ(shown, (std::vector<std::pair<int, int>>{{80, 1}}));
}

// ---- the read sequence ----------------------------------------------------------------------

TEST_F(DeviceSettingsTest, TheReadSequenceRunsItsStepsInOrderAndEnds) {
    Connect(101, kModeCable, [](VirtualKeyboardModel& m) { m.firmware_version = 0x0114; });
    std::vector<int> ran;
    const bool done = settings->ReadDeviceState({
        [&] {
            ran.push_back(1);
            std::array<uint8_t, 384> table{};
            return manager->WriteBlock(0x16, table);
        },
        [&] {
            ran.push_back(2);
            return true;
        },
    });

    EXPECT_TRUE(done);
    EXPECT_EQ(ran, (std::vector<int>{1, 2}));
    std::vector<uint8_t> commands = Commands();
    commands.erase(std::unique(commands.begin(), commands.end()), commands.end());
    EXPECT_EQ(commands, (std::vector<uint8_t>{0x10, 0x12, 0x14, 0x30, 0x16, 0x11}));
    EXPECT_TRUE(settings->WasRead(101));
    EXPECT_EQ(mainView.InfoLabel(0), "Firmware: v1.14");
}

TEST_F(DeviceSettingsTest, AFailingStepStopsTheSequenceWithoutTheEndCommand) {
    Connect(101, kModeCable);
    std::vector<int> ran;
    const bool done = settings->ReadDeviceState({
        [&] {
            ran.push_back(1);
            return false;
        },
        [&] {
            ran.push_back(2);
            return true;
        },
    });

    EXPECT_FALSE(done);
    EXPECT_EQ(ran, std::vector<int>{1});
    EXPECT_TRUE(WritesOf(0x11).empty());
    EXPECT_FALSE(settings->WasRead(101));
}

TEST_F(DeviceSettingsTest, AFailedParameterReadKeepsPlaceholdersValuesAndOffer) {
    // Firmware 114: it would be offered an update.
    Connect(102, kModeCable, [](VirtualKeyboardModel& m) { m.firmware_version = 0x0114; });
    store.UpdateConfigValue(profileId, "sleep_time", "30");
    sim->RefuseCommand(kCommandReadParameters, true);

    EXPECT_FALSE(settings->ReadDeviceState());

    ExpectPlaceholderLabels();
    EXPECT_EQ(Config("sleep_time"), "30");
    EXPECT_TRUE(poster.Messages().empty());
    EXPECT_TRUE(WritesOf(0x11).empty());
}

TEST_F(DeviceSettingsTest, AFailedInformationReadForgetsTheEarlierKeyboard) {
    Connect(102, kModeCable);
    ASSERT_TRUE(settings->ReadDeviceInfo());
    ASSERT_TRUE(session.Info().matrixPresent);
    sim->RefuseCommand(kCommandDeviceInfo, true);

    EXPECT_FALSE(settings->ReadDeviceState());

    EXPECT_FALSE(session.Info().valid);
    EXPECT_FALSE(session.Info().matrixPresent);
    ExpectPlaceholderLabels();
}

// A keyboard answering every request with random bytes: nothing is taken from it.
TEST_F(DeviceSettingsTest, GarbageAnswersLeaveThePlaceholders) {
    auto device = std::make_shared<test::FakeHidInterface>();
    std::mt19937 random(7);
    device->SetResponder([&random](const test::Report&) {
        test::Report answer(64);
        for (uint8_t& byte : answer) {
            byte = static_cast<uint8_t>(random());
        }
        answer[7] = 0x0F;  // whatever else it says, it never accepts
        return std::vector<test::Report>{answer};
    });
    auto backend = std::make_shared<test::FakeHidBackend>();
    backend->Add(test::VendorInterface("/dev/hidraw7", kZanvorVendorId, 0x3010), device);
    Bind(backend, 102);
    manager->EnumerateDevice();
    manager->SetActive(true);
    manager->SetSelectedDeviceType(102);
    store.UpdateConfigValue(profileId, "mac_mode", "1");

    EXPECT_FALSE(settings->ReadDeviceState());

    ExpectPlaceholderLabels();
    EXPECT_EQ(Config("mac_mode"), "1");
    EXPECT_TRUE(poster.Messages().empty());
}

TEST(DeviceInfoParseTest, AShortBlockReadsAsZerosPastItsEnd) {
    const std::array<uint8_t, 9> block{0, 0, 0, 0, 0, 0, 0x14, 0x01, 2};
    const DeviceInfo info = ParseDeviceInfo(block);
    EXPECT_EQ(info.firmwareVersion, 0x0114);
    EXPECT_EQ(info.lightingProtocolVersion, 2);
    EXPECT_EQ(info.macroCapacity, 0);
    EXPECT_FALSE(info.matrixPresent);
    EXPECT_FALSE(info.knobPresent);
}

TEST(DeviceInfoParseTest, ZoneFieldsMoveBelowVersion2AndLoseTheMatrixAndKnob) {
    std::array<uint8_t, kDeviceInfoSize> block{};
    block[8] = 1;
    block[19] = 1;
    block[21] = 50;  // zone 2 brightness below version 2
    block[22] = 3;
    block[25] = 1;
    block[27] = 60;  // zone 1 brightness below version 2
    block[28] = 4;
    block[31] = 1;  // not a matrix flag below version 2
    block[37] = 1;
    const DeviceInfo info = ParseDeviceInfo(block);
    EXPECT_EQ(info.zone2MaxBrightness, 50);
    EXPECT_EQ(info.zone2MaxSpeed, 3);
    EXPECT_EQ(info.zone1MaxBrightness, 60);
    EXPECT_EQ(info.zone1MaxSpeed, 4);
    EXPECT_FALSE(info.matrixPresent);
    EXPECT_FALSE(info.knobPresent);
}

// ---- reset ------------------------------------------------------------------------------

class ResetTest : public DeviceSettingsTest, public ::testing::WithParamInterface<int> {};

TEST_P(ResetTest, SendsTheResetCommandCappedToTheChunkAndRestoresTheFactoryState) {
    const int reportLength = GetParam();
    Connect(101, kModeCable, [&](VirtualKeyboardModel& m) { m.report_length = reportLength; });
    const ParameterBlock factory = KeyboardParameters();
    ParameterBlock changed = factory;
    changed[40] ^= 1;
    changed[46] = 0x58;
    SetKeyboardParameters(changed);

    EXPECT_TRUE(settings->TaskResetDefaults());

    EXPECT_EQ(Commands(), (std::vector<uint8_t>{0x10, 0x31, 0x11}));
    const std::vector<uint8_t> reset = WritesOf(kCommandResetDefaults).at(0);
    EXPECT_EQ(reset[5], reportLength == 65 ? 0x38 : 0x18);
    EXPECT_EQ(KeyboardParameters(), factory);
}

INSTANTIATE_TEST_SUITE_P(ReportLengths, ResetTest, ::testing::Values(65, 33),
                         [](const auto& info) { return "Report" + std::to_string(info.param); });

}  // namespace
}  // namespace zanvor
