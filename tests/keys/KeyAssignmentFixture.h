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
#include "support/TestHome.h"
#include "ui/AuroraEffect.h"
#include "ui/CombinationKeyPanel.h"
#include "ui/KeyFuncValue.h"
#include "ui/KeyLayerCtrl.h"
#include "ui/KeyboardCtrl.h"
#include "ui/MacroPlayPanel.h"
#include "ui/ScriptedDialogs.h"

namespace zanvor::test {

using Bytes = std::vector<uint8_t>;

// Keeps what the pages post instead of running it.
class RecordingPoster : public TaskPoster {
  public:
    struct Message {
        uint32_t id;
        uintptr_t wParam;
        intptr_t lParam;
    };
    void PostTask(int code) override { tasks.push_back(code); }
    void PostTaskIfIdle(int code) override {
        if (busy) {
            return;
        }
        tasks.push_back(code);
    }
    void PostWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        messages.push_back({id, wParam, lParam});
    }
    std::vector<int> tasks;
    std::vector<Message> messages;
    bool busy = false;  // the worker's queue is not empty
};

// A command as the keyboard received it: command, offset, length and data.
struct Received {
    uint8_t command = 0;
    int offset = 0;
    int length = 0;
    Bytes data;
};

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
    std::vector<Received> Writes() const {
        std::vector<Received> out;
        for (const SimReport& report : sim->Reports()) {
            if (!report.to_device || report.bytes.size() < 9) {
                continue;
            }
            Received r;
            r.command = report.bytes[2];
            r.offset = report.bytes[3] | report.bytes[4] << 8;
            r.length = report.bytes[5];
            const size_t end = std::min(report.bytes.size(), size_t{9} + r.length);
            r.data.assign(report.bytes.begin() + 9, report.bytes.begin() + end);
            out.push_back(std::move(r));
        }
        return out;
    }
    std::vector<uint8_t> Commands() const {
        std::vector<uint8_t> commands;
        for (const Received& r : Writes()) {
            commands.push_back(r.command);
        }
        return commands;
    }
    // The data of every chunk of one command, joined in offset order.
    Bytes BlockWritten(uint8_t command) const {
        Bytes block;
        for (const Received& r : Writes()) {
            if (r.command == command) {
                if (block.size() < static_cast<size_t>(r.offset + r.length)) {
                    block.resize(static_cast<size_t>(r.offset + r.length));
                }
                std::copy(r.data.begin(), r.data.end(), block.begin() + r.offset);
            }
        }
        return block;
    }
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
