#pragma once

// The key-assignment and knob pages over a virtual keyboard built from the installed catalogue,
// with their own device manager, database, session and controls. Tests drive the models as a
// user would and check the database and the bytes the virtual keyboard received.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "device/DeviceCatalogue.h"
#include "device/DeviceManager.h"
#include "device/KeyLayout.h"
#include "device/ReportFraming.h"
#include "device/SessionState.h"
#include "keys/KeyAssignmentPage.h"
#include "keys/KnobPage.h"
#include "platform/Paths.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"
#include "store/DataStore.h"
#include "support/SimReports.h"
#include "support/TestHome.h"
#include "ui/AuroraEffect.h"
#include "ui/CombinationKeyPanel.h"
#include "ui/KeyFuncValue.h"
#include "ui/KeyLayerCtrl.h"
#include "ui/KeyboardCtrl.h"
#include "ui/MacroPlayPanel.h"
#include "ui/ScriptedDialogs.h"

namespace zanvor::test {

class KeyPageTest : public IsolatedHomeTest {
  protected:
    static constexpr int kType = 101;
    static constexpr const char* kLayoutName = "nova75w";

    // Builds the virtual keyboard (after `tweak` changed its model), the store with three
    // profiles and the pages, and creates profile 1's rows.
    void Start(const std::function<void(VirtualKeyboardModel&)>& tweak = {}, int deviceType = kType,
               const std::string& layoutName = kLayoutName) {
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
        ASSERT_TRUE(store.OpenDeviceDatabase(DataFolder(), "keys"));
        for (const char* name : {"One", "Two", "Three"}) {
            ProfileData profile;
            profile.name = name;
            ASSERT_GT(store.InsertProfile(profile), 0);
        }

        ASSERT_TRUE(ReadLayoutFile(LayoutFilePath(ApplicationFolder(), layoutName), layout));
        ApplyLayoutToControls(layout, deviceType, keyboard, effect);

        session.currentDeviceType = deviceType;
        session.currentProfile = 1;
        session.currentLayer = 0;
        DeviceInfo info;
        info.valid = true;
        info.knobPresent = sim->Keyboard(deviceType)->Model().has_knob;
        info.firmwareText = "114";
        session.SetInfo(info);

        page = std::make_unique<KeyAssignmentPage>(
            *manager, store, session, poster, dialogs,
            KeyPageControls{keyboard, functions, layers, macroPlay, combination});
        knob =
            std::make_unique<KnobPage>(*manager, store, session, poster, keyboard, page->Tables());
        page->SetKnobDialogOpener([this] { knob->OpenKnobDialog(); });
        page->CreateDefaultKeyRows(1);
    }

    // The connection sequence's part of the key tables, bracketed as the sequence does.
    bool Connect() {
        SendBracketCommand(*manager, kCommandBegin);
        const uint64_t connection = session.Connection();
        const bool ok = page->ReadDefaultTables() && page->ReadKeyTables();
        SendBracketCommand(*manager, kCommandEnd);
        if (ok) {
            session.MarkConnectionRead(connection);
        }
        return ok;
    }

    void TearDown() override {
        knob.reset();
        page.reset();
        manager.reset();
        store.CloseDatabase();
        IsolatedHomeTest::TearDown();
    }

    // Every command written to the keyboard since the last ClearReports.
    std::vector<Received> Writes() const { return ReceivedCommands(sim->Reports()); }
    std::vector<uint8_t> Commands() const { return CommandBytes(Writes()); }
    // The data of every chunk of one command, joined in offset order.
    Bytes BlockWritten(uint8_t command) const { return JoinBlock(Writes(), command); }
    Bytes Entry(uint8_t tableCommand, int index) const {
        const Bytes table = sim->Keyboard(kType)->BlockData(tableCommand);
        return Bytes(table.begin() + 3 * index, table.begin() + 3 * index + 3);
    }

    KeyMacroData Row(int profile, int layer, int usage) {
        KeyMacroData row;
        EXPECT_TRUE(store.GetKey(profile, layer, usage, row))
            << profile << "/" << layer << "/" << usage;
        return row;
    }
    // The layout's table index of a key.
    int LayoutIndex(int usage) const {
        for (const LayoutKey& key : layout.keys) {
            if (key.code == usage) {
                return key.keyIndex;
            }
        }
        return -1;
    }
    // Selects a function of the current tab by its code, as a click in the list.
    void ClickFunction(int code) {
        const auto items = functions.Items();
        const auto it = std::find_if(items.begin(), items.end(),
                                     [code](const KeyFuncItem& item) { return item.code == code; });
        ASSERT_NE(it, items.end()) << "no entry with code " << code;
        functions.ClickItem(static_cast<int>(it - items.begin()));
        page->ChooseFunction();
    }
    void ShowTab(int tab) {
        functions.SetCurTab(tab);
        page->OnTabChanged();
    }
    void ClickKey(int usage) {
        keyboard.ClickKey(usage);
        page->SelectKey();
    }

    std::shared_ptr<SimHidBackend> sim;
    std::unique_ptr<DeviceManager> manager;
    DataStore store;
    KeyLayout layout;
    KeyboardCtrl keyboard;
    AuroraEffect effect;
    KeyFuncValue functions;
    KeyLayerCtrl layers;
    MacroPlayPanel macroPlay;
    CombinationKeyPanel combination;
    SessionState session;
    RecordingPoster poster;
    ScriptedDialogs dialogs;
    std::unique_ptr<KeyAssignmentPage> page;
    std::unique_ptr<KnobPage> knob;
};

}  // namespace zanvor::test
