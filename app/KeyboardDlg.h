#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/CThreadBasic.h"
#include "app/DeviceTaskQueue.h"
#include "device/DeviceCatalogue.h"
#include "device/KeyLayout.h"
#include "device/SessionState.h"
#include "ui/AuroraEffect.h"
#include "ui/CDeviceList.h"
#include "ui/Dialogs.h"
#include "ui/KeyboardCtrl.h"
#include "ui/MDialog.h"
#include "ui/MainView.h"
#include "ui/WindowHost.h"

namespace zanvor {

class DataStore;
class DeviceManager;
struct DevicePages;

// Pages of the main window.
enum Page : int {
    kPageHome = 0,  // the device list
    kPageLighting = 1,
    kPageKeys = 4,
};

// The main window object: owns the session state, the worker thread and its queue, and
// the page objects. Window messages and control events arrive on the UI thread; device
// jobs run on the worker (Run).
class KeyboardDlg : public MDialog, public CThreadBasic, public TaskPoster {
  public:
    // The device manager and the store default to the process-wide ones.
    KeyboardDlg(WindowHost& host, Dialogs& dialogs, DeviceManager* devices = nullptr,
                DataStore* store = nullptr);
    ~KeyboardDlg() override;

    bool OnInitDialog() override;
    void DestroyWindow() override;
    void OnWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override;
    void OnMessage(int controlId, int event) override;

    // Appends a task code to the worker's queue; never waits for a running job.
    void PostTask(int code) override;
    // Posts only when the queue is empty (high-rate edits such as dragging a slider).
    void PostTaskIfIdle(int code) override;
    void PostWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) override {
        PostMessageW(id, wParam, lParam);
    }
    DeviceTaskQueue& Queue() { return queue_; }
    // True when the queue is empty and no job is running.
    bool Idle() const { return queue_.Empty() && !passBusy_.load(); }

    // The close button: hides to the tray when exit_mode is 1 (and a tray exists),
    // otherwise ends the program.
    void OnCloseButton();
    // Closes every secondary window before an exit or a device change.
    void CloseSecondaryWindows();
    // Ends the program at once with exit code 0.
    void Exit();

    // ---- keyboard models and their devices ----
    // Reads the catalogue: device tables, device list, the manager's catalogue entries,
    // software version and links; selects and loads the stored model.
    void ReadDeviceCatalogue();
    // Makes a model current: its keyboard entry, its database, its layout and page tabs.
    void LoadLayout(int deviceType);
    // Worker: rescans the HID interfaces and updates the device list and the flags.
    void ScanDevices();
    // Worker: resolves the selected keyboard and shows its pages or the disconnected page.
    void ApplyDeviceSelection();
    // UI thread: a hidraw node arrived or went away (upper-casing is done here).
    void UpdateUSBDevice(bool arrival, const std::string& path);
    bool IsVendorInterface(const std::string& path);
    // Worker, last step of an idle pass: receiver link notifications.
    void HandleDeviceNotify();
    // Starts the system's hotplug monitor (not used with virtual keyboards).
    void RegisterHidNotification();
    // Any thread: a hotplug event; handled on the UI thread as a device-change message.
    void OnHotplugEvent(bool arrival, const std::string& path);
    // UI thread: the user picked a keyboard in the device list.
    void OnDeviceListSelection();
    // Use the system hotplug monitor (false with virtual keyboards, which report their own).
    void UseSystemHotplug(bool use) { useSystemHotplug_ = use; }

    DeviceCatalogue CatalogueCopy() const;
    DeviceManager& Devices() { return devices_; }
    DataStore& Store() { return store_; }

    CDeviceList deviceList;
    KeyboardCtrl keyboardCtrl;
    AuroraEffect auroraEffect;
    MainView mainView;
    // The pages: their models and feature objects (profiles, settings, keys, knob, exchange
    // files, key test).
    DevicePages& Pages() { return *pages_; }

    // ---- commands of the main window ----
    // Reset to factory defaults after the user confirms: the model's database is deleted and
    // created again, the keyboard reset and the profiles reloaded (task 22).
    bool ResetToDefaults();
    // Sends the current profile to the keyboard (task 6, worker).
    void ApplyProfile();
    // Who shows the profile list's context menu (the desktop program); commands come back
    // through OnProfileMenuCommand.
    void SetProfileMenuPresenter(std::function<void()> presenter);
    void OnProfileMenuCommand(int command);
    // Settings page controls that are the program's, not the keyboard's: language,
    // autostart and exit mode, read from the settings when the page is built.
    void LoadApplicationSettings();

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
    std::atomic<int> externalToolPid{0};
    // Current profile, model, connection and layer, key maps and the keyboard's mirrors.
    SessionState session;

    // Home pictures of a disconnected and a connected keyboard.
    std::string homePictureDisconnected;
    std::string homePictureConnected;

    // The last task codes the worker took from its queue, oldest first, and whether each
    // reached the device group (diagnostics and tests; the last 256 are kept).
    struct TaskRun {
        int code = 0;
        bool reachedDevice = false;
    };
    std::vector<TaskRun> TaskLog() const;
    // Codes of the task log that reached the device group.
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

    // Jobs whose routines arrive with the macro, lighting and matrix screen features; until
    // then they only mark the task as done.
    void TaskDownloadMacros() {}
    void TaskWriteCustomLightMode() {}
    void TaskWriteLightMode() {}
    void TaskWriteMatrixMode() {}
    void TaskReadMatrixColors() {}
    void TaskWriteMatrixColors() {}
    void TaskReadKeyColors() {}
    void TaskWriteLightLayer() {}
    void TaskSetLiveMode() {}
    void TaskDownloadFirmwareTool();
    void TaskResetDefaults();
    void ConnectPages();
    void OnPageChanged();
    bool OnApplicationControl(int controlId, int event);

    void OnBackgroundMenu(int command);
    void OnTrayIcon(intptr_t mouseMessage);
    void OnPowerBroadcast(uintptr_t event);

    void RescanAfterEvent(int deviceType);
    void HandlePendingHotplug();

    WindowHost& host_;
    Dialogs& dialogs_;
    DeviceManager& devices_;
    DataStore& store_;
    std::unique_ptr<DevicePages> pages_;
    std::function<void()> profileMenuPresenter_;
    std::atomic<int> shownPage_{-1};  // the page the key test last saw

    mutable std::mutex catalogueMutex_;  // guards catalogue_ (present flags change on both threads)
    DeviceCatalogue catalogue_;
    std::mutex layoutMutex_;  // guards layout_ while a model's layout is loaded
    KeyLayout layout_;
    std::atomic<int> lastEventDeviceType_{0};
    std::atomic<int> lastEventKind_{0};  // 1 arrival, 2 removal

    std::atomic<bool> receiverPresent_{false};  // a receiver record exists: poll it when idle
    bool useSystemHotplug_ = true;
    std::unique_ptr<class HotplugMonitor> hotplug_;
    std::unique_ptr<class SleepMonitor> sleepMonitor_;
    std::mutex hotplugMutex_;  // guards pendingHotplug_
    std::vector<std::pair<bool, std::string>> pendingHotplug_;
    DeviceTaskQueue queue_;
    bool startupDone_ = false;           // worker only
    std::atomic<bool> passBusy_{false};  // a pass is running a task
    bool trayAdded_ = false;             // UI thread only

    void LogTask(int code, bool reachedDevice);

    mutable std::mutex taskLogMutex_;  // guards taskLog_
    std::deque<TaskRun> taskLog_;
};

}  // namespace zanvor
