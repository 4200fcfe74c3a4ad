#pragma once

// A virtual keyboard of the installed catalogue behind its own device manager, with a database
// holding three profiles, the model's layout on a keyboard picture and the session filled from
// the keyboard's own information block. Lighting tests drive the page and the jobs over it and
// check the bytes the keyboard received.

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceCatalogue.h"
#include "device/DeviceManager.h"
#include "device/DeviceSettings.h"
#include "device/KeyLayout.h"
#include "device/SessionState.h"
#include "keys/KeyTables.h"
#include "lighting/LightPage.h"
#include "lighting/LightPositionMap.h"
#include "lighting/LightRows.h"
#include "platform/Paths.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"
#include "store/DataStore.h"
#include "support/SimReports.h"
#include "support/TestHome.h"
#include "ui/AuroraEffect.h"
#include "ui/KeyboardCtrl.h"

namespace zanvor::test {

class LightDeviceTest : public IsolatedHomeTest {
  protected:
    // Builds the virtual keyboard of a catalogue model (after `tweak` changed it), the device
    // manager, the store with three profiles, the keyboard picture, the session's device
    // information (read from the keyboard) and the key index map of its factory table.
    void StartDevice(int deviceType, const std::function<void(VirtualKeyboardModel&)>& tweak = {}) {
        type = deviceType;
        std::vector<VirtualKeyboardModel> models;
        ASSERT_TRUE(LoadCatalogueModels(ApplicationFolder(), models));
        for (VirtualKeyboardModel& model : models) {
            if (model.device_type == deviceType && tweak) {
                tweak(model);
            }
        }
        std::string error;
        sim = MakeSimBackend(models, std::to_string(deviceType) + ":cable", error);
        ASSERT_TRUE(sim) << error;
        manager = std::make_unique<DeviceManager>(sim);
        manager->SetDelays({std::chrono::milliseconds(0), std::chrono::milliseconds(0), false});
        DeviceCatalogue catalogue;
        ASSERT_TRUE(ReadCatalogueFile(ApplicationFolder(), catalogue));
        for (const ConnectionEntry& entry : catalogue.connections) {
            manager->AddCatalogueEntry(entry.vendorId, entry.productId, entry.productName,
                                       entry.deviceType, entry.mode);
        }
        manager->EnumerateDevice();
        manager->SetSelectedDeviceType(deviceType);
        ASSERT_NE(manager->CurrentHandle(), nullptr);

        ASSERT_TRUE(CreateFolders(DataFolder() + "db"));
        ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), "lighting"));
        for (const char* name : {"One", "Two", "Three"}) {
            ProfileData profile;
            profile.name = name;
            const int id = store.InsertProfile(profile);
            ASSERT_GT(id, 0);
            store.InsertDefaultConfig(id);
        }

        const KeyboardEntry* keyboard = FindKeyboard(catalogue.keyboards, deviceType);
        ASSERT_NE(keyboard, nullptr);
        ASSERT_TRUE(
            ReadLayoutFile(LayoutFilePath(ApplicationFolder(), keyboard->layoutName), layout));
        ApplyLayoutToControls(layout, deviceType, picture, effect);

        session.currentDeviceType = deviceType;
        session.currentProfile = 1;
        std::array<uint8_t, kDeviceInfoSize> info{};
        ASSERT_TRUE(manager->WriteBlock(kCommandDeviceInfo, info));
        session.SetInfo(ParseDeviceInfo(info));

        std::array<uint8_t, kKeyTableBytes> table{};
        ASSERT_TRUE(manager->WriteBlock(DefaultTableCommand(0), table));
        tables.SetDefaultTable(0, table);
        sim->ClearReports();
    }

    void TearDown() override {
        manager.reset();
        store.CloseDatabase();
        IsolatedHomeTest::TearDown();
    }

    VirtualKeyboard& Keyboard() const { return *sim->Keyboard(type); }
    std::vector<Received> Writes() const { return ReceivedCommands(sim->Reports()); }
    std::vector<uint8_t> Commands() const { return CommandBytes(Writes()); }
    Bytes BlockWritten(uint8_t command) const { return JoinBlock(Writes(), command); }

    // The layout's key with that code.
    const LayoutKey& Key(int code) const {
        for (const LayoutKey& key : layout.keys) {
            if (key.code == code) {
                return key;
            }
        }
        ADD_FAILURE() << "no key " << code;
        static const LayoutKey none;
        return none;
    }

    int type = 0;
    std::shared_ptr<SimHidBackend> sim;
    std::unique_ptr<DeviceManager> manager;
    DataStore store;
    KeyLayout layout;
    KeyboardCtrl picture;
    AuroraEffect effect;
    SessionState session;
    KeyTables tables;
};

// The lighting page over the virtual keyboard: the LED positions are read, the page built with
// no wait before its light mode writes, and the first zone loaded.
class LightPageTest : public LightDeviceTest {
  protected:
    void Start(int deviceType, const std::function<void(VirtualKeyboardModel&)>& tweak = {}) {
        StartDevice(deviceType, tweak);
        const uint64_t connection = session.BeginConnection();
        ASSERT_TRUE(ReadLightPositionMap(*manager, tables, session));
        session.MarkConnectionRead(connection);
        page = std::make_unique<LightPage>(*manager, store, session, poster, tables, picture);
        page->SetWriteDelay(std::chrono::milliseconds(0));
        page->LoadLightZone();
        sim->ClearReports();
    }
    void TearDown() override {
        page.reset();
        LightDeviceTest::TearDown();
    }

    // The parameter block as the keyboard holds it.
    Bytes Block() const { return Keyboard().BlockData(0x14); }
    LightData Row(int lightType, int mode) {
        LightData row;
        EXPECT_TRUE(store.GetLightRow(1, lightType, mode, row)) << lightType << "/" << mode;
        return row;
    }
    void ChooseMode(int mode) {
        ASSERT_TRUE(page->modeList.SelectData(mode)) << mode;
        page->SelectLightMode(mode);
    }
    void ChooseSet(int mode) {
        ASSERT_TRUE(page->customSets.SelectData(mode)) << mode;
        page->SelectCustomSet();
    }
    // Runs what the page posted, in order, as the worker would; returns the codes run.
    std::vector<int> RunPosted() {
        std::vector<int> ran;
        while (!poster.tasks.empty()) {
            const int code = poster.tasks.front();
            poster.tasks.erase(poster.tasks.begin());
            ran.push_back(code);
            switch (code) {
                case kTaskWriteCustomLightMode:
                    page->TaskWriteCustomLightMode();
                    break;
                case kTaskWriteLightMode:
                case kTaskWriteLightModeAlt:
                    page->TaskWriteLightMode();
                    break;
                case kTaskReadKeyColors:
                    page->TaskReadKeyColors();
                    break;
                case kTaskWriteLightLayer:
                    page->TaskWriteLightLayer();
                    break;
                default:
                    ADD_FAILURE() << "unexpected task " << code;
            }
        }
        return ran;
    }
    // The colour the page's picture shows for a key.
    uint32_t PictureColor(int code) const {
        KeyItem item;
        EXPECT_TRUE(page->picture.GetKeyItem(code, item)) << code;
        return item.color;
    }

    RecordingPoster poster;
    std::unique_ptr<LightPage> page;
};

}  // namespace zanvor::test
