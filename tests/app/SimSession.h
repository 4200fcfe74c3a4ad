#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/HeadlessHost.h"
#include "app/KeyboardDlg.h"
#include "device/DeviceManager.h"
#include "platform/Paths.h"
#include "sim/SimCatalogue.h"
#include "sim/SimHidBackend.h"
#include "store/DataStore.h"
#include "support/TestHome.h"
#include "ui/ScriptedDialogs.h"

namespace zanvor::test {

// The main window object over virtual keyboards built from the installed catalogue, with its
// own device manager and store.
class SimSessionTest : public IsolatedHomeTest {
  protected:
    // Starts the main window object over virtual keyboards of the installed catalogue
    // ("101:cable,102:cable", ...) and waits for the start-up scan.
    // `beforeInit` runs after the virtual keyboards exist and before the window starts (to
    // unplug one or make it refuse commands from the first report on). `adjust` may change
    // the models first (another firmware version, ...).
    void Start(const std::string& selection, bool receiverLinked = true,
               const std::function<void()>& beforeInit = {},
               const std::function<void(std::vector<VirtualKeyboardModel>&)>& adjust = {}) {
        std::vector<VirtualKeyboardModel> models;
        ASSERT_TRUE(LoadCatalogueModels(ApplicationFolder(), models));
        if (adjust) {
            adjust(models);
        }
        std::string error;
        sim = MakeSimBackend(models, selection, error);
        ASSERT_TRUE(sim) << error;
        if (!receiverLinked) {
            sim->SetReceiverLink(101, false);
        }
        manager = std::make_unique<DeviceManager>(sim);
        manager->SetDelays(
            {std::chrono::milliseconds(0), std::chrono::milliseconds(0), realPacing});
        CreateFolders(DataFolder() + "db");
        dialog = std::make_unique<KeyboardDlg>(host, dialogs, manager.get(), &store);
        dialog->Keyboards().UseSystemHotplug(false);
        sim->SetHotplugHandler([this](const std::string& path, bool arrival) {
            dialog->Keyboards().OnHotplugEvent(arrival, path);
        });
        if (beforeInit) {
            beforeInit();
        }
        dialog->OnInitDialog();
        ASSERT_TRUE(WaitIdle());
    }

    void TearDown() override {
        if (dialog) {
            dialog->DestroyWindow();
            dialog.reset();
        }
        manager.reset();
        IsolatedHomeTest::TearDown();
    }

    bool WaitIdle() {
        // Generous limits: a loaded machine or a sanitizer build must not fail a slow pass.
        for (int i = 0; i < 10000; ++i) {
            dialog->PumpMessages();
            if (dialog->Idle() && dialog->PendingMessages() == 0) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        return false;
    }

    template <typename Condition>
    bool Eventually(Condition condition) {
        for (int i = 0; i < 4000; ++i) {
            dialog->PumpMessages();
            if (condition()) {
                return true;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return false;
    }

    size_t WritesOf(uint8_t command) {
        size_t count = 0;
        for (const SimReport& report : sim->Reports()) {
            if (report.to_device && report.bytes.size() > 2 && report.bytes[2] == command) {
                ++count;
            }
        }
        return count;
    }

    // Sleep the pacing delay before every exchange, as with a real keyboard.
    bool realPacing = false;
    HeadlessHost host;
    ScriptedDialogs dialogs;
    DataStore store;
    std::shared_ptr<SimHidBackend> sim;
    std::unique_ptr<DeviceManager> manager;
    std::unique_ptr<KeyboardDlg> dialog;
};

}  // namespace zanvor::test
