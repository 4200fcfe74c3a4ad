#include "app/KeyboardDlg.h"

#include <thread>

#include "app/DevicePages.h"
#include "device/DeviceManager.h"
#include "platform/Registry.h"
#include "platform/SleepMonitor.h"
#include "platform/Trace.h"
#include "store/DataStore.h"
#include "ui/ControlIds.h"
#include "ui/LoadText.h"
#include "ui/Manager.h"
#include "ui/StatusTexts.h"
#include "ui/WindowMessages.h"

namespace zanvor {

namespace {

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

// A failure the worker wants the user to see (the text waits in the notice member).
constexpr uint32_t kMsgTaskNotice = 0x8002;

}  // namespace

KeyboardDlg::KeyboardDlg(WindowHost& host, Dialogs& dialogs, DeviceManager* devices,
                         DataStore* store)
    : deviceList(kIdDeviceList),
      keyboardCtrl(kIdKeyboardCtrl),
      auroraEffect(kIdAuroraEffect),
      host_(host),
      dialogs_(dialogs),
      devices_(devices != nullptr ? *devices : DeviceManager::Instance()),
      store_(store != nullptr ? *store : DataStore::Instance()) {
    keyboards_ = std::make_unique<DeviceSession>(
        DeviceSession::Parts{devices_, store_, session, *this, queue_, host_, deviceList, mainView,
                             keyboardCtrl, auroraEffect});
    pages_ = std::make_unique<DevicePages>(*this, *keyboards_);
    ConnectPages();
}

KeyboardDlg::~KeyboardDlg() {
    sleepMonitor_.reset();
    Stop();
    pages_.reset();
    keyboards_.reset();
    devices_.SetNotifyWindow(nullptr);
}

void KeyboardDlg::ConnectPages() {
    registry_.SetEventSink([this](int controlId, int event) { OnMessage(controlId, event); });
    keyboardCtrl.SetEventSink([this](int controlId, int event) { OnMessage(controlId, event); });
    auroraEffect.SetEventSink([this](int controlId, int event) { OnMessage(controlId, event); });
    keyboards_->Register(registry_);
    pages_->Register(registry_);

    DevicePages& pages = *pages_;
    keyboards_->SetConnectionRead([this] {
        // The keyboard holds another profile's tables than the active one (a switch that never
        // reached it: the keyboard went away, the program was stopped, or another process
        // switched): the read must not take them into the active profile, which is written
        // to the keyboard instead.
        const int profile = session.currentProfile.load();
        const int held = store_.KeyboardProfile();
        if (profile > 0 && held > 0 && held != profile) {
            Trace("keyboard holds profile %d, the active one is %d\n", held, profile);
            session.tableWritePending = true;
        }
        const bool read = pages_->deviceSettings.ReadDeviceState(
            {[this] { return registry_.RunConnectionSteps(); }});
        if (read && session.tableWritePending.load()) {
            // A profile write waited for this read: the keyboard gets the profile now.
            PostTask(kTaskApplyProfile);
        } else if (read && profile > 0) {
            // The read made profile and keyboard agree.
            if (!store_.SetKeyboardProfile(profile)) {
                Trace("the profile the keyboard holds could not be recorded\n");
            }
        }
        if (read && session.macroDownloadPending.exchange(false)) {
            PostTask(kTaskDownloadMacros);  // the keyboard still has the macros of before
        }
        return read;
    });
    keyboards_->SetProfileLoad([this] { pages_->profile.LoadProfileList(); });

    ProfileHooks profileHooks;
    profileHooks.createDefaultKeyRows = [this](int profile) {
        return registry_.CreateProfileRows(profile);
    };
    profileHooks.readDeviceState = [this] { return keyboards_->ReadConnectionState(); };
    profileHooks.refreshPages = [this] { registry_.RefreshPages(); };
    profileHooks.showContextMenu = [this] {
        if (profileMenuPresenter_) {
            profileMenuPresenter_();
        }
    };
    profileHooks.exportProfile = [this](int id) { pages_->exchange.ExportKeys(id); };
    profileHooks.copyLighting = [this](int id) { return pages_->lighting.CopyLightingTo(id); };
    pages.profile.SetHooks(std::move(profileHooks));

    // A setting the database refused is said at once; the control shows the stored value.
    const auto reportStoreFailure = [this](const std::string& reason) {
        dialogs_.MessageBox(reason, LoadText("KB.DIALOG", 1937));
    };
    pages.settings.SetFailureReporter(reportStoreFailure);
    pages.knob.SetFailureReporter(reportStoreFailure);

    DeviceSettings::Hooks deviceHooks;
    deviceHooks.matrixScreenPresent = [this](bool present) {
        pages_->matrix.SetMatrixScreenPresent(present);
    };
    pages.deviceSettings.SetHooks(std::move(deviceHooks));

    mainView.AddObserver([this](int change) {
        if (change == MainView::kChangePage || change == MainView::kChangeHome ||
            change == MainView::kChangeSettings) {
            OnPageChanged();
        }
    });
}

bool KeyboardDlg::OnInitDialog() {
    MDialog::OnInitDialog();
    trayAdded_ =
        host_.AddTrayIcon(Manager::SkinFolder() + "DeviceDriver.png", Manager::GetDeviceName());
    keyboards_->ReadDeviceCatalogue();
    devices_.SetNotifyWindow(this);
    if (watchSleep_.value_or(keyboards_->SystemHotplug())) {
        // The machine's sleep and wake arrive as power messages, like the hotplug events.
        sleepMonitor_ = std::make_unique<SleepMonitor>();
        sleepMonitor_->Start([this](bool sleeping) {
            PostMessageW(kMsgPowerBroadcast, sleeping ? kPowerSuspend : kPowerResumeAutomatic);
        });
    }
    Start();
    PostTask(kTaskStartup);
    return true;
}

void KeyboardDlg::DestroyWindow() {
    sleepMonitor_.reset();
    // A download in progress stops after its current read instead of holding the exit up.
    pages_->update.CancelDownload();
    Stop();
    keyboards_->StopHotplug();
    if (trayAdded_) {
        host_.RemoveTrayIcon();
        trayAdded_ = false;
    }
}

void KeyboardDlg::PostTask(int code) {
    queue_.Post(code);
    Wake();
}

void KeyboardDlg::PostTaskIfIdle(int code) {
    if (queue_.Empty()) {
        PostTask(code);
    }
}

void KeyboardDlg::LogTask(int code, bool reachedDevice, const TaskResult& result) {
    constexpr size_t kKept = 256;
    std::lock_guard lock(taskLogMutex_);
    taskLog_.push_back({code, reachedDevice, result.ok, result.reason});
    if (taskLog_.size() > kKept) {
        taskLog_.pop_front();
    }
}

std::vector<KeyboardDlg::TaskRun> KeyboardDlg::TaskLog() const {
    std::lock_guard lock(taskLogMutex_);
    return {taskLog_.begin(), taskLog_.end()};
}

std::vector<int> KeyboardDlg::RanTasks() const {
    std::vector<int> codes;
    for (const TaskRun& run : TaskLog()) {
        if (run.reachedDevice) {
            codes.push_back(run.code);
        }
    }
    return codes;
}

bool KeyboardDlg::PeriodicPassWanted() {
    if (suspended.load()) {
        return false;
    }
    if (!queue_.Empty() || externalToolPid.load() != 0) {
        return true;
    }
    if (!session.devicePresent.load()) {
        return false;
    }
    return keyboards_->ReceiverPresent() || registry_.IdleWorkWanted();
}

void KeyboardDlg::Run() {
    if (suspended.load()) {
        parked_ = true;
        return;
    }
    if (externalToolPid.load() != 0) {
        WaitForExternalTool();
    }
    // Busy is raised before the code leaves the queue, so Idle() never sees neither.
    passBusy_ = true;
    if (const std::optional<int> code = queue_.TakeFront()) {
        const PageRegistry::Task* task = registry_.FindTask(*code);
        TaskResult result;
        if (task != nullptr && !task->options.needsKeyboard && task->run) {
            result = task->run();
        }
        const bool reachesDevice = session.devicePresent.load() && session.deviceOnline.load();
        if (reachesDevice) {
            if (task != nullptr && task->options.needsKeyboard && task->run) {
                result = task->run();
            }
            taskDone = true;
        } else if (task != nullptr && task->options.needsKeyboard) {
            result = TaskResult::Failed(LoadText("KB.DIALOG", kTextTaskDropped));
            if (*code == kTaskApplyProfile || *code == kTaskWriteKeyAssignments) {
                // The rows hold the change; when the keyboard is back it gets the profile
                // rather than the read taking the keyboard's old tables into it.
                session.tableWritePending = true;
            } else if (*code == kTaskDownloadMacros) {
                session.macroDownloadPending = true;
            }
        }
        if (task != nullptr && task->options.closesBusyDialog && dialogs_.BusyShown()) {
            // Somebody waits for this task: it ends here, however it went.
            dialogs_.CloseBusy();
            SleepMs(100);
        }
        if (!result.ok && !result.reason.empty() && task != nullptr) {
            NoteTaskFailure(result.reason);
        }
        tasksTaken_.fetch_add(1);
        LogTask(*code, reachesDevice, result);
        passBusy_ = false;
        return;
    }
    passBusy_ = false;
    if (!session.devicePresent.load()) {
        return;
    }
    registry_.RunIdleWork();
    keyboards_->HandleDeviceNotify();
}

void KeyboardDlg::WaitForExternalTool() {
    pages_->update.WaitForExternalTool();
}

void KeyboardDlg::NoteTaskFailure(const std::string& text) {
    {
        std::lock_guard lock(taskLogMutex_);
        if (!notice_.empty()) {
            return;  // one notice at a time: a burst of failed edits shows one message
        }
        notice_ = text;
    }
    PostMessageW(kMsgTaskNotice);
}

void KeyboardDlg::ShowTaskNotice() {
    std::string text;
    {
        std::lock_guard lock(taskLogMutex_);
        text = notice_;
    }
    if (!text.empty()) {
        dialogs_.MessageBox(text, LoadText("KB.DIALOG", kTextNotSentTitle));
    }
    std::lock_guard lock(taskLogMutex_);
    notice_.clear();
}

void KeyboardDlg::OnMessage(int controlId, int event) {
    registry_.DispatchControl(controlId, event, mainView.SelectedPage());
}

void KeyboardDlg::OnWindowMessage(uint32_t id, uintptr_t wParam, intptr_t lParam) {
    switch (id) {
        case kMsgTrayIcon:
            OnTrayIcon(lParam);
            return;
        case kMsgExitRequest:
            if (lParam == kExitRequestCode) {
                Exit();
            }
            return;
        case kMsgCommand:
            if (wParam == kTrayExitCommand) {
                Exit();
            }
            return;
        case kMsgPowerBroadcast:
            OnPowerBroadcast(wParam);
            return;
        case kMsgRaiseWindow:
            host_.BringToFront();
            return;
        case kMsgTaskNotice:
            ShowTaskNotice();
            return;
        default:
            registry_.DispatchWindowMessage(id, wParam, lParam);
            return;
    }
}

void KeyboardDlg::OnPageChanged() {
    // Idle work may follow the page on screen (the lighting page's live mirror).
    Wake();
    // The key test runs while the key-assignment page is on screen.
    const bool keysShown = mainView.DevicePagesShown() && !mainView.SettingsPageShown() &&
                           mainView.SelectedPage() == kPageKeys;
    session.currentPage = mainView.SelectedPage();
    const int shown = keysShown ? 1 : 0;
    if (shownPage_.exchange(shown) == shown) {
        return;
    }
    if (keysShown) {
        pages_->keyTest.StartKeyTest();
    } else {
        pages_->keys.EndKeyCapture();  // a capture left running would outlive its page
        pages_->keyTest.StopKeyTest();
    }
}

void KeyboardDlg::SetProfileMenuPresenter(std::function<void()> presenter) {
    profileMenuPresenter_ = std::move(presenter);
}

void KeyboardDlg::OnProfileMenuCommand(int command) {
    pages_->profile.OnContextCommand(command);
}

void KeyboardDlg::LoadApplicationSettings() {
    pages_->application.LoadApplicationSettings();
}

bool KeyboardDlg::ResetToDefaults(std::string* failure) {
    return pages_->application.ResetToDefaults(failure);
}

void KeyboardDlg::OpenLink(const std::string& url) {
    if (url.empty()) {
        return;
    }
    const std::weak_ptr<bool> alive = alive_;
    host_.OpenUrl(url, [this, alive, url](const std::string& reason) {
        if (alive.expired()) {
            return;
        }
        Trace("OpenLink: %s: %s\n", url.c_str(), reason.c_str());
        std::string text = LoadText("KB.DIALOG", 1967);
        if (const size_t at = text.find("%s"); at != std::string::npos) {
            text.replace(at, 2, url);
        }
        dialogs_.MessageBox(text, LoadText("KB.DIALOG", 1968));
    });
}

TaskResult KeyboardDlg::ApplyProfile() {
    return registry_.RunProfileApplySteps();
}

void KeyboardDlg::OnTrayIcon(intptr_t mouseMessage) {
    if (mouseMessage == kTrayLeftDown || mouseMessage == kTrayLeftDoubleClick) {
        host_.BringToFront();
    }
}

void KeyboardDlg::OnPowerBroadcast(uintptr_t event) {
    if (event == kPowerSuspend) {
        parked_ = false;
        suspended = true;
        Wake();
        // A job that is running ends first (the sleep delay held until now lets it); then
        // the worker parks at the start of its next pass and the machine may sleep.
        const uint64_t deadline = MonotonicMs() + kParkWaitMs;
        while (!parked_.load() && IsRunning() && MonotonicMs() < deadline) {
            SleepMs(5);
        }
        if (sleepMonitor_) {
            sleepMonitor_->ReleaseSleepDelay();
        }
    } else if (event == kPowerResumeSuspend || event == kPowerResumeAutomatic) {
        if (sleepMonitor_) {
            sleepMonitor_->TakeSleepDelay();
        }
        suspended = false;
        Wake();
    }
}

void KeyboardDlg::ShowAtStart(bool minimised) {
    if (!minimised) {
        host_.ShowNormal();
    } else if (trayAdded_ && host_.TrayAvailable()) {
        host_.Hide();
    } else {
        host_.ShowMinimized();
    }
}

void KeyboardDlg::OnCloseButton() {
    // Without a system tray a hidden window could never be brought back: minimise instead.
    if (ReadRegistryInt("exit_mode") == 1) {
        if (trayAdded_ && host_.TrayAvailable()) {
            host_.Hide();
        } else {
            host_.ShowMinimized();
        }
        return;
    }
    Exit();
}

void KeyboardDlg::CloseSecondaryWindows() {
    host_.CloseSecondaryWindows();
}

void KeyboardDlg::Exit() {
    CloseSecondaryWindows();
    if (trayAdded_) {
        host_.RemoveTrayIcon();
        trayAdded_ = false;
    }
    host_.ExitProcess(0);
}

}  // namespace zanvor
