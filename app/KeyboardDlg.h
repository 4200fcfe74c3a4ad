#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/CThreadBasic.h"
#include "app/DeviceTaskQueue.h"
#include "ui/Dialogs.h"
#include "ui/MDialog.h"
#include "ui/WindowHost.h"

namespace zanvor {

// Pages of the main window.
enum Page : int {
    kPageHome = 0,  // the device list
    kPageLighting = 1,
    kPageKeys = 4,
};

// The main window object: owns the session state, the worker thread and its queue, and
// the page objects. Window messages and control events arrive on the UI thread; device
// jobs run on the worker (Run).
class KeyboardDlg : public MDialog, public CThreadBasic {
public:
    KeyboardDlg(WindowHost& host, Dialogs& dialogs);
    ~KeyboardDlg() override;

    bool OnInitDialog() override;
    void DestroyWindow() override;
    void OnWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override;
    void OnMessage(int controlId, int event) override;

    // Appends a task code to the worker's queue; never waits for a running job.
    void PostTask(int code);
    // Posts only when the queue is empty (high-rate edits such as dragging a slider).
    void PostTaskIfIdle(int code);
    DeviceTaskQueue& Queue() { return queue_; }

    // The close button: hides to the tray when exit_mode is 1 (and a tray exists),
    // otherwise ends the program.
    void OnCloseButton();
    // Closes every secondary window before an exit or a device change.
    void CloseSecondaryWindows();
    // Ends the program at once with exit code 0.
    void Exit();

    WindowHost& Host() { return host_; }
    Dialogs& DialogsService() { return dialogs_; }

    // Session state shared by the UI thread (writer) and the worker (reader).
    std::atomic<bool> suspended{false};
    std::atomic<bool> devicePresent{false};
    std::atomic<bool> deviceOnline{false};
    std::atomic<bool> liveMirrorOn{false};
    std::atomic<bool> liveEffectOn{false};
    std::atomic<bool> liveMatrixOn{false};
    std::atomic<bool> taskDone{false};
    std::atomic<int> currentPage{kPageHome};
    std::atomic<int> currentProfile{1};
    std::atomic<int> currentDeviceType{0};
    std::atomic<int> currentConnectionMode{-1};
    std::atomic<int> externalToolPid{0};
    // Feature flags: every page on.
    static constexpr int kFeatureFlags = 0x7F;
    static constexpr int kReceiverScreenFlag = 0x7F;

    // Firmware version offered by the firmware tool.
    std::string firmwareToolVersion = "22";
    // Home pictures of a disconnected and a connected keyboard.
    std::string homePictureDisconnected;
    std::string homePictureConnected;

    // Tasks run by the worker since start, in order (diagnostics and tests).
    std::vector<int> RanTasks() const;

protected:
    void Run() override;
    bool PeriodicPassWanted() override;

private:
    void RunAlwaysGroup(int code);
    void RunDeviceGroup(int code);
    void IdlePass();
    void WaitForExternalTool();

    // Jobs of the worker.
    void TaskStartup();
    void TaskDeviceInstall();
    void TaskDeviceUnInstall();
    void TaskSelectDevice();
    void TaskCheckUpdate();
    void TaskDownloadUpdate();

    void OnTrayIcon(intptr_t mouseMessage);
    void OnPowerBroadcast(uintptr_t event);

    WindowHost& host_;
    Dialogs& dialogs_;
    DeviceTaskQueue queue_;
    bool startupDone_ = false;  // worker only
    bool trayAdded_ = false;    // UI thread only

    mutable std::mutex ranMutex_;  // guards ranTasks_
    std::vector<int> ranTasks_;
};

}  // namespace zanvor
