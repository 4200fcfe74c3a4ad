#pragma once

#include <atomic>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "app/CThreadBasic.h"
#include "app/DeviceSession.h"
#include "app/DeviceTaskQueue.h"
#include "device/DeviceCatalogue.h"
#include "device/SessionState.h"
#include "ui/AuroraEffect.h"
#include "ui/CDeviceList.h"
#include "ui/Dialogs.h"
#include "ui/KeyboardCtrl.h"
#include "ui/MDialog.h"
#include "ui/MainView.h"
#include "ui/PageRegistry.h"
#include "ui/WindowHost.h"

namespace zanvor {

class DataStore;
class DeviceManager;
class SleepMonitor;
struct DevicePages;

// The main window object and composition root: owns the session state, the shared control
// models (device list, keyboard picture, effect picture, main view), the keyboards' session,
// the pages, the page registry, and the worker thread with its queue. Control events and
// window messages arrive on the UI thread and are looked up in the registry; the worker runs
// the registered task of each code it takes (Run).
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
    void WakeWorker() override { Wake(); }
    DeviceTaskQueue& Queue() { return queue_; }
    // True when the queue is empty and no job is running.
    bool Idle() const { return queue_.Empty() && !passBusy_.load(); }

    // The close button: hides to the tray when exit_mode is 1 (and a tray exists),
    // otherwise ends the program.
    void OnCloseButton();
    // The window's first showing: normal, or for a minimised start (autostart with
    // "start minimised" on) hidden to the tray icon when a tray shows it, else minimised, so
    // the window can always be brought back.
    void ShowAtStart(bool minimised);
    // Closes every secondary window before an exit or a device change.
    void CloseSecondaryWindows();
    // Ends the program at once with exit code 0.
    void Exit();

    // Whether to follow the machine's sleep and wake (logind); by default only when the
    // keyboards' system hotplug events are used. Set before OnInitDialog.
    void WatchSystemSleep(bool watch) { watchSleep_ = watch; }

    // The keyboards: catalogue, scan, selection, hotplug, link notifications, connection read.
    DeviceSession& Keyboards() { return *keyboards_; }
    DeviceCatalogue CatalogueCopy() const { return keyboards_->CatalogueCopy(); }
    DeviceManager& Devices() { return devices_; }
    DataStore& Store() { return store_; }
    const PageRegistry& Registry() const { return registry_; }

    // Models shared by several pages.
    CDeviceList deviceList;
    KeyboardCtrl keyboardCtrl;
    AuroraEffect auroraEffect;
    MainView mainView;
    // The pages.
    DevicePages& Pages() { return *pages_; }

    // ---- commands of the main window ----
    // The factory reset; `failure` holds why the database could not be deleted.
    bool ResetToDefaults(std::string* failure = nullptr);
    // Sends the current profile to the keyboard (task 6's routine, worker).
    TaskResult ApplyProfile();
    // Who shows the profile list's context menu (the desktop program); commands come back
    // through OnProfileMenuCommand.
    void SetProfileMenuPresenter(std::function<void()> presenter);
    void OnProfileMenuCommand(int command);
    // Settings page controls that are the program's, not the keyboard's.
    void LoadApplicationSettings();

    // Opens a web link of the catalogue (website, feedback, FAQ) in the desktop's browser;
    // when nothing can open it the user is told so in the window, with the address.
    void OpenLink(const std::string& url);

    WindowHost& Host() { return host_; }
    Dialogs& DialogsService() { return dialogs_; }

    // Worker state written by the UI thread.
    std::atomic<bool> suspended{false};
    std::atomic<bool> taskDone{false};
    std::atomic<int> externalToolPid{0};
    // Current profile, model, connection, layer and page, the device flags, the key maps and
    // the keyboard's mirrors.
    SessionState session;

    // The last task codes the worker took from its queue, oldest first: whether each reached
    // the device group and what it achieved (diagnostics, tests and the command line; the last
    // 256 are kept).
    struct TaskRun {
        int code = 0;
        bool reachedDevice = false;
        bool ok = true;
        std::string reason;
    };
    std::vector<TaskRun> TaskLog() const;
    // Codes of the task log that reached the device group.
    std::vector<int> RanTasks() const;
    // How many tasks the worker has taken since it started (the index of the next log entry).
    uint64_t TasksTaken() const { return tasksTaken_.load(); }

  protected:
    void Run() override;
    bool PeriodicPassWanted() override;

  private:
    void ConnectPages();
    void OnPageChanged();
    void OnTrayIcon(intptr_t mouseMessage);
    void OnPowerBroadcast(uintptr_t event);
    void WaitForExternalTool();
    // Worker: tells the user, once at a time, why a change did not reach the keyboard.
    void NoteTaskFailure(const std::string& text);
    void ShowTaskNotice();
    void LogTask(int code, bool reachedDevice, const TaskResult& result);

    WindowHost& host_;
    Dialogs& dialogs_;
    DeviceManager& devices_;
    DataStore& store_;
    DeviceTaskQueue queue_;
    PageRegistry registry_;
    std::unique_ptr<DeviceSession> keyboards_;
    std::unique_ptr<DevicePages> pages_;
    std::function<void()> profileMenuPresenter_;
    std::atomic<int> shownPage_{-1};  // the page the key test last saw

    std::unique_ptr<SleepMonitor> sleepMonitor_;
    std::optional<bool> watchSleep_;  // UI thread only
    // Set by the worker when a pass found the program suspended (no job runs any more).
    std::atomic<bool> parked_{false};
    // How long a suspend waits for a running job; logind's own delay limit is 5 s.
    static constexpr uint64_t kParkWaitMs = 4500;
    std::atomic<bool> passBusy_{false};  // a pass is running a task
    bool trayAdded_ = false;             // UI thread only

    mutable std::mutex taskLogMutex_;  // guards taskLog_ and notice_
    std::deque<TaskRun> taskLog_;
    std::atomic<uint64_t> tasksTaken_{0};
    std::string notice_;  // a failure waiting to be shown; empty when none
    // Held by answers that may come back after the window is gone (a link's opener).
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace zanvor
